#include "Corvane/numerics/ftu/ftu_ratio.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace corvane {

double RatioWidth(double maxRatio, std::size_t num, const char* argument) {
    if (!std::isfinite(maxRatio) || maxRatio <= 0.0)
        throw std::invalid_argument(std::string(argument) + " must be a finite ratio above 0");
    if (num < 2) throw std::invalid_argument("a ratio distribution needs a grid of at least 2 x 2");
    return maxRatio / static_cast<double>(num - 1);
}

std::size_t RatioBucket(std::size_t r, std::size_t c, double w, std::size_t num) {
    const double k = (static_cast<double>(r) / static_cast<double>(c)) / w + 0.5;
    return k >= static_cast<double>(num) ? num - 1 : static_cast<std::size_t>(k);
}

namespace {

// Calls put(r, k, p) for every positive cell below row 0 with its ratio bucket.
template <class Put>
void ForEachRatioCell(const FTUGrid& g, double w, Put put) {
    for (std::size_t r = 1; r < g.num; ++r) {
        if (g(r, 0) > 0.0) put(r, g.num - 1, g(r, 0));
        for (std::size_t c = 1; c < g.num; ++c)
            if (g(r, c) > 0.0) put(r, RatioBucket(r, c, w, g.num), g(r, c));
    }
}

double RowZeroMass(const FTUGrid& g) {
    double s = 0.0;
    for (std::size_t c = 0; c < g.num; ++c) s += g(0, c);
    return s;
}

}  // namespace

std::vector<double> RatioDistribution(const FTUGrid& g, double w) {
    std::vector<double> out(g.num, 0.0);
    out[0] += RowZeroMass(g);
    ForEachRatioCell(g, w, [&](std::size_t, std::size_t k, double p) { out[k] += p; });
    return out;
}

void RatioGrid(const FTUGrid& from, const FTUGrid& to, double w) {
    std::fill_n(to.data, to.size(), 0.0);
    to(0, 0) = RowZeroMass(from);
    ForEachRatioCell(from, w, [&](std::size_t r, std::size_t k, double p) { to(r, k) += p; });
}

}  // namespace corvane
