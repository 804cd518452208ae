// Grids built from data: the histogram of a sample and the point masses of amount/probability pairs.
#include <cmath>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/require.h"

namespace corvane {

// Counts per bucket, walking the sample from x_m down to x_1; bucket k = count_k (1/m). The counts
// are kept in the grid itself (exact in doubles) and scaled at the end.
CEmpDist CEmpDist::FromSample(std::span<const double> x, std::int32_t numL2, double unit) {
    const std::size_t n = GridSizeFromL2(numL2);
    RequireBucketWidth(unit);
    if (x.empty()) throw InvalidArgument("a histogram needs at least one sample value");
    CEmpDist grid(n);
    grid.SetUnit(unit);
    for (std::size_t i = x.size(); i-- > 0;) grid.data_[NearestBucket(x[i], unit, n)] += 1.0;
    grid.Scale(1.0 / static_cast<double>(x.size()));
    return grid;
}

// Adds q_i to bucket trunc(x_i/u + 1/2) and to the total T, from the last point to the first;
// a total other than exactly 1 is scaled to 1.
CEmpDist CEmpDist::FromPoints(std::span<const double> x, std::span<const double> q, std::int32_t numL2,
                              double unit) {
    const std::size_t n = GridSizeFromL2(numL2);
    RequireBucketWidth(unit);
    if (x.size() != q.size()) throw InvalidArgument("point masses need as many probabilities as amounts");
    CEmpDist grid(n);
    grid.SetUnit(unit);
    double T = 0.0;
    for (std::size_t i = 0; i < q.size(); ++i)
        if (!(q[i] >= 0.0) || std::isinf(q[i]))
            throw InvalidArgument("Point probability at index " + std::to_string(i) + " must be >= 0, got " +
                                  FormatValue(q[i]));
    for (std::size_t i = x.size(); i-- > 0;) {
        grid.data_[NearestBucket(x[i], unit, n)] += q[i];
        T += q[i];
    }
    if (T == 0.0) throw InvalidArgument("point masses whose probabilities sum to 0 cannot be normalised");
    if (T != 1.0) grid.Scale(1.0 / T);
    return grid;
}

}  // namespace corvane
