#include "Corvane/numerics/ftu/ftu_decimate.h"

namespace corvane {

namespace {

// The sum of the 2^k x 2^k block whose top-left cell is p, rows `stride` doubles apart.
long double QuarterSum(const double* p, std::size_t stride, int k) {
    if (k == 0) return p[0];
    const std::size_t h = std::size_t{1} << (k - 1);
    const long double topLeft = QuarterSum(p, stride, k - 1);
    const long double topRight = QuarterSum(p + h, stride, k - 1);
    const long double bottomLeft = QuarterSum(p + h * stride, stride, k - 1);
    const long double bottomRight = QuarterSum(p + h * stride + h, stride, k - 1);
    return ((topLeft + topRight) + bottomLeft) + bottomRight;
}

}  // namespace

FTUGrid DecimateGrid(const FTUGrid& g, int d) {
    const std::size_t f = std::size_t{1} << d;
    const FTUGrid coarse{g.data, g.num / f};
    for (std::size_t R = 0; R < coarse.num; ++R) {
        for (std::size_t C = 0; C < coarse.num; ++C)
            coarse(R, C) = static_cast<double>(QuarterSum(&g(R * f, C * f), g.stride(), d));
        coarse(R, coarse.num) = coarse(R, coarse.num + 1) = 0.0;
    }
    return coarse;
}

}  // namespace corvane
