// The AVX2 and FMA kernels behind vector_math.h, on plain arrays; call them only where the
// processor has both. Their unit is compiled for that processor, so it holds nothing else.
#pragma once

#include <cstddef>

namespace corvane::avx2 {

void Exp(double* x, std::size_t n);
void Pow(double* x, std::size_t n, double y);
// z holds count complex values as (re, im) pairs.
void ScaledPoissonPgf(double* z, std::size_t count, double lambda, double s);
void ScaledNegBinPgf(double* z, std::size_t count, double p, double r, double s);

}  // namespace corvane::avx2
