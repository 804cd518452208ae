#include "Corvane/numerics/frequency/freq_factory.h"

#include <array>
#include <stdexcept>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_emp.h"
#include "Corvane/numerics/frequency/freq_negbin.h"
#include "Corvane/numerics/frequency/freq_one.h"
#include "Corvane/numerics/frequency/freq_pig.h"
#include "Corvane/numerics/frequency/freq_poisson.h"

namespace freqdist {

namespace {

template <class Family>
std::unique_ptr<CAbstractFreq> Make(std::span<const double> v) {
    auto family = std::make_unique<Family>();
    family->SetParams(v);
    return family;
}

}  // namespace

std::unique_ptr<CAbstractFreq> CreateFreqDist(std::int32_t code, std::span<const double> params) {
    switch (code) {
        case corvane::fqOne:
            return std::make_unique<COne>();
        case corvane::fqPoisson:
            return Make<CPoisson>(params);
        case corvane::fqNegBinVM:
            return Make<CNegBin>(params);
        case corvane::fqNegBinCt: {
            // vm = 1 + c mean
            RequireParams(params, 2, "Negative binomial");
            const std::array<double, 2> v{params[0], 1.0 + params[1] * params[0]};
            return Make<CNegBin>(v);
        }
        case corvane::fqPIGVM: {
            // beta = vm - 1
            RequireParams(params, 2, "Poisson inverse-Gaussian");
            const std::array<double, 2> v{params[0], params[1] - 1.0};
            return Make<CPIG>(v);
        }
        case corvane::fqPIGCt:
            return Make<CPIG>(params);
        case corvane::fqEmp:
            return Make<CFreqEmp>(params);
        default:
            throw std::runtime_error("Invalid freq dist");
    }
}

}  // namespace freqdist
