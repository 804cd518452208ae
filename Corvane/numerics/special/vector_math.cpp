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

void ScaledNegBinPgfInPlace(std::span<std::complex<double>> z, double p, double r, double s) {
    if (HasAvx2()) return avx2::ScaledNegBinPgf(reinterpret_cast<double*>(z.data()), z.size(), p, r, s);
    const double q = 1.0 - p;
    for (std::complex<double>& v : z) {
        const double d = 1.0 - q * v.real(), D = d * d + q * q * v.imag() * v.imag();
        const double wr = p * d / D, wi = p * q * v.imag() / D;
        const double modulus = s * std::exp(0.5 * r * std::log(wr * wr + wi * wi)), angle = r * std::atan2(wi, wr);
        v = {modulus * std::cos(angle), modulus * std::sin(angle)};
    }
}

}  // namespace corvane
