// What an excess-of-loss layer pays on a joint distribution of loss X and expense (ALAE) Y.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace corvane {

// p (n x n, element (x, y) at x*n + y, both on buckets of width u) is the joint density of the
// loss x*u and the expense y*u. The result is the density of the layer's payment on n buckets of
// width u, by alaeType aT:
//   alaeIncluded: the layer (attachment attach, limit layer) applies to X + Y: the ceded part
//                 of DiagonalGrid(p), bucket k standing for the amount (k + 1/2) u at its upper edge;
//   alaeProRata:  the layer applies to X and pays the same proportion of the expense: for a loss
//                 l = x*u with layer part c = min(max(l - attach, 0), layer), cell (x, y) pays
//                 t = c (y*u/l + 1), added to bucket min(trunc(t/u + 1/2), n - 1); row x = 0 pays 0.
// With nThreads >= 2 the rows n/2 .. n-1 of the pro-rata sum run on a second thread, joined before
// return; the result does not depend on nThreads. Fails with an invalid argument unless
// nx = ny, unitX = unitY > 0, attach >= 0 and layer >= 0, or for any other aT.
std::vector<double> LossALAE(std::span<const double> p, std::size_t nx, std::size_t ny, double unitX, double unitY,
                             std::int32_t aT, double layer, double attach, std::int32_t nThreads);

}  // namespace corvane
