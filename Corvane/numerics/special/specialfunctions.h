// The special functions of the claim-size families and the grid noise: the regularised incomplete
// gamma function, the logarithm of the gamma function, the normal distribution function and
// density, and the error function, each to within a few units in the last place.
#pragma once

namespace corvane {

// P(a, x) = gamma(a, x) / Gamma(a), the regularised lower incomplete gamma function: its series
// for x < a + 1, else 1 minus the continued fraction of Q(a, x) (modified Lentz), both summed to
// a relative 1e-16. Fails with "Invalid arguments in routine gammp" when x < 0 or a <= 0.
double gammp(double a, double x);

// P(n, x) for a whole order n >= 1 and x >= 0: the series below n + 1, above it the closed form
// 1 - e^-x sum_{j<n} x^j/j!.
double GammaPWhole(int n, double x);

// ln Gamma(x) for x > 0 (the C library's lgamma_r).
double LogGamma(double x);

// Phi(x) = erfc(-x/sqrt 2)/2, from the C library's erfc with the rounding of -x/sqrt 2 corrected,
// accurate in both tails.
double NormalCDF(double x);

// erf(x), the C library's.
double Erf(double x);

// phi(x) = exp(-x^2 / 2) / sqrt(2 pi).
double NormalPDF(double x);

}  // namespace corvane
