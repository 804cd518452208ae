#include "Corvane/numerics/bivariate/fft2d.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/grid/fftw_planner.h"
#include "Corvane/numerics/require.h"

namespace corvane {

// The transform is computed in place in a padded work array of nx rows of 2*(ny/2 + 1) doubles,
// the in-place layout of FFTW's real two-dimensional transforms; the grid is copied in and out.
CFFT2D::CFFT2D(std::size_t nx, std::size_t ny)
    : nx_(nx), ny_(ny), rowStride_(2 * (ny / 2 + 1)), work_(nullptr), forward_(nullptr), inverse_(nullptr) {
    if (nx == 0 || ny == 0 || nx > static_cast<std::size_t>(INT32_MAX) || ny > static_cast<std::size_t>(INT32_MAX))
        throw InvalidArgument("two-dimensional transform of " + std::to_string(nx) + " x " +
                                    std::to_string(ny) + " points");
    if (nx_ > SIZE_MAX / sizeof(double) / rowStride_) throw std::bad_alloc();
    work_ = fftw_alloc_real(nx_ * rowStride_);
    if (work_ == nullptr) throw std::bad_alloc();
    const int n0 = static_cast<int>(nx_), n1 = static_cast<int>(ny_);
    auto* complex = reinterpret_cast<fftw_complex*>(work_);
    forward_ = MakePlan(nx_ * ny_, [&] { return fftw_plan_dft_r2c_2d(n0, n1, work_, complex, FFTW_ESTIMATE); });
    inverse_ = MakePlan(nx_ * ny_, [&] { return fftw_plan_dft_c2r_2d(n0, n1, complex, work_, FFTW_ESTIMATE); });
    if (forward_ == nullptr || inverse_ == nullptr) {
        if (forward_ != nullptr) fftw_destroy_plan(forward_);
        if (inverse_ != nullptr) fftw_destroy_plan(inverse_);
        fftw_free(work_);
        throw std::bad_alloc();
    }
}

CFFT2D::~CFFT2D() {
    fftw_destroy_plan(forward_);
    fftw_destroy_plan(inverse_);
    fftw_free(work_);
}

void CFFT2D::RequireGrid(std::size_t size) const {
    if (size != nx_ * ny_)
        throw InvalidArgument("grid of " + std::to_string(size) + " values for a " + std::to_string(nx_) +
                                    " x " + std::to_string(ny_) + " transform");
}

void CFFT2D::Forward(std::span<const double> p) {
    RequireGrid(p.size());
    for (std::size_t x = 0; x < nx_; ++x) std::copy_n(p.data() + x * ny_, ny_, work_ + x * rowStride_);
    fftw_execute(forward_);
}

void CFFT2D::Inverse(std::span<double> p) {
    RequireGrid(p.size());
    fftw_execute(inverse_);
    for (std::size_t x = 0; x < nx_; ++x) std::copy_n(work_ + x * rowStride_, ny_, p.data() + x * ny_);
}

std::span<std::complex<double>> CFFT2D::Transform() {
    return {reinterpret_cast<std::complex<double>*>(work_), nx_ * (ny_ / 2 + 1)};
}

}  // namespace corvane
