#include "Corvane/numerics/grid/real_fft.h"

#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include <fftw3.h>

#include "Corvane/numerics/grid/fftw_planner.h"
#include "Corvane/numerics/grid/grid_array.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

enum class Direction { Forward, Inverse };

fftw_plan NewPlan(std::size_t n, Direction direction, double* real, fftw_complex* complex) {
    const int len = static_cast<int>(n);
    fftw_plan plan = MakePlan(n, [&] {
        return direction == Direction::Forward ? fftw_plan_dft_r2c_1d(len, real, complex, FFTW_ESTIMATE)
                                               : fftw_plan_dft_c2r_1d(len, complex, real, FFTW_ESTIMATE);
    });
    if (plan == nullptr) throw std::bad_alloc();
    return plan;
}

// What a shared plan is made for: the size, the direction, in place or not, and the alignments
// (fftw_alignment_of) of the real and the complex array.
using PlanKey = std::tuple<std::size_t, Direction, bool, int, int>;

// The process's plans for grid sizes, each made on arrays of its own with the placement and
// alignments asked for and executed on any arrays that have them (FFTW's new-array execution is
// thread-safe). They are destroyed when the process ends.
class PlanCache {
public:
    ~PlanCache() {
        for (auto& [key, plan] : plans_) fftw_destroy_plan(plan);
    }

    fftw_plan Get(const PlanKey& key) {
        std::lock_guard lock(mutex_);
        if (auto found = plans_.find(key); found != plans_.end()) return found->second;
        const auto [n, direction, inPlace, realAlignment, complexAlignment] = key;
        const std::size_t realOffset = static_cast<std::size_t>(realAlignment) / sizeof(double);
        const std::size_t complexOffset = static_cast<std::size_t>(complexAlignment) / sizeof(double);
        const std::size_t doubles = inPlace ? SpectrumDoubles(n) + realOffset
                                            : n + realOffset + SpectrumDoubles(n) + complexOffset + 8;
        std::unique_ptr<double, void (*)(void*)> scratch(fftw_alloc_real(doubles), fftw_free);
        if (!scratch) throw std::bad_alloc();
        double* real = scratch.get() + realOffset;
        // Out of place, the complex array starts at FFTW's alignment after the real one, then moves
        // to the alignment asked for.
        double* complexStart = inPlace ? real : scratch.get() + ((n + realOffset + 7) / 8) * 8 + complexOffset;
        fftw_plan plan = NewPlan(n, direction, real, reinterpret_cast<fftw_complex*>(complexStart));
        plans_.emplace(key, plan);
        return plan;
    }

private:
    std::mutex mutex_;
    std::map<PlanKey, fftw_plan> plans_;
};

void Execute(std::size_t n, Direction direction, double* real, fftw_complex* complex) {
    if ((n & (n - 1)) == 0) {
        static PlanCache cache;
        const bool inPlace = static_cast<void*>(real) == static_cast<void*>(complex);
        fftw_plan plan = cache.Get({n, direction, inPlace, fftw_alignment_of(real),
                                    fftw_alignment_of(reinterpret_cast<double*>(complex))});
        if (direction == Direction::Forward) fftw_execute_dft_r2c(plan, real, complex);
        else fftw_execute_dft_c2r(plan, complex, real);
        return;
    }
    fftw_plan plan = NewPlan(n, direction, real, complex);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
}

// x of n values and X of n/2 + 1 either in one array (in place) or apart.
void RequireArrays(std::span<const double> x, std::span<const std::complex<double>> X) {
    const std::size_t n = x.size();
    if (n == 0) throw InvalidArgument("a transform needs at least one value");
    if (n > static_cast<std::size_t>(INT_MAX)) throw InvalidArgument("transform length above 2^31 - 1");
    if (X.size() != n / 2 + 1)
        throw InvalidArgument("a transform of " + std::to_string(n) + " points needs a spectrum of " +
                              std::to_string(n / 2 + 1) + " values, not " + std::to_string(X.size()));
    const auto a = reinterpret_cast<std::uintptr_t>(x.data()), b = reinterpret_cast<std::uintptr_t>(X.data());
    if (a != b && a < b + X.size_bytes() && b < a + x.size_bytes())
        throw InvalidArgument("a transform's arrays must be one or separate");
}

}  // namespace

std::span<std::complex<double>> SpectrumIn(std::span<double> array) {
    return {reinterpret_cast<std::complex<double>*>(array.data()), array.size() / 2};
}

// An out-of-place real-to-complex transform leaves its input as it was.
void RealToComplex(std::span<const double> x, std::span<std::complex<double>> X) {
    RequireArrays(x, X);
    Execute(x.size(), Direction::Forward, const_cast<double*>(x.data()), reinterpret_cast<fftw_complex*>(X.data()));
}

void ComplexToReal(std::span<std::complex<double>> X, std::span<double> x) {
    RequireArrays(x, X);
    Execute(x.size(), Direction::Inverse, x.data(), reinterpret_cast<fftw_complex*>(X.data()));
}

namespace {

void RequireSeparate(std::span<const double> in, std::span<const double> out) {
    if (in.empty() || in.size() != out.size())
        throw InvalidArgument("a transform needs two arrays of equal length n >= 1");
    const auto a = reinterpret_cast<std::uintptr_t>(in.data()), b = reinterpret_cast<std::uintptr_t>(out.data());
    if (a < b + out.size_bytes() && b < a + in.size_bytes())
        throw InvalidArgument("an out-of-place transform needs separate arrays");
}

}  // namespace

void HalfcomplexForward(std::span<const double> in, std::span<double> out) {
    RequireSeparate(in, out);
    const std::size_t n = in.size();
    std::vector<double> work = GridArray(SpectrumDoubles(n));
    const auto X = SpectrumIn(work);
    RealToComplex(in, X);
    out[0] = X[0].real();
    for (std::size_t k = 1; k < (n + 1) / 2; ++k) {
        out[k] = X[k].real();
        out[n - k] = X[k].imag();
    }
    if (n % 2 == 0) out[n / 2] = X[n / 2].real();
}

void HalfcomplexInverse(std::span<const double> in, std::span<double> out) {
    RequireSeparate(in, out);
    const std::size_t n = in.size();
    std::vector<double> work = GridArray(SpectrumDoubles(n));
    const auto X = SpectrumIn(work);
    X[0] = in[0];
    for (std::size_t k = 1; k < (n + 1) / 2; ++k) X[k] = {in[k], in[n - k]};
    if (n % 2 == 0) X[n / 2] = in[n / 2];
    ComplexToReal(X, out);
}

}  // namespace corvane
