// The special functions of the claim-size families and the grid noise: the regularised incomplete
// gamma function, the logarithm of the gamma function, the normal distribution function and
// density, and the error function.
#pragma once

namespace corvane {

// P(a, x) = gamma(a, x) / Gamma(a), the regularised lower incomplete gamma function: the series
// for x < a + 1, else 1 minus the continued fraction. Fails with "Invalid arguments in routine
// gammp" when x < 0 or a <= 0.
double gammp(double a, double x);

// P(a, x) by its series sum_{n>=0} x^n / (a (a+1) ... (a+n)) times exp(-x + a ln x - ln Gamma(a)),
// at most 100 terms, relative tolerance 3e-7.
double gser(double a, double x);

// Q(a, x) = 1 - P(a, x) by its continued fraction, modified Lentz method, at most 100 iterations,
// tolerance 3e-7, FPMIN 1e-30.
double gcf(double a, double x);

// ln Gamma(x) for x > 0, Lanczos series with six coefficients.
double LogGamma(double x);

// Phi(x), from the Chebyshev fit E(z) of erfc (fractional error below 1.2e-7).
double NormalCDF(double x);

// erf(x), from the same fit.
double Erf(double x);

// phi(x) = 0.398942280401433 exp(-x^2 / 2).
double NormalPDF(double x);

}  // namespace corvane
