#include "Corvane/numerics/triangle/trg_bootstrap.h"

#include <cmath>
#include <cstdio>

#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/grid/savgol.h"
#include "Corvane/numerics/require.h"
#include "Corvane/numerics/triangle/factor_store.h"

namespace corvane {

namespace {

constexpr std::int32_t kMaxDenSizeL2 = 30;

void TraceFactors(std::span<const double> factors, TraceSink trace) {
    if (!trace) return;
    char line[64];
    for (double f : factors) {
        std::snprintf(line, sizeof line, "%f", f);
        trace(line);
    }
}

void TraceStore(std::span<const double> store, TraceSink trace) {
    if (!trace) return;
    char line[80];
    for (std::size_t i = 0; i < store.size(); ++i) {
        std::snprintf(line, sizeof line, "%zu\t%f", i, store[i]);
        trace(line);
    }
}

}  // namespace

void RequireBootstrapArguments(const BootstrapArguments& args) {
    RequireAtLeast(args.nYears, 1, "nYears");
    RequireWithin(args.firstBSYear, 1, args.nYears - 1, false, "firstBSYear");
    RequireAtLeast(args.nResamp, 1, "nResamp");
    RequireWithin(args.denSizeL2, 0, kMaxDenSizeL2, false, "denSizeL2");
    RequirePositive(args.xmaxpad, "xmaxpad");
    RequireNonNegative(args.forward, "forward");
    if (args.forward > 0) RequireWithin(args.order, 0, 2.0 * args.forward, false, "order");
}

// One pass per step over the resample; the draw's index comes from a division-free remainder.
std::vector<double> ResampleFactorProducts(std::span<const double> store, std::size_t nYears, std::size_t s,
                                           std::size_t nResamp, CCrtRandom& rng, TraceSink trace) {
    std::vector<double> resample(nResamp);
    double* x = resample.data();
    for (std::size_t t = s; t < nYears; ++t) {
        const std::span<const double> factors = StepFactors(store, nYears, t);
        TraceFactors(factors, trace);
        const double* f = factors.data();
        const CDrawModulus mod(factors.size());
        if (t == s) {
            for (std::size_t r = 0; r < nResamp; ++r) x[r] = f[mod(rng.Next())];
        } else {
            for (std::size_t r = 0; r < nResamp; ++r) x[r] *= f[mod(rng.Next())];
        }
    }
    return resample;
}

CEmpDist ProductHistogram(std::span<const double> products, double xmaxpad, std::int32_t denSizeL2) {
    const std::size_t n = GridSizeFromL2(denSizeL2);
    double M = 0.0, lowest = 0.0;
    for (double x : products) {
        Require(std::isfinite(x), "varTrg: a product of development factors is not finite");
        if (x > M) M = x;
        if (x < lowest) lowest = x;
    }
    const double unit = M * xmaxpad / static_cast<double>(n);
    Require(lowest >= 0.0 || (M > 0.0 && std::floor(lowest / unit + 0.5) >= 0.0),
            "varTrg: a negative product of development factors falls below the histogram");
    Require(M > 0.0, "varTrg: every product of development factors is 0");
    Require(unit > 0.0 && std::isfinite(unit), "xmaxpad gives a bucket width that is not a positive finite number");
    Require(std::floor(M / unit + 0.5) < static_cast<double>(n),
            "xmaxpad is too small: the largest product falls outside the histogram");
    return CEmpDist::FromSample(products, denSizeL2, unit);
}

CEmpDist TrgBootstrap(std::span<const double> C, const BootstrapArguments& args, TraceSink trace) {
    RequireBootstrapArguments(args);
    const auto nYears = static_cast<std::size_t>(args.nYears);
    const std::vector<double> store = FactorStore(C, nYears);
    TraceStore(store, trace);
    CCrtRandom rng(ThreadCrtState());
    const std::vector<double> products =
        ResampleFactorProducts(store, nYears, static_cast<std::size_t>(args.firstBSYear),
                               static_cast<std::size_t>(args.nResamp), rng, trace);
    ThreadCrtState() = rng.state();
    CEmpDist density = ProductHistogram(products, args.xmaxpad, args.denSizeL2);
    if (args.forward != 0) SavgolSmooth(density.values(), args.forward, args.order);
    return density;
}

}  // namespace corvane
