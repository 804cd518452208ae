// Conversions between the variance multiplier vm = Var N / E N and the contagion c of the
// two-parameter frequency families, as the factory relates them.
#pragma once

#include <cstdint>

namespace freqdist {

// Negative binomial (fqNegBinVM, fqNegBinCt): vm = 1 + c mean, so c = (vm - 1)/mean.
// Poisson inverse-Gaussian (fqPIGVM, fqPIGCt): c = beta = vm - 1.
// Poisson: c = 0 and vm = 1 whatever is given.
// fqOne and fqEmp have no contagion: an invalid argument. Any other code: "Invalid freq dist".
double VMtoCont(std::int32_t code, double mean, double vm);
double CtgToVM(std::int32_t code, double mean, double ctg);

}  // namespace freqdist
