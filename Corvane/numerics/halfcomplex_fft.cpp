#include "Corvane/numerics/halfcomplex_fft.h"

#include <climits>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <utility>

#include "Corvane/numerics/fftw_planner.h"

namespace corvane {

CHalfcomplexFFT::~CHalfcomplexFFT() { Destroy(); }

CHalfcomplexFFT::CHalfcomplexFFT(CHalfcomplexFFT&& other) noexcept
    : kind_(other.kind_),
      plan_(std::exchange(other.plan_, nullptr)),
      n_(other.n_),
      inAlignment_(other.inAlignment_),
      outAlignment_(other.outAlignment_) {}

CHalfcomplexFFT& CHalfcomplexFFT::operator=(CHalfcomplexFFT&& other) noexcept {
    if (this != &other) {
        Destroy();
        kind_ = other.kind_;
        plan_ = std::exchange(other.plan_, nullptr);
        n_ = other.n_;
        inAlignment_ = other.inAlignment_;
        outAlignment_ = other.outAlignment_;
    }
    return *this;
}

void CHalfcomplexFFT::Destroy() {
    if (plan_ != nullptr) {
        MakeFftwPlannerThreadSafe();
        fftw_destroy_plan(plan_);
        plan_ = nullptr;
    }
}

// FFTW executes a plan on new arrays only when they have the alignment of the arrays it was made
// for, so the plan is remade when the length or an alignment differs. The inverse asks FFTW to
// preserve its input, which an out-of-place complex-to-real transform would otherwise overwrite.
void CHalfcomplexFFT::Execute(std::span<const double> in, std::span<double> out) {
    const std::size_t n = in.size();
    if (n == 0 || out.size() != n) throw std::invalid_argument("a transform needs two arrays of equal length n >= 1");
    if (n > static_cast<std::size_t>(INT_MAX)) throw std::invalid_argument("transform length above 2^31 - 1");
    const auto a = reinterpret_cast<std::uintptr_t>(in.data());
    const auto b = reinterpret_cast<std::uintptr_t>(out.data());
    if (a < b + n * sizeof(double) && b < a + n * sizeof(double))
        throw std::invalid_argument("an out-of-place transform needs separate arrays");
    auto* input = const_cast<double*>(in.data());
    const int inAlignment = fftw_alignment_of(input);
    const int outAlignment = fftw_alignment_of(out.data());
    if (plan_ == nullptr || n != n_ || inAlignment != inAlignment_ || outAlignment != outAlignment_) {
        Destroy();
        MakeFftwPlannerThreadSafe();
        const unsigned flags = kind_ == FFTW_HC2R ? FFTW_ESTIMATE | FFTW_PRESERVE_INPUT : FFTW_ESTIMATE;
        plan_ = fftw_plan_r2r_1d(static_cast<int>(n), input, out.data(), kind_, flags);
        if (plan_ == nullptr) throw std::bad_alloc();
        n_ = n;
        inAlignment_ = inAlignment;
        outAlignment_ = outAlignment;
    }
    fftw_execute_r2r(plan_, input, out.data());
}

}  // namespace corvane
