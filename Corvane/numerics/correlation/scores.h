// Random scores of the rank-correlation shuffle, by scoreType code:
//   scNormal       standard normal variates
//   scUniform      the generator's 32-bit output times 2^-32, in single precision
//   scExponential  -ln u, u uniform on (0, 1) (zero outputs redrawn)
//   scBeta         Beta(param1, param2), as X / (X + Y) with X ~ Gamma(param1), Y ~ Gamma(param2)
//   scGamma        Gamma(param1, 1), whose mean is param1
// Normal, uniform and exponential scores are always rounded to single precision; gamma and beta
// scores when `single` is set.
#pragma once

#include <cstdint>
#include <random>
#include <span>

namespace corvane {

// Fails with InvalidArgument for a code outside 0 ... 4 and for parameters the code's
// distribution does not have (gamma: param1 > 0; beta: param1 > 0 and param2 > 0).
void CheckScoreType(std::int32_t st, double param1, double param2);

// Fills `out` with variates drawn in order from `g`; the code must have passed CheckScoreType.
void DrawScores(std::mt19937& g, std::int32_t st, double param1, double param2, bool single, std::span<double> out);

}  // namespace corvane
