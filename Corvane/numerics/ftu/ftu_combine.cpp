#include "Corvane/numerics/ftu/ftu_combine.h"

namespace corvane {

// (a0 + i a1)(b0 + i b1) = (a0 b0 - a1 b1) + i (a0 b1 + a1 b0); both factors are read before the
// product is written, so the two arrays may be one.
void MultiplyTransforms(const FTUGrid& g, const double* other) {
    const std::size_t count = g.TransformSize();
    for (std::size_t k = 0; k < count; ++k) {
        const double a0 = g.data[2 * k], a1 = g.data[2 * k + 1];
        const double b0 = other[2 * k], b1 = other[2 * k + 1];
        g.data[2 * k] = a0 * b0 - a1 * b1;
        g.data[2 * k + 1] = a0 * b1 + a1 * b0;
    }
}

void MixCells(const FTUGrid& g, const double* other, double wtThis, double wtOther) {
    for (std::size_t r = 0; r < g.num; ++r) {
        double* row = &g(r, 0);
        const double* theirs = other + r * g.stride();
        for (std::size_t c = 0; c < g.num; ++c) row[c] = wtThis * row[c] + wtOther * theirs[c];
    }
}

}  // namespace corvane
