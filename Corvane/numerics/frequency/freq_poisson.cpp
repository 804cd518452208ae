#include "Corvane/numerics/frequency/freq_poisson.h"

#include <cmath>

#include "Corvane/numerics/frequency/freq_transform.h"

namespace freqdist {

std::vector<double> CPoisson::GetParams() const { return {lambda_}; }

void CPoisson::SetParams(std::span<const double> v) {
    RequireParams(v, 1, "Poisson");
    lambda_ = v[0];
}

std::u16string_view CPoisson::Name() const { return u"Poisson"; }

// E N = l, E N^2 = l(l + 1), E N^3 = l(l^2 + 3l + 1).
std::array<double, 3> CPoisson::Moments() const {
    const double l = lambda_;
    return {l, l * (l + 1.0), l * (l * l + 3.0 * l + 1.0)};
}

// z = a + ib: exp(lambda (z - 1)) = exp(lambda (a - 1)) (cos(lambda b) + i sin(lambda b)).
std::complex<double> CPoisson::Pgf(std::complex<double> z) const {
    const double s = std::exp(lambda_ * (z.real() - 1.0));
    return {s * std::cos(lambda_ * z.imag()), s * std::sin(lambda_ * z.imag())};
}

double CPoisson::Pgf(double t) const { return std::exp(lambda_ * (t - 1.0)); }

void CPoisson::ApplyPGF(double* x, std::size_t n) const {
    if (n == 0) return;
    x[0] = Pgf(x[0]);
    if (HasNyquist(n)) x[n / 2] = Pgf(x[n / 2]);
    ApplyToComplexPositions(x, n, [this](std::complex<double> z) { return Pgf(z); });
}

void CPoisson::ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const {
    ApplyToTransform2D(data, rows, cols, [this](std::complex<double> z) { return Pgf(z); });
}

bool CPoisson::NeedsTransform() const { return true; }

}  // namespace freqdist
