// Savitzky-Golay smoothing: each value is replaced by the value at its position of the
// least-squares polynomial of degree `order` fitted to the window of `forward` points on each side.
#pragma once

#include <span>

namespace corvane {

// Smooths y in place. Where the window would leave the array, the polynomial fitted to the nearest
// full window (the first or last 2 forward + 1 values) is evaluated instead. An array shorter than
// a window is fitted whole, with the degree lowered to at most y.size() - 1. A polynomial of
// degree <= order comes back unchanged. Negative parameters, and an order the window cannot
// determine (order >= 2 forward + 1), are invalid arguments.
void SavgolSmooth(std::span<double> y, int forward, int order);

}  // namespace corvane
