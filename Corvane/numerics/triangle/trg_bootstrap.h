// The bootstrap of a loss-development triangle into the distribution of the cumulative
// development factor from one development period to the last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/triangle/crt_random.h"

namespace corvane {

struct BootstrapArguments {
    std::int32_t nYears;
    std::int32_t firstBSYear;  // the first development step resampled, 1 ... nYears - 1
    std::int32_t forward;      // Savitzky-Golay window on each side; 0 for no smoothing
    std::int32_t order;        // Savitzky-Golay polynomial degree
    double xmaxpad;            // the histogram reaches xmaxpad times the largest product
    std::int32_t nResamp;
    std::int32_t denSizeL2;    // 2^denSizeL2 buckets
};

// Where the diagnostic lines go; null for nowhere.
using TraceSink = void (*)(std::string_view line);

// The arguments that can be checked before the triangle is read: nYears >= 1,
// 1 <= firstBSYear <= nYears - 1, nResamp >= 1, denSizeL2 in 0 ... 30, a positive finite
// xmaxpad, forward >= 0 and, when smoothing, an order in 0 ... 2 forward (a window of
// 2 forward + 1 points determines a polynomial of at most that degree). Each failure is an
// invalid argument naming the argument.
void RequireBootstrapArguments(const BootstrapArguments& args);

// Products of resampled factors: resample[r] is the product over steps t = s ... nYears - 1 of
// factor number (R mod (nYears - t)) of step t, R the generator's next draw. Every draw of one step
// comes before the draws of the next. The factors of each step are traced as "%f".
std::vector<double> ResampleFactorProducts(std::span<const double> store, std::size_t nYears, std::size_t s,
                                           std::size_t nResamp, CCrtRandom& rng, TraceSink trace);

// The histogram of the products on 2^denSizeL2 buckets of width unit = M xmaxpad / 2^denSizeL2,
// M the largest of 0 and the products: bucket trunc(x / unit + 1/2) collects 1/nResamp per
// product. Fails (invalid argument) when M is 0 or not finite (naming varTrg), when a product is
// negative enough to fall below bucket 0 (varTrg), or when M falls beyond the last bucket (xmaxpad).
CEmpDist ProductHistogram(std::span<const double> products, double xmaxpad, std::int32_t denSizeL2);

// The whole bootstrap of the column-major triangle C (C(a, k) at a + nYears k) with the calling
// thread's generator: the factor store (traced as "%d\t%f" per index), the products, their
// histogram, smoothed in place by Savitzky-Golay (forward, order) when forward is not 0. The
// generator state moves on by the draws even when the histogram then fails.
CEmpDist TrgBootstrap(std::span<const double> C, const BootstrapArguments& args, TraceSink trace);

}  // namespace corvane
