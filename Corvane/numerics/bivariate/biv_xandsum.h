// The joint density of (X, X + Y) for independent X and Y.
#pragma once

#include <span>

namespace corvane {

// n = pX.size() = pY.size(); p (n x n) receives p(x, (x + y) mod n) = p_X(x) p_Y(y) and 0
// elsewhere: the sum wraps modulo n, as a circular convolution on the grid would.
// Fails with an invalid argument unless pX, pY and the grid are square of the same n.
void XAndSumDensity(std::span<const double> pX, std::span<const double> pY, std::span<double> p);

}  // namespace corvane
