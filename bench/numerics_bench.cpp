// The numerics' hot paths on grids of 2^16 to 2^22 buckets:
//   build/bin/numerics_bench
#include <benchmark/benchmark.h>

#include <random>

#include "Corvane/numerics/aggregate/aggregate_builder.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/grid/empdist.h"
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
    for (auto _ : state) benchmark::DoNotOptimize(DiscretiseGrid(med, numL2, unit, 1e6, 0.0, 1.0));
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

}  // namespace

BENCHMARK_MAIN();
