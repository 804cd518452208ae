#include "Corvane/numerics/frequency/freq_negbin.h"

#include <cmath>

#include "Corvane/numerics/require.h"
#include "Corvane/numerics/special/vector_math.h"

namespace freqdist {

CNegBin::CNegBin(double mean, double vm) {
    corvane::RequireNonNegative(mean, "Negative binomial mean");
    corvane::RequireFinite(vm, "Negative binomial variance/mean");
    corvane::Require(vm > 1.0, "Negative binomial variance/mean must be > 1, got " + corvane::FormatValue(vm));
    p_ = 1.0 / vm;
    r_ = mean / (vm - 1.0);
}

// With q = 1 - p: E N = rq/p, E N^2 = (r^2 q^2 + rq)/p^2, E N^3 = (r^3 q^3 + 3 r^2 q^2 + rq(1 + q))/p^3.
std::array<double, 3> CNegBin::Moments() const {
    const double r = r_, p = p_, q = 1.0 - p_;
    const double rq = r * q;
    return {rq / p, (rq * rq + rq) / (p * p), (rq * rq * rq + 3.0 * rq * rq + rq * (1.0 + q)) / (p * p * p)};
}

// z = a + ib: p / (1 - q z) = w with d = 1 - q a, D = d^2 + q^2 b^2, w = p d / D + i p q b / D;
// the result is w^r = exp(r log w) on the principal branch, the real power when w is real. With
// log w = log|w| + i arg w it is |w|^r (cos(r arg w) + i sin(r arg w)), |w|^r = exp(r/2 log |w|^2):
// real functions only, which cost a fraction of the complex logarithm and exponential.
std::complex<double> CNegBin::Pgf(std::complex<double> z) const {
    const double q = 1.0 - p_;
    const double a = z.real(), b = z.imag();
    if (b == 0.0) return std::pow(p_ / (1.0 - q * a), r_);
    const double d = 1.0 - q * a;
    const double D = d * d + q * q * b * b;
    const double wr = p_ * d / D, wi = p_ * q * b / D;
    const double modulus = std::exp(0.5 * r_ * std::log(wr * wr + wi * wi));
    const double angle = r_ * std::atan2(wi, wr);
    return {modulus * std::cos(angle), modulus * std::sin(angle)};
}

void CNegBin::ScaledPgfInPlace(std::span<std::complex<double>> z, double scale) const {
    corvane::ScaledNegBinPgfInPlace(z, p_, r_, scale);
}

}  // namespace freqdist
