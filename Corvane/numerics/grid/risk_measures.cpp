#include "Corvane/numerics/grid/risk_measures.h"

#include <algorithm>
#include <cmath>

#include "Corvane/numerics/require.h"

namespace corvane {
namespace {

double TotalMass(const CEmpDist& grid) {
    double M = 0;
    for (const double p : grid.values()) M += p;
    Require(M > 0, "A distribution with no mass has no risk measures");
    return M;
}

void RequireLevel(double p, bool upperOpen) {
    RequireWithin(p, 0.0, 1.0, upperOpen, upperOpen ? "The tail level p" : "The probability level p");
}

// sum p_k g(k unit) / M.
template <class G>
double Expectation(const CEmpDist& grid, G g) {
    const auto p = grid.values();
    const double u = grid.unit();
    double s = 0;
    for (std::size_t k = 0; k < p.size(); ++k) s += p[k] * g(static_cast<double>(k) * u);
    return s / TotalMass(grid);
}

// The bucket of the lower quantile at level p.
std::size_t QuantileBucket(const CEmpDist& grid, double p) {
    const auto d = grid.values();
    const double target = p * TotalMass(grid);
    double F = 0;
    for (std::size_t k = 0; k < d.size(); ++k) {
        F += d[k];
        if (F >= target) return k;
    }
    return d.empty() ? 0 : d.size() - 1;
}

}  // namespace

double GridCDF(const CEmpDist& grid, double x) {
    RequireFinite(x, "The amount x");
    return Expectation(grid, [x](double s) { return s <= x ? 1.0 : 0.0; });
}

double GridQuantile(const CEmpDist& grid, double p) {
    RequireLevel(p, false);
    return static_cast<double>(QuantileBucket(grid, p)) * grid.unit();
}

double GridTVaR(const CEmpDist& grid, double p) {
    RequireLevel(p, true);
    const std::size_t q = QuantileBucket(grid, p);
    const double v = static_cast<double>(q) * grid.unit();
    const double M = TotalMass(grid);
    const auto d = grid.values();
    double tail = 0, F = 0;
    for (std::size_t k = 0; k < d.size(); ++k) {
        if (k <= q) F += d[k];
        else tail += d[k] * static_cast<double>(k) * grid.unit();
    }
    return (tail / M + v * (F / M - p)) / (1 - p);
}

double GridLEV(const CEmpDist& grid, double x) {
    RequireFinite(x, "The amount x");
    return Expectation(grid, [x](double s) { return std::min(s, x); });
}

double GridExcessMean(const CEmpDist& grid, double x) {
    RequireFinite(x, "The amount x");
    return Expectation(grid, [x](double s) { return std::max(s - x, 0.0); });
}

std::array<double, 4> GridStats(const CEmpDist& grid) {
    const double mean = Expectation(grid, [](double s) { return s; });
    const double var = Expectation(grid, [mean](double s) { return (s - mean) * (s - mean); });
    const double third = Expectation(grid, [mean](double s) { return (s - mean) * (s - mean) * (s - mean); });
    const double sd = std::sqrt(var);
    return {mean, sd, sd / mean, third / (sd * sd * sd)};
}

}  // namespace corvane
