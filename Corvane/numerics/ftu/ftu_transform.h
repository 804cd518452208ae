// The engine's transforms between the space and the transform domain, computed in place in the
// grid's own storage with FFTW's padded two-dimensional real transforms.
#pragma once

#include <map>

#include <fftw3.h>

#include "Corvane/numerics/ftu/ftu_grid.h"

namespace corvane {

// The thread count a transform runs on: the caller's request, at least 1 and at most the
// machine's hardware threads (more would only take turns on the same processors).
int UsableThreads(int requested);

// Forward: T(r, k) = sum over a, b of cell(a, b) exp(-2 pi i (a r + b k) / num), unnormalised.
// Inverse: the cells of the grid whose transform is T, that is the unnormalised inverse divided
// by num * num, so a round trip returns the grid; the padding of every row becomes 0.
// FFTW fixes a plan's thread count when it is made, so plans are made on first use for each thread
// count actually asked for and kept until this object goes (estimate mode, which leaves the data
// untouched while planning).
class CFTUTransform {
public:
    explicit CFTUTransform(FTUGrid grid) : grid_(grid) {}
    ~CFTUTransform();
    CFTUTransform(const CFTUTransform&) = delete;
    CFTUTransform& operator=(const CFTUTransform&) = delete;

    void Forward(int threads);
    void Inverse(int threads);
    // How many thread counts have plans (for the tests of plan reuse).
    std::size_t PlanCount() const { return plans_.size(); }

private:
    struct Plans {
        fftw_plan forward = nullptr;
        fftw_plan inverse = nullptr;
    };
    Plans& PlansFor(int threads);

    FTUGrid grid_;
    std::map<int, Plans> plans_;
};

}  // namespace corvane
