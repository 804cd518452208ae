#include "Corvane/numerics/frequency/freq_negbin.h"

#include <cmath>

#include "Corvane/numerics/frequency/freq_transform.h"

namespace freqdist {

std::vector<double> CNegBin::GetParams() const { return {r_, p_}; }

void CNegBin::SetParams(std::span<const double> v) {
    RequireParams(v, 2, "Negative binomial");
    const double mean = v[0];
    const double vm = v[1];
    p_ = 1.0 / vm;
    r_ = mean / (vm - 1.0);
}

std::u16string_view CNegBin::Name() const { return u"Negative Binomial (r, p)"; }

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
    const double d = 1.0 - q * a;
    const double D = d * d + q * q * b * b;
    const std::complex<double> w(p_ * d / D, p_ * q * b / D);
    if (w.imag() == 0.0) return std::pow(w.real(), r_);
    return std::exp(r_ * std::log(w));
}

double CNegBin::Pgf(double t) const { return std::pow(p_ / (1.0 - (1.0 - p_) * t), r_); }

void CNegBin::ApplyPGF(double* x, std::size_t n) const {
    if (n == 0) return;
    x[0] = 1.0;
    if (HasNyquist(n)) x[n / 2] = Pgf(x[n / 2]);
    ApplyToComplexPositions(x, n, [this](std::complex<double> z) { return Pgf(z); });
}

void CNegBin::ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const {
    ApplyToTransform2D(data, rows, cols, [this](std::complex<double> z) { return Pgf(z); });
}

bool CNegBin::NeedsTransform() const { return true; }

}  // namespace freqdist
