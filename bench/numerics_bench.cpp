// The numerics' hot paths on grids of 2^16 to 2^22 buckets:
//   build/bin/numerics_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <iterator>
#include <random>

#include "Corvane/numerics/aggregate/aggregate_builder.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/require.h"
#include "Corvane/numerics/frequency/freq_factory.h"
#include "Corvane/numerics/severity/sev_discretise.h"
#include "Corvane/numerics/severity/sev_family.h"
#include "Corvane/numerics/triangle/factor_store.h"
#include "Corvane/numerics/triangle/trg_bootstrap.h"

namespace {

using namespace corvane;

const double kMixture[] = {2000, 0.3, 10000, 0.3, 50000, 0.2, 250000, 0.15, 1000000, 0.05};

void ForwardFFT(benchmark::State& state) {
    const std::size_t n = std::size_t{1} << state.range(0);
    std::vector<double> x(n);
    std::mt19937 gen(1);
    for (double& v : x) v = std::uniform_real_distribution<>(0, 1)(gen);
    CEmpDist grid(std::move(x), 1.0);
    for (auto _ : state) benchmark::DoNotOptimize(grid.ForwardFFT());
}
BENCHMARK(ForwardFFT)->Arg(16)->Arg(20)->Arg(22)->Unit(benchmark::kMillisecond);

void DiscretiseMixedExponential(benchmark::State& state) {
    const int numL2 = static_cast<int>(state.range(0));
    SeverityFamily med = MakeSeverityFamily(svMED, kMixture);
    const double unit = 2e6 / std::ldexp(1.0, numL2);
    for (auto _ : state) benchmark::DoNotOptimize(DiscretiseGrid(*med, numL2, unit, 1e6, 0.0, 1.0));
}
BENCHMARK(DiscretiseMixedExponential)->Arg(16)->Arg(20)->Arg(22)->Unit(benchmark::kMillisecond);

void BuildPoissonAggregate(benchmark::State& state) {
    const std::int32_t numL2 = static_cast<std::int32_t>(state.range(0));
    const double lambda[] = {10.0};
    AggregateRequest r{fqPoisson, lambda, svMED, kMixture, 1e6, 0.0, 1.0, numL2, 4e7 / std::ldexp(1.0, numL2)};
    auto none = [](int) -> CurveRecord { throw std::logic_error("no curves"); };
    auto noMixture = [](std::span<const double>) -> CurveRecord { throw std::logic_error("no curves"); };
    for (auto _ : state) benchmark::DoNotOptimize(BuildAggregate(r, none, noMixture));
}
BENCHMARK(BuildPoissonAggregate)->Arg(16)->Arg(20)->Arg(22)->Unit(benchmark::kMillisecond);

// The resampling of an n x n triangle with 10^6 resamples: (n - 1) 10^6 draws, each one generator
// step, one remainder and one multiplication. Reports the time per draw.
void ResampleTriangle(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0)), nResamp = 1000000;
    std::vector<double> C(n * n);
    std::mt19937 gen(1);
    for (std::size_t a = 0; a < n; ++a) {
        double c = 1000.0;
        for (std::size_t k = 0; k < n; ++k) C[a + n * k] = c *= 1.0 + std::uniform_real_distribution<>(0, 1)(gen) / (k + 1);
    }
    const std::vector<double> store = FactorStore(C, n);
    CCrtRandom rng(1);
    for (auto _ : state) benchmark::DoNotOptimize(ResampleFactorProducts(store, n, 1, nResamp, rng, nullptr));
    state.counters["ns/draw"] = benchmark::Counter(static_cast<double>(state.iterations() * (n - 1) * nResamp),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(ResampleTriangle)->Arg(10)->Arg(30)->Unit(benchmark::kMillisecond);

// What the parameter checks and the accuracy note add to BuildPoissonAggregate: every check its
// parameters pass, and the note's figures and text.
void ChecksAndNote(benchmark::State& state) {
    const std::int32_t numL2 = static_cast<std::int32_t>(state.range(0));
    const double n = std::ldexp(1.0, numL2), unit = 4e7 / n;
    for (auto _ : state) {
        RequireNonNegative(10.0, "Poisson mean");
        for (std::size_t i = 0; i < std::size(kMixture); i += 2) {
            RequirePositive(kMixture[i], "Mixed exponential mean");
            RequireNonNegative(kMixture[i + 1], "Mixed exponential weight");
        }
        RequireLayer(1e6, 0.0, 1.0);
        RequireNonNegative(unit, "Bucket width unit");
        benchmark::DoNotOptimize(GridSizeFromL2(numL2));
        GridAccuracy a;
        a.layerBuckets = std::trunc(1e6 / unit);
        a.wrapped = WrappedMass(1.2e6, 1.1e6, n * unit);
        a.meanError = RelativeMeanError(1.1e6, 1.2e6);
        benchmark::DoNotOptimize(a.Doubtful());
        benchmark::DoNotOptimize(a.Describe());
    }
}
BENCHMARK(ChecksAndNote)->Arg(20)->Unit(benchmark::kMicrosecond);

// A density severity (svEmp) is checked value by value as it is copied onto the grid: that check
// against the whole build, measured as the checked copy less the plain copy it replaces.
std::vector<double> Density(std::size_t n) {
    std::vector<double> p(n);
    std::mt19937 gen(2);
    double total = 0;
    for (std::size_t k = 0; k < n / 64; ++k) total += p[k] = std::uniform_real_distribution<>(0, 1)(gen);
    for (double& v : p) v /= total;
    return p;
}

void CheckedDensityCopy(benchmark::State& state) {
    const std::vector<double> p = Density(std::size_t{1} << state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(CheckedDensity(p, "Severity density"));
}
BENCHMARK(CheckedDensityCopy)->Arg(20)->Unit(benchmark::kMillisecond);

void PlainDensityCopy(benchmark::State& state) {
    const std::vector<double> p = Density(std::size_t{1} << state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(std::vector<double>(p.begin(), p.end()));
}
BENCHMARK(PlainDensityCopy)->Arg(20)->Unit(benchmark::kMillisecond);

void BuildDensityAggregate(benchmark::State& state) {
    const std::int32_t numL2 = static_cast<std::int32_t>(state.range(0));
    const std::vector<double> p = Density(std::size_t{1} << numL2);
    const double lambda[] = {10.0};
    AggregateRequest r{fqPoisson, lambda, svEmp, p, 0.0, 0.0, 1.0, numL2, 1.0};
    auto none = [](int) -> CurveRecord { throw std::logic_error("no curves"); };
    auto noMixture = [](std::span<const double>) -> CurveRecord { throw std::logic_error("no curves"); };
    for (auto _ : state) benchmark::DoNotOptimize(BuildAggregate(r, none, noMixture));
}
BENCHMARK(BuildDensityAggregate)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
