// Where the time of one aggregate build goes: each stage of BuildAggregate timed on its own at 2^16,
// 2^20 and 2^22 buckets, beside the limits it is measured against, FFTW's own execution of the same
// transform and one pass over a grid (a copy). Poisson(10) claims of the five-component mixed
// exponential of bench/create_dist.py in the layer 1,000,000 xs 5,000.
//
//     build/bin/aggregate_stages
//
// Each figure is the fastest of several runs, in milliseconds of wall time, on arrays made before
// the timing; the whole build, which makes its own, is the last row.
#include <fftw3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/numerics/aggregate/aggregate_builder.h"
#include "Corvane/numerics/aggregate/compound_grid.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_pgf.h"
#include "Corvane/numerics/frequency/freq_poisson.h"
#include "Corvane/numerics/grid/fftw_planner.h"
#include "Corvane/numerics/grid/real_fft.h"
#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/severity/sev_discretise.h"
#include "Corvane/numerics/severity/sev_family.h"

using namespace corvane;

namespace {

const double kMixture[] = {2000, 0.3, 10000, 0.3, 50000, 0.2, 250000, 0.15, 1000000, 0.05};
constexpr double kLambda = 10.0, kLimit = 1e6, kAttach = 5000.0;

// The fastest of `repeats` runs of f, each after an untimed run of setup.
double Best(int repeats, const std::function<void()>& f, const std::function<void()>& setup = [] {}) {
    double best = 1e300;
    for (int r = 0; r < repeats; ++r) {
        setup();
        const auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

struct Row {
    std::string stage;
    std::string limit;  // what the stage is measured against
    std::vector<double> ms, limitMs;
};

}  // namespace

int main() {
    const int sizes[] = {16, 20, 22};
    std::vector<Row> rows = {{"discretise the severity", "one pass", {}, {}},
                             {"forward transform", "FFTW r2c", {}, {}},
                             {"generating function", "one pass", {}, {}},
                             {"inverse transform", "FFTW c2r", {}, {}},
                             {"clamp, renormalise, moments", "one pass", {}, {}},
                             {"severity grid moments (layer)", "one pass", {}, {}},
                             {"whole build", "sum of limits", {}, {}}};
    const SeverityFamily med = MakeSeverityFamily(svMED, kMixture);
    const freqdist::CPoisson poisson(kLambda);
    for (const int numL2 : sizes) {
        const std::size_t n = std::size_t{1} << numL2;
        const double unit = kLimit / std::ldexp(1.0, numL2 - 4);
        const int repeats = numL2 < 22 ? 20 : 6;

        // The limits: one pass over a grid, and FFTW's own plans (on as many threads as the build's)
        // executed on FFTW's own arrays.
        std::vector<double> a(n, 1.0), b(n);
        const double pass = Best(repeats, [&] { std::memcpy(b.data(), a.data(), n * sizeof(double)); });
        double* real = fftw_alloc_real(n);
        fftw_complex* complex = fftw_alloc_complex(n / 2 + 1);
        const int len = static_cast<int>(n);
        fftw_plan r2c = MakePlan(n, [&] { return fftw_plan_dft_r2c_1d(len, real, complex, FFTW_ESTIMATE); });
        fftw_plan c2r = MakePlan(n, [&] { return fftw_plan_dft_c2r_1d(len, complex, real, FFTW_ESTIMATE); });
        std::fill_n(real, n, 1.0 / double(n));
        const double fftwR2c = Best(repeats, [&] { fftw_execute(r2c); });
        const double fftwC2r = Best(repeats, [&] { fftw_execute(c2r); }, [&] { fftw_execute(r2c); });
        fftw_destroy_plan(r2c);
        fftw_destroy_plan(c2r);
        fftw_free(real);
        fftw_free(complex);

        std::vector<double> severity;
        std::vector<double> work(SpectrumDoubles(n));
        const auto X = SpectrumIn(work);
        const double t[] = {
            Best(repeats, [&] { severity = DiscretiseGrid(*med, numL2, unit, kLimit, kAttach, 1.0); }),
            Best(repeats, [&] { RealToComplex(severity, X); }),
            Best(repeats, [&] { freqdist::ApplyPGFToSpectrum(poisson, X, 1.0 / double(n)); }),
            Best(repeats, [&] { ComplexToReal(X, std::span(work).first(n)); },
                 [&] { RealToComplex(severity, X); }),  // the inverse leaves its input undefined
            Best(repeats, [&] { ClampAndNormalise(std::span(work).first(n), unit); }),
            Best(repeats, [&] { GridRawMoments(std::span(severity).first(static_cast<std::size_t>(kLimit / unit) + 1), unit); }),
        };
        const double lambda[] = {kLambda};
        const AggregateRequest request{fqPoisson, lambda, svMED, kMixture, kLimit, kAttach, 1.0, numL2, unit};
        const CurveSource none = [](int) -> CurveRecord { throw std::logic_error("no curves"); };
        const MixtureSource noMixture = [](std::span<const double>) -> CurveRecord { throw std::logic_error("no curves"); };
        const double whole = Best(repeats, [&] { BuildAggregate(request, none, noMixture); });
        const double limits[] = {pass, fftwR2c, pass, fftwC2r, pass, pass, fftwR2c + fftwC2r + 4 * pass};
        for (std::size_t r = 0; r < 6; ++r) {
            rows[r].ms.push_back(t[r]);
            rows[r].limitMs.push_back(limits[r]);
        }
        rows[6].ms.push_back(whole);
        rows[6].limitMs.push_back(limits[6]);
    }
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) < 0) load[0] = load[1] = load[2] = -1;
    std::printf("Aggregate build by stage, ms (x its limit); load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    std::printf("%-30s %-14s", "stage", "limit");
    for (const int numL2 : sizes) std::printf(" %18s", ("2^" + std::to_string(numL2)).c_str());
    std::printf("\n");
    for (const Row& row : rows) {
        std::printf("%-30s %-14s", row.stage.c_str(), row.limit.c_str());
        for (std::size_t i = 0; i < row.ms.size(); ++i) std::printf(" %9.2f (%5.2fx)", row.ms[i], row.ms[i] / row.limitMs[i]);
        std::printf("\n");
    }
    std::printf("%-30s %-14s", "limit: one pass (copy)", "");
    for (std::size_t i = 0; i < rows[0].limitMs.size(); ++i) std::printf(" %9.2f         ", rows[0].limitMs[i]);
    std::printf("\n%-30s %-14s", "limit: FFTW r2c + c2r", "");
    for (std::size_t i = 0; i < rows[1].limitMs.size(); ++i)
        std::printf(" %9.2f         ", rows[1].limitMs[i] + rows[3].limitMs[i]);
    std::printf("\n");
    return 0;
}
