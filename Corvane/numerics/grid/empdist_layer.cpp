// The net and ceded distributions of an excess-of-loss layer L xs A, read off the grid.
#include <stdexcept>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/grid/grid_checks.h"

namespace corvane {

// Bucket k has the upper edge e_k = (k + 1/2) u (u/2 plus k additions of u). With a buckets below
// A and l buckets in the band A <= e_k < A + L:
//   net   (min(X, A) + max(X - A - L, 0)): below -> k, band -> a, above -> k - l;
//   ceded (min(max(X - A, 0), L)):         below -> 0, band -> k - a, above -> l.
// The edges increase with k, so the buckets below, in and above the band come in that order.
CEmpDist CEmpDist::ApplyLayer(double layer, double attach, double share, std::int32_t ncg) const {
    if (ncg == rGross) return *this;
    if (ncg != rNet && ncg != rCeded) throw std::runtime_error("Wrong input");
    if (share != 1.0) throw std::runtime_error("Partial shares NYI");
    RequireBucketWidth(unit_);
    const double A = attach, top = attach + layer;
    std::size_t a = 0, l = 0;
    double e = 0.5 * unit_;
    for (std::size_t k = 0; k < num(); ++k, e += unit_) {
        if (e < A)
            ++a;
        else if (e < top)
            ++l;
    }
    CEmpDist out(num());
    out.SetUnit(unit_);
    const bool net = ncg == rNet;
    for (std::size_t k = 0; k < num(); ++k) {
        std::size_t to;
        if (k < a)
            to = net ? k : 0;
        else if (k < a + l)
            to = net ? a : k - a;
        else
            to = net ? k - l : l;
        out.data_[to] += data_[k];
    }
    return out;
}

}  // namespace corvane
