// Elementary functions over whole arrays. On a processor with AVX2 and FMA they run four values at
// a time with SLEEF's functions of 1 ulp; elsewhere value by value with the C library's.
#pragma once

#include <complex>
#include <span>

namespace corvane {

// x_i = e^(x_i).
void ExpInPlace(std::span<double> x);

// x_i = x_i^y.
void PowInPlace(std::span<double> x, double y);

// z_k = s e^(lambda (z_k - 1)): the Poisson generating function times s. With z = a + ib,
// s e^(lambda (a - 1)) (cos(lambda b) + i sin(lambda b)).
void ScaledPoissonPgfInPlace(std::span<std::complex<double>> z, double lambda, double s);

// z_k = s (p / (1 - q z_k))^r, q = 1 - p: the negative binomial generating function times s. With
// w = p / (1 - q z) = wr + i wi, s |w|^r (cos(r arg w) + i sin(r arg w)).
void ScaledNegBinPgfInPlace(std::span<std::complex<double>> z, double p, double r, double s);

}  // namespace corvane
