// Coarsening: every bucket of the fine grid goes to the nearest bucket of the coarse one.
#include <stdexcept>
#include <string>

#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/require.h"

namespace corvane {

// m output buckets of r = num/m input buckets each, h = r/2. Output j stands for the amount j r u
// and collects the inputs j r - h ... j r + h; for even r the two inputs at the ends lie half-way
// between two outputs and are split in halves. Output 0 starts at input 0 and output m - 1 also
// takes everything above it, so the outputs sum to the inputs' total.
CEmpDist CEmpDist::Coarsen(std::int32_t numL2) const {
    const std::size_t m = GridSizeFromL2(numL2);
    if (num() < m) throw std::runtime_error("Cannot interpolate...");
    if (num() == m) return *this;
    if (num() % m != 0)
        throw InvalidArgument("cannot coarsen " + std::to_string(num()) + " buckets to " + std::to_string(m));
    const std::size_t r = num() / m;
    CEmpDist coarse(m);
    coarse.SetUnit(static_cast<double>(r) * unit_);
    const double* in = data_.data();
    double* out = coarse.data_.data();
    if (m == 1) {
        for (std::size_t i = 0; i < num(); ++i) out[0] += in[i];
        return coarse;
    }
    const std::size_t h = r / 2;
    const double edge = r % 2 == 0 ? 0.5 : 1.0;
    for (std::size_t i = 0; i < h; ++i) out[0] += in[i];
    out[0] += edge * in[h];
    for (std::size_t j = 1; j + 1 < m; ++j) {
        const std::size_t lo = j * r - h, hi = j * r + h;
        double s = edge * in[lo];
        for (std::size_t i = lo + 1; i < hi; ++i) s += in[i];
        out[j] = s + edge * in[hi];
    }
    const std::size_t lo = (m - 1) * r - h;
    double s = edge * in[lo];
    for (std::size_t i = lo + 1; i < num(); ++i) s += in[i];
    out[m - 1] = s;
    return coarse;
}

}  // namespace corvane
