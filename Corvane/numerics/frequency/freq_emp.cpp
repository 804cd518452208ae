#include "Corvane/numerics/frequency/freq_emp.h"

#include "Corvane/numerics/require.h"

namespace freqdist {

CFreqEmp::CFreqEmp(std::span<const double> p) : p_(p.begin(), p.end()) {
    corvane::RequireDensity(p, "Empirical claim count probability");
}

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
std::complex<double> CFreqEmp::Pgf(std::complex<double> z) const {
    std::complex<double> s = p_.back();
    for (std::size_t k = p_.size() - 1; k-- > 0;) s = s * z + p_[k];
    return s;
}

}  // namespace freqdist
