#include "Corvane/numerics/frequency/freq_negbin.h"

#include <cmath>

#include "Corvane/numerics/require.h"

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
// the result is w^r = exp(r log w) on the principal branch, the real power when w is real.
std::complex<double> CNegBin::Pgf(std::complex<double> z) const {
    const double q = 1.0 - p_;
    const double a = z.real(), b = z.imag();
    if (b == 0.0) return std::pow(p_ / (1.0 - q * a), r_);
    const double d = 1.0 - q * a;
    const double D = d * d + q * q * b * b;
    const std::complex<double> w(p_ * d / D, p_ * q * b / D);
    return std::exp(r_ * std::log(w));
}

}  // namespace freqdist
