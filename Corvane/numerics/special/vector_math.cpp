#include "Corvane/numerics/special/vector_math.h"

#include <cmath>

#include "Corvane/numerics/special/vector_math_avx2.h"

namespace corvane {

namespace {

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

}  // namespace

void ExpInPlace(std::span<double> x) {
    if (HasAvx2()) return avx2::Exp(x.data(), x.size());
    for (double& v : x) v = std::exp(v);
}

void PowInPlace(std::span<double> x, double y) {
    if (HasAvx2()) return avx2::Pow(x.data(), x.size(), y);
    for (double& v : x) v = std::pow(v, y);
}

void ScaledPoissonPgfInPlace(std::span<std::complex<double>> z, double lambda, double s) {
    if (HasAvx2()) return avx2::ScaledPoissonPgf(reinterpret_cast<double*>(z.data()), z.size(), lambda, s);
    for (std::complex<double>& w : z) {
        const double r = s * std::exp(lambda * (w.real() - 1.0));
        w = {r * std::cos(lambda * w.imag()), r * std::sin(lambda * w.imag())};
    }
}

}  // namespace corvane
