#include "Corvane/numerics/ftu/ftu_transform.h"

#include <algorithm>
#include <new>
#include <thread>

#include "Corvane/numerics/grid/fftw_planner.h"

namespace corvane {

int UsableThreads(int requested) {
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(requested, 1, hardware);
}

CFTUTransform::~CFTUTransform() {
    for (auto& [threads, p] : plans_) {
        if (p.forward != nullptr) fftw_destroy_plan(p.forward);
        if (p.inverse != nullptr) fftw_destroy_plan(p.inverse);
    }
}

CFTUTransform::Plans& CFTUTransform::PlansFor(int threads) {
    Plans& p = plans_[threads];
    if (p.forward == nullptr || p.inverse == nullptr) {
        const int n = static_cast<int>(grid_.num);
        auto* complex = reinterpret_cast<fftw_complex*>(grid_.data);
        if (p.forward == nullptr)
            p.forward = MakePlanOnThreads(threads, [&] {
                return fftw_plan_dft_r2c_2d(n, n, grid_.data, complex, FFTW_ESTIMATE);
            });
        if (p.inverse == nullptr)
            p.inverse = MakePlanOnThreads(threads, [&] {
                return fftw_plan_dft_c2r_2d(n, n, complex, grid_.data, FFTW_ESTIMATE);
            });
        if (p.forward == nullptr || p.inverse == nullptr) throw std::bad_alloc();
    }
    return p;
}

void CFTUTransform::Forward(int threads) { fftw_execute(PlansFor(threads).forward); }

void CFTUTransform::Inverse(int threads) {
    fftw_execute(PlansFor(threads).inverse);
    // num is a power of two, so the division is exact.
    const double scale = 1.0 / (static_cast<double>(grid_.num) * static_cast<double>(grid_.num));
    for (std::size_t r = 0; r < grid_.num; ++r) {
        double* row = &grid_(r, 0);
        for (std::size_t c = 0; c < grid_.num; ++c) row[c] *= scale;
        row[grid_.num] = row[grid_.num + 1] = 0.0;
    }
}

}  // namespace corvane
