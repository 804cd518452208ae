#include "Corvane/numerics/frequency/freq_factory.h"

#include <stdexcept>
#include <string>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_contagion.h"
#include "Corvane/numerics/frequency/freq_emp.h"
#include "Corvane/numerics/frequency/freq_negbin.h"
#include "Corvane/numerics/frequency/freq_one.h"
#include "Corvane/numerics/frequency/freq_pig.h"
#include "Corvane/numerics/frequency/freq_poisson.h"
#include "Corvane/numerics/require.h"

namespace freqdist {

namespace {

void RequireCount(std::span<const double> v, std::size_t needed, const char* family) {
    corvane::Require(v.size() >= needed, std::string(family) + " needs " + std::to_string(needed) +
                                             " parameter(s), got " + std::to_string(v.size()));
}

// The second parameter of a two-parameter family, given as vm = Var N / E N (>= 1) or as its
// contagion c (>= 0), converted to what the family takes by the one contagion conversion.
double SecondParameter(std::int32_t code, std::span<const double> v, const char* family, const char* contagion,
                       bool familyTakesVM) {
    RequireCount(v, 2, family);
    corvane::RequireNonNegative(v[0], std::string(family) + " mean");
    const bool givenAsVM = code == corvane::fqNegBinVM || code == corvane::fqPIGVM;
    if (givenAsVM) {
        corvane::RequireAtLeast(v[1], 1.0, std::string(family) + " variance/mean");
    } else {
        corvane::RequireNonNegative(v[1], std::string(family) + " " + contagion);
    }
    if (givenAsVM == familyTakesVM) return v[1];
    return givenAsVM ? VMtoCont(code, v[0], v[1]) : CtgToVM(code, v[0], v[1]);
}

}  // namespace

std::unique_ptr<CAbstractFreq> CreateFreqDist(std::int32_t code, std::span<const double> params) {
    switch (code) {
        case corvane::fqOne:
            return std::make_unique<COne>();
        case corvane::fqPoisson:
            RequireCount(params, 1, "Poisson");
            return std::make_unique<CPoisson>(params[0]);
        case corvane::fqNegBinVM:
        case corvane::fqNegBinCt: {
            const double vm = SecondParameter(code, params, "Negative binomial", "contagion", true);
            if (vm == 1.0) return std::make_unique<CPoisson>(params[0]);
            return std::make_unique<CNegBin>(params[0], vm);
        }
        case corvane::fqPIGVM:
        case corvane::fqPIGCt: {
            const double beta = SecondParameter(code, params, "Poisson inverse-Gaussian", "beta", false);
            if (beta == 0.0) return std::make_unique<CPoisson>(params[0]);
            return std::make_unique<CPIG>(params[0], beta);
        }
        case corvane::fqEmp:
            RequireCount(params, 1, "Empirical claim count");
            return std::make_unique<CFreqEmp>(params);
        default:
            throw std::runtime_error("Invalid freq dist");
    }
}

}  // namespace freqdist
