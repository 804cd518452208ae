#include "Corvane/numerics/severity/sev_pareto.h"

#include <cmath>
#include <stdexcept>

#include "Corvane/numerics/require.h"

namespace corvane {
namespace {

// (exp(c r) - 1)/c, and r at c = 0.
double ExpDifferenceQuotient(double c, double r) { return c == 0 ? r : std::expm1(c * r) / c; }

}  // namespace

CPareto::CPareto(std::span<const double> values) {
    if (values.size() != 2) throw std::runtime_error("Insufficient Parameters");
    alpha_ = values[0];
    theta_ = values[1];
    RequirePositive(alpha_, "Pareto alpha");
    RequirePositive(theta_, "Pareto theta");
}

double CPareto::Survival(double x) const { return std::pow(theta_ / (theta_ + x), alpha_); }

double CPareto::CDF(double x) const { return 1 - Survival(x); }

MomentTriple CPareto::LayerMoments(double layer, double attach, double /*share*/) const {
    const double z0 = theta_ + attach;
    const double r = std::log1p(layer / z0);  // ln(z1/z0)
    const double E1 = ExpDifferenceQuotient(1 - alpha_, r);
    const double E2 = ExpDifferenceQuotient(2 - alpha_, r);
    const double E3 = ExpDifferenceQuotient(3 - alpha_, r);
    return {z0 * E1, 2 * z0 * z0 * (E2 - E1), 3 * z0 * z0 * z0 * (E3 - 2 * E2 + E1)};
}

}  // namespace corvane
