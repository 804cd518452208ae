#include "Corvane/numerics/frequency/freq_emp.h"

#include <stdexcept>

#include "Corvane/numerics/frequency/freq_transform.h"

namespace freqdist {

std::vector<double> CFreqEmp::GetParams() const { return p_; }

void CFreqEmp::SetParams(std::span<const double> v) {
    if (v.empty()) throw std::invalid_argument("Empirical claim count needs at least one probability");
    p_.assign(v.begin(), v.end());
}

std::u16string_view CFreqEmp::Name() const { return u"Empirical"; }

std::array<double, 3> CFreqEmp::Moments() const {
    std::array<double, 3> m{0.0, 0.0, 0.0};
    for (std::size_t k = 0; k < p_.size(); ++k) {
        const double kk = static_cast<double>(k);
        m[0] += kk * p_[k];
        m[1] += kk * kk * p_[k];
        m[2] += kk * kk * kk * p_[k];
    }
    return m;
}

// Horner: P(z) = p0 + z (p1 + z (p2 + ... + z pK)).
template <class T>
T CFreqEmp::Pgf(T z) const {
    if (p_.empty()) return T{};
    T s = p_.back();
    for (std::size_t k = p_.size() - 1; k-- > 0;) s = s * z + p_[k];
    return s;
}

void CFreqEmp::ApplyPGF(double* x, std::size_t n) const {
    if (n == 0) return;
    x[0] = Pgf(x[0]);
    if (HasNyquist(n)) x[n / 2] = Pgf(x[n / 2]);
    ApplyToComplexPositions(x, n, [this](std::complex<double> z) { return Pgf(z); });
}

void CFreqEmp::ApplyPGF2D(std::complex<double>* data, std::size_t rows, std::size_t cols) const {
    ApplyToTransform2D(data, rows, cols, [this](std::complex<double> z) { return Pgf(z); });
}

bool CFreqEmp::NeedsTransform() const { return true; }

}  // namespace freqdist
