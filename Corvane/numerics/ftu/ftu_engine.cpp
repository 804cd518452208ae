#include "Corvane/numerics/ftu/ftu_engine.h"

#include <stdexcept>
#include <string>

#include "Corvane/numerics/frequency/freq_pgf.h"
#include "Corvane/numerics/ftu/ftu_claims.h"
#include "Corvane/numerics/ftu/ftu_combine.h"
#include "Corvane/numerics/ftu/ftu_decimate.h"
#include "Corvane/numerics/ftu/ftu_ratio.h"
#include "Corvane/numerics/ftu/ftu_readouts.h"
#include "automation/failure.h"

namespace corvane {

using automation::E_UNEXPECTED;
using automation::StatusError;

stateEnum RequireOutState(std::int32_t outState) {
    if (outState == stSpace || outState == stTime) return static_cast<stateEnum>(outState);
    throw std::invalid_argument("outState must be stSpace (0) or stTime (1)");
}

namespace {

const char* StateName(stateEnum st) {
    switch (st) {
        case stSpace:
            return "stSpace";
        case stTime:
            return "stTime";
        case stFTU_U:
            return "stFTU_U";
    }
    return "unknown";
}

}  // namespace

std::size_t CFTUEngine::GridDoubles(std::int32_t numL2) {
    if (numL2 < kFTUMinNumL2 || numL2 > kFTUMaxNumL2)
        throw std::invalid_argument("numL2 must be " + std::to_string(kFTUMinNumL2) + " to " +
                                    std::to_string(kFTUMaxNumL2) + ", got " + std::to_string(numL2));
    const std::size_t num = std::size_t{1} << numL2;
    return num * (num + 2);
}

CFTUEngine::CFTUEngine(std::int32_t numL2, double* storage)
    : numL2_(numL2), grid_{storage, std::size_t{1} << numL2} {
    GridDoubles(numL2);
}

CFTUTransform& CFTUEngine::Transforms() {
    if (!fft_) fft_ = std::make_unique<CFTUTransform>(grid_);
    return *fft_;
}

void CFTUEngine::State(int threads, std::int32_t st) {
    if (st == state_) return;
    if (state_ == stFTU_U)
        throw StatusError(E_UNEXPECTED, "A ratio grid (stFTU_U) cannot be moved to another state");
    if (st == stTime) {
        Transforms().Forward(UsableThreads(threads));
        state_ = stTime;
    } else if (st == stSpace) {
        Transforms().Inverse(UsableThreads(threads));
        state_ = stSpace;
    } else {
        throw std::invalid_argument("st must be stSpace (0) or stTime (1)");
    }
}

// The grid holds one claim in stSpace; it ends as the aggregate in outState. A family that needs no
// transform (one claim with certainty) leaves the single claim as the aggregate.
void CFTUEngine::ApplyFrequency(int threads, const freqdist::CAbstractFreq& family, stateEnum outState) {
    if (family.NeedsTransform()) {
        State(threads, stTime);
        freqdist::ApplyPGF2D(family, grid_.Transform(), grid_.num, grid_.num, 1.0, UsableThreads(threads));
    }
    State(threads, outState);
}

void CFTUEngine::ExecuteClosedClaimNoPP(int threads, std::span<const double> cwp, std::span<const double> cwop,
                                        double unit, double PrCWOP, double PrClosed,
                                        const freqdist::CAbstractFreq& family, std::int32_t outState) {
    const stateEnum out = RequireOutState(outState);
    if (cwp.size() != grid_.num || cwop.size() != grid_.num)
        throw std::invalid_argument("varCWP and varCWOP must hold num (" + std::to_string(grid_.num) +
                                    ") values each, got " + std::to_string(cwp.size()) + " and " +
                                    std::to_string(cwop.size()));
    FillClosedClaimNoPP(grid_, cwp, cwop, PrCWOP, PrClosed);
    state_ = stSpace;
    unitX_ = unitY_ = unit;
    ApplyFrequency(threads, family, out);
}

void CFTUEngine::ExecuteCounts(int threads, double p00, double p01, double p10, double p11,
                               const freqdist::CAbstractFreq& family, std::int32_t outState) {
    const stateEnum out = RequireOutState(outState);
    FillCounts(grid_, p00, p01, p10, p11);
    state_ = stSpace;
    unitX_ = unitY_ = 1.0;
    ApplyFrequency(threads, family, out);
}

void CFTUEngine::MultiplyBy(const double* other) {
    if (state_ != stTime) throw StatusError(E_UNEXPECTED, "Transforms are multiplied in stTime");
    MultiplyTransforms(grid_, other);
}

void CFTUEngine::MixWith(const double* other, double wtThis, double wtOther) {
    if (state_ != stSpace) throw StatusError(E_UNEXPECTED, "Grids are mixed in stSpace");
    MixCells(grid_, other, wtThis, wtOther);
}

void CFTUEngine::Decimate(std::int32_t newNumL2) {
    if (state_ == stTime) throw std::invalid_argument("Decimate needs the grid in stSpace or stFTU_U, not stTime");
    if (newNumL2 > numL2_)
        throw std::invalid_argument("newNumL2 (" + std::to_string(newNumL2) + ") must not exceed numL2 (" +
                                    std::to_string(numL2_) + ")");
    if (newNumL2 < kFTUMinNumL2) throw std::invalid_argument("newNumL2 must be 1 or more");
    if (numL2_ - newNumL2 > 7) throw std::invalid_argument("newNumL2 may be at most 7 below numL2");
    if (newNumL2 == numL2_) return;
    const int d = numL2_ - newNumL2;
    fft_.reset();
    grid_ = DecimateGrid(grid_, d);
    numL2_ = newNumL2;
    const double f = static_cast<double>(1 << d);
    unitX_ *= f;
    unitY_ *= f;
}

void CFTUEngine::Transform(int threads, double maxU, const std::function<double*()>& allocate) {
    if (state_ == stFTU_U) return;
    const double w = RatioWidth(maxU, grid_.num, "maxU");
    State(threads, stSpace);
    const FTUGrid to{allocate(), grid_.num};
    RatioGrid(grid_, to, w);
    fft_.reset();
    grid_ = to;
    unitY_ = w;
    state_ = stFTU_U;
}

std::vector<double> CFTUEngine::FTU(double maxFTU, double& unit) const {
    if (state_ == stTime) throw std::invalid_argument("FTU needs the grid in stSpace or stFTU_U, not stTime");
    if (state_ == stFTU_U) {
        unit = unitY_;
        return ColumnSums(grid_);
    }
    const double w = RatioWidth(maxFTU, grid_.num, "maxFTU");
    unit = w;
    return RatioDistribution(grid_, w);
}

std::vector<double> CFTUEngine::Marginal(std::int32_t XorY, double& unit) const {
    if (state_ == stTime) throw StatusError(E_UNEXPECTED, "Marginal needs the grid in stSpace or stFTU_U, not stTime");
    if (XorY == 1) {
        unit = unitX_;
        return RowSums(grid_);
    }
    if (XorY == 2) {
        unit = unitY_;
        return ColumnSums(grid_);
    }
    throw std::invalid_argument("XorY must be 1 (the distribution of x) or 2 (of y)");
}

std::vector<double> CFTUEngine::Slice(double obsLoss) const {
    if (state_ != stSpace)
        throw std::invalid_argument(std::string("Slice needs the grid in stSpace, not ") + StateName(state_));
    return ConditionalSlice(grid_, obsLoss, unitY_);
}

std::array<double, 6> CFTUEngine::Corr() const { return GridCorrelation(grid_, unitX_, unitY_); }

}  // namespace corvane
