// The joint density of a gross loss split by an excess-of-loss layer into its retained (net) and
// ceded parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvane {

// pX is the gross density on nx = pX.size() buckets of width u = unitX. With a = trunc(A/u),
// e = trunc((A + L)/u) and l = e - a, gross bucket i splits into
//   net(i)   = i (i < a),  a (a <= i < e),      i - l (i >= e)
//   ceded(i) = 0 (i < a),  i - a (a <= i < e),  l (i >= e)
// and p(x, y) (nx x ny, element (x, y) at x*ny + y) receives p_X(i) at
//   bvGrossNet (x, y) = (i, net(i)),  bvGrossCeded (i, ceded(i)),  bvNetCeded (net(i), ceded(i));
// every other cell is 0. Fails with an invalid argument, before p is written, for any other
// code, a share s other than exactly 1, unitX != unitY, a layer that does not lie within the grid
// (a < 0, e < a or e > nx, or not finite), ny too small for the second coordinate, or a p of the
// wrong size.
void NetCededDensity(std::int32_t dep, double L, double A, double s, std::span<const double> pX, double unitX,
                     double unitY, std::size_t ny, std::span<double> p);

}  // namespace corvane
