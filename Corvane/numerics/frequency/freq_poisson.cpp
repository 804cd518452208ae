#include "Corvane/numerics/frequency/freq_poisson.h"

#include <cmath>

#include "Corvane/numerics/require.h"
#include "Corvane/numerics/special/vector_math.h"

namespace freqdist {

CPoisson::CPoisson(double lambda) : lambda_(lambda) { corvane::RequireNonNegative(lambda, "Poisson mean"); }

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

void CPoisson::ScaledPgfInPlace(std::span<std::complex<double>> z, double scale) const {
    corvane::ScaledPoissonPgfInPlace(z, lambda_, scale);
}

}  // namespace freqdist
