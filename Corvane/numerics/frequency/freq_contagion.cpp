#include "Corvane/numerics/frequency/freq_contagion.h"

#include <stdexcept>

#include "Corvane/numerics/codes.h"

namespace freqdist {

namespace {

[[noreturn]] void RejectWithoutContagion(std::int32_t code) {
    switch (code) {
        case corvane::fqOne:
            throw std::invalid_argument("One with certainty has no contagion");
        case corvane::fqEmp:
            throw std::invalid_argument("An empirical claim count has no contagion");
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
