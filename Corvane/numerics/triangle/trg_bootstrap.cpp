#include "Corvane/numerics/triangle/trg_bootstrap.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/grid/savgol.h"
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
    if (args.nYears < 1) throw std::invalid_argument("nYears must be at least 1");
    if (args.firstBSYear < 1 || args.firstBSYear > args.nYears - 1)
        throw std::invalid_argument("firstBSYear must lie in 1 ... nYears - 1 (" + std::to_string(args.nYears - 1) +
                                    ")");
    if (args.nResamp < 1) throw std::invalid_argument("nResamp must be at least 1");
    if (args.denSizeL2 < 0 || args.denSizeL2 > kMaxDenSizeL2)
        throw std::invalid_argument("denSizeL2 must lie in 0 ... " + std::to_string(kMaxDenSizeL2));
    if (!(args.xmaxpad > 0.0) || !std::isfinite(args.xmaxpad))
        throw std::invalid_argument("xmaxpad must be a positive finite number");
    if (args.forward < 0) throw std::invalid_argument("forward must be at least 0");
    if (args.forward > 0 && (args.order < 0 || args.order > 2 * args.forward))
        throw std::invalid_argument("order must lie in 0 ... 2 forward (" + std::to_string(2 * args.forward) + ")");
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
        if (!std::isfinite(x)) throw std::invalid_argument("varTrg: a product of development factors is not finite");
        if (x > M) M = x;
        if (x < lowest) lowest = x;
    }
    const double unit = M * xmaxpad / static_cast<double>(n);
    if (lowest < 0.0 && (M == 0.0 || std::floor(lowest / unit + 0.5) < 0.0))
        throw std::invalid_argument("varTrg: a negative product of development factors falls below the histogram");
    if (M == 0.0) throw std::invalid_argument("varTrg: every product of development factors is 0");
    if (!(unit > 0.0) || !std::isfinite(unit))
        throw std::invalid_argument("xmaxpad gives a bucket width that is not a positive finite number");
    if (!(std::floor(M / unit + 0.5) < static_cast<double>(n)))
        throw std::invalid_argument("xmaxpad is too small: the largest product falls outside the histogram");
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
