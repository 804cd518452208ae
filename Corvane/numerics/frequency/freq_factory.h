// Makes a frequency family from its freqDist code and the caller's parameters.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

// fqOne reads nothing; fqPoisson [mean]; fqNegBinVM [mean, vm]; fqNegBinCt [mean, c];
// fqPIGVM [mean, vm]; fqPIGCt [mean, beta]; fqEmp [p0, p1, ..., pK]. Values beyond those are ignored.
// A negative binomial with vm = 1 (c = 0) and a Poisson inverse-Gaussian with vm = 1 (beta = 0)
// are their Poisson limits. Fails with "Invalid freq dist" for any other code, and with an invalid
// argument when params is shorter than the family reads or a value lies outside its range.
std::unique_ptr<CAbstractFreq> CreateFreqDist(std::int32_t code, std::span<const double> params);

}  // namespace freqdist
