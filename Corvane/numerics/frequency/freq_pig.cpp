#include "Corvane/numerics/frequency/freq_pig.h"

#include <cmath>

#include "Corvane/numerics/require.h"

namespace freqdist {

CPIG::CPIG(double mu, double beta) : mu_(mu), beta_(beta) {
    corvane::RequireNonNegative(mu, "Poisson inverse-Gaussian mean");
    corvane::RequirePositive(beta, "Poisson inverse-Gaussian beta");
}

// E N = mu, E N^2 = mu(mu + beta + 1), E N^3 = mu^3 + 3 mu^2 (beta + 1) + 3 mu beta (beta + 1) + mu.
std::array<double, 3> CPIG::Moments() const {
    const double m = mu_, b = beta_;
    return {m, m * (m + b + 1.0), m * m * m + 3.0 * m * m * (b + 1.0) + 3.0 * m * b * (b + 1.0) + m};
}

// z = a + ib: w = 1 + 2 beta (1 - z) = (1 + 2 beta (1 - a)) - i 2 beta b, and
// P(z) = exp(-(mu/beta) (sqrt(w) - 1)) with the principal square root.
std::complex<double> CPIG::Pgf(std::complex<double> z) const {
    if (z.imag() == 0.0) return std::exp(-(mu_ / beta_) * (std::sqrt(1.0 + 2.0 * beta_ * (1.0 - z.real())) - 1.0));
    const std::complex<double> w(1.0 + 2.0 * beta_ * (1.0 - z.real()), -2.0 * beta_ * z.imag());
    return std::exp((-mu_ / beta_) * (std::sqrt(w) - 1.0));
}

}  // namespace freqdist
