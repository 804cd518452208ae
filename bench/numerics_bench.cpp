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

}  // namespace

BENCHMARK_MAIN();
