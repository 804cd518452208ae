#include "Corvane/numerics/frequency/freq_contagion.h"

#include <stdexcept>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/require.h"

namespace freqdist {

namespace {

[[noreturn]] void RejectWithoutContagion(std::int32_t code) {
    switch (code) {
        case corvane::fqOne:
            throw corvane::InvalidArgument("One with certainty has no contagion");
        case corvane::fqEmp:
            throw corvane::InvalidArgument("An empirical claim count has no contagion");
        default:
            throw std::runtime_error("Invalid freq dist");
    }
}

}  // namespace

double VMtoCont(std::int32_t code, double mean, double vm) {
    switch (code) {
        case corvane::fqPoisson:
            return 0.0;
        case corvane::fqNegBinVM:
        case corvane::fqNegBinCt:
            return (vm - 1.0) / mean;
        case corvane::fqPIGVM:
        case corvane::fqPIGCt:
            return vm - 1.0;
        default:
            RejectWithoutContagion(code);
    }
}

double CtgToVM(std::int32_t code, double mean, double ctg) {
    switch (code) {
        case corvane::fqPoisson:
            return 1.0;
        case corvane::fqNegBinVM:
        case corvane::fqNegBinCt:
            return 1.0 + ctg * mean;
        case corvane::fqPIGVM:
        case corvane::fqPIGCt:
            return 1.0 + ctg;
        default:
            RejectWithoutContagion(code);
    }
}

}  // namespace freqdist
