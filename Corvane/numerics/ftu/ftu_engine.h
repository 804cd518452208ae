// The two-dimensional transform engine for claim development: one discretised distribution of a
// pair (x, y) on a square grid, moved between the space domain (stSpace) and the transform domain
// (stTime), compounded with a claim count, combined with other grids, and read off as marginals,
// ratio distributions, slices and moments. The grid lives in storage the caller owns (a named
// shared block), laid out as FTUGrid describes.
//
// Normalisation: the transform domain holds the unnormalised forward transform and the inverse
// divides by num * num, so every round trip returns the grid, the frequency step applies the
// generating function without a factor, and the product of two transforms is the transform of the
// distribution of the sum.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_abstract.h"
#include "Corvane/numerics/ftu/ftu_grid.h"
#include "Corvane/numerics/ftu/ftu_transform.h"

namespace corvane {

// Grid sides are 2^1 ... 2^13.
inline constexpr int kFTUMinNumL2 = 1;
inline constexpr int kFTUMaxNumL2 = 13;

// The state an operation may end in: stSpace or stTime; fails with E_INVALIDARG otherwise.
stateEnum RequireOutState(std::int32_t outState);

class CFTUEngine {
public:
    // The doubles a grid of 2^numL2 cells a side occupies: num (num + 2). Fails with
    // std::invalid_argument unless numL2 is 1 ... 13.
    static std::size_t GridDoubles(std::int32_t numL2);

    // A new grid over `storage` (GridDoubles(numL2) doubles, all 0): stSpace, both units 0.
    CFTUEngine(std::int32_t numL2, double* storage);

    std::int32_t numL2() const { return numL2_; }
    const FTUGrid& grid() const { return grid_; }
    stateEnum state() const { return state_; }
    double unitX() const { return unitX_; }
    double unitY() const { return unitY_; }

    // Moves the grid to st: nothing when it is there already; stSpace -> stTime by the forward
    // transform, stTime -> stSpace by the inverse. Fails with E_UNEXPECTED from stFTU_U and with
    // E_INVALIDARG for a target other than stSpace and stTime.
    void State(int threads, std::int32_t st);

    // The aggregate over the claim count `family` of one claim described by FillClosedClaimNoPP
    // (units both `unit`), or by FillCounts (units both 1). Both clear the grid first and work from
    // any state; the grid ends in outState: stSpace, or stTime for its transform. Fails with
    // E_INVALIDARG for another outState, or when cwp and cwop do not both hold num values, before
    // anything changes.
    void ExecuteClosedClaimNoPP(int threads, std::span<const double> cwp, std::span<const double> cwop, double unit,
                                double PrCWOP, double PrClosed, const freqdist::CAbstractFreq& family,
                                std::int32_t outState);
    void ExecuteCounts(int threads, double p00, double p01, double p10, double p11,
                       const freqdist::CAbstractFreq& family, std::int32_t outState);

    // In stTime: the transform times another grid's transform (of the same size), the distribution
    // of the sum of the two pairs. In stSpace: the weighted sum of the two grids' cells.
    void MultiplyBy(const double* other);
    void MixWith(const double* other, double wtThis, double wtOther);

    // The grid of 2^newNumL2 cells a side whose cells are the sums of f x f blocks of this one
    // (f = 2^(numL2 - newNumL2)), in the same storage and state; the units grow by f. The same
    // numL2 changes nothing. Fails with E_INVALIDARG in stTime, for a larger numL2, for one below
    // 1, or for more than 7 halvings.
    void Decimate(std::int32_t newNumL2);

    // From stSpace (stTime is brought there first): the grid of x against the bucket of the ratio
    // x/y (RatioGrid) with ratio width w = maxU / (num - 1), written into fresh storage that
    // `allocate` hands out (GridDoubles(numL2) doubles); the grid then lives there in stFTU_U with
    // unitY = w. In stFTU_U nothing changes. Fails with E_INVALIDARG for a maxU that is not a
    // finite ratio above 0, before anything changes.
    void Transform(int threads, double maxU, const std::function<double*()>& allocate);

    // The ratio distribution: from stSpace RatioDistribution with w = maxFTU / (num - 1), in
    // stFTU_U the column sums of the ratio grid; `unit` is the ratio width. Fails with
    // E_INVALIDARG in stTime or for a maxFTU (used in stSpace) that is not a finite ratio above 0.
    std::vector<double> FTU(double maxFTU, double& unit) const;
    // XorY 1: the row sums with unitX, 2: the column sums with unitY. Fails with E_UNEXPECTED in
    // stTime and E_INVALIDARG for another XorY.
    std::vector<double> Marginal(std::int32_t XorY, double& unit) const;
    // ConditionalSlice at obsLoss; fails with E_INVALIDARG outside stSpace.
    std::vector<double> Slice(double obsLoss) const;
    // GridCorrelation of the grid as it is stored, in any state.
    std::array<double, 6> Corr() const;

    // Thread counts with plans for the present grid.
    std::size_t PlanCount() const { return fft_ ? fft_->PlanCount() : 0; }

private:
    CFTUTransform& Transforms();
    void ApplyFrequency(int threads, const freqdist::CAbstractFreq& family, stateEnum outState);

    std::int32_t numL2_;
    FTUGrid grid_;
    stateEnum state_ = stSpace;
    double unitX_ = 0.0;
    double unitY_ = 0.0;
    std::unique_ptr<CFTUTransform> fft_;  // made on first use, dropped when the grid changes shape
};

}  // namespace corvane
