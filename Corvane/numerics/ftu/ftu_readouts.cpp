#include "Corvane/numerics/ftu/ftu_readouts.h"

#include <cmath>
#include <stdexcept>

namespace corvane {

std::vector<double> RowSums(const FTUGrid& g) {
    std::vector<double> out(g.num, 0.0);
    for (std::size_t r = 0; r < g.num; ++r)
        for (std::size_t c = 0; c < g.num; ++c) out[r] += g(r, c);
    return out;
}

std::vector<double> ColumnSums(const FTUGrid& g) {
    std::vector<double> out(g.num, 0.0);
    for (std::size_t r = 0; r < g.num; ++r)
        for (std::size_t c = 0; c < g.num; ++c) out[c] += g(r, c);
    return out;
}

std::vector<double> ConditionalSlice(const FTUGrid& g, double obsLoss, double unitY) {
    const double at = obsLoss / unitY + 0.5;
    if (!(at >= 0.0 && at < static_cast<double>(g.num)))
        throw std::invalid_argument("obsLoss must round to a column of the grid (0 to num - 1 times unitY)");
    const auto c = static_cast<std::size_t>(at);
    std::vector<double> out(g.num);
    double mass = 0.0;
    for (std::size_t r = 0; r < g.num; ++r) mass += out[r] = g(r, c);
    if (!(mass > 0.0) || !std::isfinite(mass))
        throw std::invalid_argument("obsLoss falls on a column of the grid without probability");
    const double scale = 1.0 / mass;
    for (double& p : out) p *= scale;
    return out;
}

std::array<double, 6> GridCorrelation(const FTUGrid& g, double unitX, double unitY) {
    double Sx = 0.0, Sy = 0.0, Sxx = 0.0, Syy = 0.0, Sxy = 0.0;
    for (std::size_t r = 0; r < g.num; ++r) {
        const double x = static_cast<double>(r) * unitX;
        double row = 0.0, rowY = 0.0, rowYY = 0.0;
        for (std::size_t c = 0; c < g.num; ++c) {
            const double y = static_cast<double>(c) * unitY, p = g(r, c);
            row += p;
            rowY += y * p;
            rowYY += y * y * p;
        }
        Sx += x * row;
        Sxx += x * x * row;
        Sy += rowY;
        Syy += rowYY;
        Sxy += x * rowY;
    }
    const double varX = Sxx - Sx * Sx, varY = Syy - Sy * Sy, cov = Sxy - Sx * Sy;
    return {cov / std::sqrt(varX * varY), Sx, Sy, varX, varY, cov};
}

}  // namespace corvane
