// Four doubles at a time with SLEEF's 1-ulp functions. A tail of fewer than four values goes
// through the same functions on a padded copy, so every value is computed the same way.
#include "Corvane/numerics/special/vector_math_avx2.h"

#include <immintrin.h>
#include <sleef.h>

namespace corvane::avx2 {

namespace {

// Runs f on every group of four doubles of x[0..n), the last group padded with `pad`.
template <class F>
void ForFours(double* x, std::size_t n, double pad, F f) {
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) _mm256_storeu_pd(x + i, f(_mm256_loadu_pd(x + i)));
    if (i == n) return;
    double tail[4] = {pad, pad, pad, pad};
    for (std::size_t j = i; j < n; ++j) tail[j - i] = x[j];
    _mm256_storeu_pd(tail, f(_mm256_loadu_pd(tail)));
    for (std::size_t j = i; j < n; ++j) x[j] = tail[j - i];
}

}  // namespace

void Exp(double* x, std::size_t n) {
    ForFours(x, n, 0.0, [](__m256d v) { return Sleef_expd4_u10avx2(v); });
}

void Pow(double* x, std::size_t n, double y) {
    const __m256d e = _mm256_set1_pd(y);
    ForFours(x, n, 1.0, [e](__m256d v) { return Sleef_powd4_u10avx2(v, e); });
}

namespace {

// Two registers hold four (re, im) pairs; unpacking gives the four real parts and the four
// imaginary parts (in the order 0, 2, 1, 3), and packing the results back restores the pairs.
// A tail of fewer than four values is padded with z = 1.
template <class F>
void ForFourComplex(double* z, std::size_t count, F f) {
    const auto four = [&](double* p) {
        const __m256d v0 = _mm256_loadu_pd(p), v1 = _mm256_loadu_pd(p + 4);
        __m256d a = _mm256_unpacklo_pd(v0, v1), b = _mm256_unpackhi_pd(v0, v1);
        f(a, b);
        _mm256_storeu_pd(p, _mm256_unpacklo_pd(a, b));
        _mm256_storeu_pd(p + 4, _mm256_unpackhi_pd(a, b));
    };
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) four(z + 2 * k);
    if (k == count) return;
    double tail[8] = {1.0, 0.0, 1.0, 0.0, 1.0, 0.0, 1.0, 0.0};
    for (std::size_t j = 2 * k; j < 2 * count; ++j) tail[j - 2 * k] = z[j];
    four(tail);
    for (std::size_t j = 2 * k; j < 2 * count; ++j) z[j] = tail[j - 2 * k];
}

// (re, im) = modulus (cos angle, sin angle).
void Polar(__m256d modulus, __m256d angle, __m256d& re, __m256d& im) {
    const Sleef___m256d_2 sc = Sleef_sincosd4_u10avx2(angle);
    re = _mm256_mul_pd(modulus, sc.y);
    im = _mm256_mul_pd(modulus, sc.x);
}

}  // namespace

void ScaledPoissonPgf(double* z, std::size_t count, double lambda, double s) {
    const __m256d l = _mm256_set1_pd(lambda), one = _mm256_set1_pd(1.0), scale = _mm256_set1_pd(s);
    ForFourComplex(z, count, [&](__m256d& a, __m256d& b) {
        const __m256d modulus = _mm256_mul_pd(scale, Sleef_expd4_u10avx2(_mm256_mul_pd(l, _mm256_sub_pd(a, one))));
        Polar(modulus, _mm256_mul_pd(l, b), a, b);
    });
}

void ScaledNegBinPgf(double* z, std::size_t count, double p, double r, double s) {
    const __m256d P = _mm256_set1_pd(p), Q = _mm256_set1_pd(1.0 - p), R = _mm256_set1_pd(r);
    const __m256d one = _mm256_set1_pd(1.0), half = _mm256_set1_pd(0.5), scale = _mm256_set1_pd(s);
    ForFourComplex(z, count, [&](__m256d& a, __m256d& b) {
        const __m256d d = _mm256_sub_pd(one, _mm256_mul_pd(Q, a)), qb = _mm256_mul_pd(Q, b);
        const __m256d D = _mm256_add_pd(_mm256_mul_pd(d, d), _mm256_mul_pd(qb, qb));
        const __m256d wr = _mm256_div_pd(_mm256_mul_pd(P, d), D), wi = _mm256_div_pd(_mm256_mul_pd(P, qb), D);
        const __m256d logModulus2 = Sleef_logd4_u10avx2(_mm256_add_pd(_mm256_mul_pd(wr, wr), _mm256_mul_pd(wi, wi)));
        const __m256d modulus = _mm256_mul_pd(scale, Sleef_expd4_u10avx2(_mm256_mul_pd(_mm256_mul_pd(half, R), logModulus2)));
        Polar(modulus, _mm256_mul_pd(R, Sleef_atan2d4_u10avx2(wi, wr)), a, b);
    });
}

}  // namespace corvane::avx2
