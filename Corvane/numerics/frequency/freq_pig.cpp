#include "Corvane/numerics/frequency/freq_pig.h"

#include <cmath>

#include "Corvane/numerics/frequency/freq_transform.h"

namespace freqdist {

std::vector<double> CPIG::GetParams() const { return {mu_, beta_}; }

void CPIG::SetParams(std::span<const double> v) {
    RequireParams(v, 2, "Poisson inverse-Gaussian");
    mu_ = v[0];
    beta_ = v[1];
}

std::u16string_view CPIG::Name() const { return u"Poisson Inverse-Gaussian (mu, beta)"; }

// E N = mu, E N^2 = mu(mu + beta + 1), E N^3 = mu^3 + 3 mu^2 (beta + 1) + 3 mu beta (beta + 1) + mu.
std::array<double, 3> CPIG::Moments() const {
    const double m = mu_, b = beta_;
    return {m, m * (m + b + 1.0), m * m * m + 3.0 * m * m * (b + 1.0) + 3.0 * m * b * (b + 1.0) + m};
}

// z = a + ib: w = 1 + 2 beta (1 - z) = (1 + 2 beta (1 - a)) - i 2 beta b, and
// P(z) = exp(-(mu/beta) (sqrt(w) - 1)) with the principal square root.
std::complex<double> CPIG::Pgf(std::complex<double> z) const {
    const std::complex<double> w(1.0 + 2.0 * beta_ * (1.0 - z.real()), -2.0 * beta_ * z.imag());
    return std::exp((-mu_ / beta_) * (std::sqrt(w) - 1.0));
}

double CPIG::Pgf(double t) const {
    return std::exp(-(mu_ / beta_) * (std::sqrt(1.0 + 2.0 * beta_ * (1.0 - t)) - 1.0));
}

void CPIG::ApplyPGF(double* x, std::size_t n) const {
    if (n == 0) return;
    x[0] = 1.0;
    if (HasNyquist(n)) x[n / 2] = Pgf(x[n / 2]);
    ApplyToComplexPositions(x, n, [this](std::complex<double> z) { return Pgf(z); });
}

void CPIG::ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const {
    ApplyToTransform2D(data, rows, cols, [this](std::complex<double> z) { return Pgf(z); });
}

bool CPIG::NeedsTransform() const { return true; }

}  // namespace freqdist
