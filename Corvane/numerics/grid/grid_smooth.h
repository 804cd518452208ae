// Smoothing of a vector of 2^k values with the Savitzky-Golay smoother, by strength code.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvane {

struct SmoothingParameters {
    int forward;  // window of forward points on each side
    int order;    // polynomial degree
};

// The window and order of a smoothingEnum code: smCustom takes the caller's forward and order;
// smLight (2, 2), smLightMedium (4, 2), smModerate (6, 2), smMaximum (6, 4); any other code
// (2, 2). smNone has none (no smoothing).
std::optional<SmoothingParameters> SmoothingFor(std::int32_t smthType, std::int32_t forward, std::int32_t order);

// The smoothed vector, or nothing when the code is smNone or the window is 0 (the caller's result
// is then left as it was). A length that is not a power of two fails with
// an invalid argument without text; negative parameters, and an order the window
// cannot determine (order >= 2 forward + 1), are invalid arguments.
std::optional<std::vector<double>> Smooth(std::span<const double> v, std::int32_t smthType, std::int32_t forward,
                                          std::int32_t order);

}  // namespace corvane
