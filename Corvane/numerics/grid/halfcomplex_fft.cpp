#include "Corvane/numerics/grid/halfcomplex_fft.h"

#include <climits>
#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>

#include "Corvane/numerics/grid/fftw_planner.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

// The process's plans for grid sizes, made once on arrays of FFTW's own alignment and executed
// on any arrays of that alignment (FFTW's new-array execution is thread-safe). They are destroyed
// when the process ends.
class PlanCache {
public:
    ~PlanCache() {
        for (auto& [key, plan] : plans_) fftw_destroy_plan(plan);
    }

    fftw_plan Get(std::size_t n, CHalfcomplexFFT::Direction direction) {
        std::lock_guard lock(mutex_);
        auto found = plans_.find({n, direction});
        if (found != plans_.end()) return found->second;
        double* real = fftw_alloc_real(n);
        fftw_complex* complex = fftw_alloc_complex(n / 2 + 1);
        const int len = static_cast<int>(n);
        fftw_plan plan = nullptr;
        if (real != nullptr && complex != nullptr)
            plan = MakePlan(n, [&] {
                return direction == CHalfcomplexFFT::Direction::Forward
                           ? fftw_plan_dft_r2c_1d(len, real, complex, FFTW_ESTIMATE)
                           : fftw_plan_dft_c2r_1d(len, complex, real, FFTW_ESTIMATE);
            });
        fftw_free(real);
        fftw_free(complex);
        if (plan == nullptr) throw std::bad_alloc();
        plans_.emplace(std::make_pair(n, direction), plan);
        return plan;
    }

private:
    std::mutex mutex_;
    std::map<std::pair<std::size_t, CHalfcomplexFFT::Direction>, fftw_plan> plans_;
};

fftw_plan SharedPlan(std::size_t n, CHalfcomplexFFT::Direction direction) {
    static PlanCache cache;
    return cache.Get(n, direction);
}

}  // namespace

CHalfcomplexFFT::~CHalfcomplexFFT() { Destroy(); }

CHalfcomplexFFT::CHalfcomplexFFT(CHalfcomplexFFT&& other) noexcept
    : direction_(other.direction_),
      plan_(std::exchange(other.plan_, nullptr)),
      sharedPlan_(other.sharedPlan_),
      work_(std::move(other.work_)),
      n_(other.n_),
      realAlignment_(other.realAlignment_) {}

CHalfcomplexFFT& CHalfcomplexFFT::operator=(CHalfcomplexFFT&& other) noexcept {
    if (this != &other) {
        Destroy();
        direction_ = other.direction_;
        plan_ = std::exchange(other.plan_, nullptr);
        sharedPlan_ = other.sharedPlan_;
        work_ = std::move(other.work_);
        n_ = other.n_;
        realAlignment_ = other.realAlignment_;
    }
    return *this;
}

void CHalfcomplexFFT::Destroy() {
    if (plan_ != nullptr && !sharedPlan_) {
        MakeFftwPlannerThreadSafe();
        fftw_destroy_plan(plan_);
    }
    plan_ = nullptr;
    work_.reset();
}

// FFTW executes a plan on a new real array only when it has the alignment of the array the plan
// was made for, so the plan is remade when the length or that alignment differs.
fftw_complex* CHalfcomplexFFT::WorkArray::Allocate(std::size_t count) {
    auto* p = fftw_alloc_complex(count);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void CHalfcomplexFFT::WorkArray::Free::operator()(fftw_complex* p) const { fftw_free(p); }

// A shared plan needs no array of this object's; an own plan is made on (and kept with) its work array.
void CHalfcomplexFFT::Plan(std::size_t n, double* real) {
    const int alignment = fftw_alignment_of(real);
    if (plan_ != nullptr && n == n_ && alignment == realAlignment_) return;
    Destroy();
    n_ = n;
    realAlignment_ = alignment;
    sharedPlan_ = (n & (n - 1)) == 0 && alignment == 0;
    if (sharedPlan_) {
        plan_ = SharedPlan(n, direction_);
        return;
    }
    work_.reset(WorkArray::Allocate(n / 2 + 1));
    const int len = static_cast<int>(n);
    plan_ = MakePlan(n, [&] {
        return direction_ == Direction::Forward ? fftw_plan_dft_r2c_1d(len, real, work_.get(), FFTW_ESTIMATE)
                                                : fftw_plan_dft_c2r_1d(len, work_.get(), real, FFTW_ESTIMATE);
    });
    if (plan_ == nullptr) throw std::bad_alloc();
}

// With a shared plan the work array lives for one transform only, so that a grid keeps no second
// array of its size between transforms.
void CHalfcomplexFFT::Execute(std::span<const double> in, std::span<double> out) {
    const std::size_t n = in.size();
    if (n == 0 || out.size() != n) throw InvalidArgument("a transform needs two arrays of equal length n >= 1");
    if (n > static_cast<std::size_t>(INT_MAX)) throw InvalidArgument("transform length above 2^31 - 1");
    const auto a = reinterpret_cast<std::uintptr_t>(in.data());
    const auto b = reinterpret_cast<std::uintptr_t>(out.data());
    if (a < b + n * sizeof(double) && b < a + n * sizeof(double))
        throw InvalidArgument("an out-of-place transform needs separate arrays");
    const std::size_t half = (n + 1) / 2;  // complex positions are 1 .. half - 1
    double* real = direction_ == Direction::Forward ? const_cast<double*>(in.data()) : out.data();
    Plan(n, real);  // r2c only reads its real input
    std::unique_ptr<fftw_complex[], WorkArray::Free> transient;
    if (sharedPlan_) transient.reset(WorkArray::Allocate(n / 2 + 1));
    fftw_complex* work = sharedPlan_ ? transient.get() : work_.get();
    if (direction_ == Direction::Forward) {
        fftw_execute_dft_r2c(plan_, real, work);
        out[0] = work[0][0];
        for (std::size_t k = 1; k < half; ++k) {
            out[k] = work[k][0];
            out[n - k] = work[k][1];
        }
        if (n % 2 == 0) out[n / 2] = work[n / 2][0];
    } else {
        work[0][0] = in[0];
        work[0][1] = 0.0;
        for (std::size_t k = 1; k < half; ++k) {
            work[k][0] = in[k];
            work[k][1] = in[n - k];
        }
        if (n % 2 == 0) {
            work[n / 2][0] = in[n / 2];
            work[n / 2][1] = 0.0;
        }
        fftw_execute_dft_c2r(plan_, work, out.data());
    }
}

}  // namespace corvane
