#include "Corvane/numerics/grid/grid_smooth.h"

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/grid/savgol.h"
#include "Corvane/numerics/require.h"

namespace corvane {

std::optional<SmoothingParameters> SmoothingFor(std::int32_t smthType, std::int32_t forward, std::int32_t order) {
    switch (smthType) {
        case smCustom: return SmoothingParameters{forward, order};
        case smNone: return std::nullopt;
        case smLight: return SmoothingParameters{2, 2};
        case smLightMedium: return SmoothingParameters{4, 2};
        case smModerate: return SmoothingParameters{6, 2};
        case smMaximum: return SmoothingParameters{6, 4};
        default: return SmoothingParameters{2, 2};
    }
}

std::optional<std::vector<double>> Smooth(std::span<const double> v, std::int32_t smthType, std::int32_t forward,
                                          std::int32_t order) {
    const std::optional<SmoothingParameters> sg = SmoothingFor(smthType, forward, order);
    if (!sg || sg->forward == 0) return std::nullopt;
    if (!IsPowerOfTwo(v.size())) RejectWithoutText();
    std::vector<double> y(v.begin(), v.end());
    SavgolSmooth(y, sg->forward, sg->order);
    return y;
}

}  // namespace corvane
