#include "Corvane/numerics/severity/sev_family.h"

#include <stdexcept>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/severity/sev_med.h"
#include "Corvane/numerics/severity/sev_pareto.h"
#include "Corvane/numerics/severity/sev_tlognormal.h"

namespace corvane {

bool HasSeverityFamily(std::int32_t sevDist) {
    return sevDist == svMED || sevDist == svTLognormal || sevDist == svPareto;
}

SeverityFamily MakeSeverityFamily(std::int32_t sevDist, std::span<const double> values) {
    switch (sevDist) {
        case svMED: return std::make_unique<CMED>(values);
        case svTLognormal: return std::make_unique<CTLognormal>(values);
        case svPareto: return std::make_unique<CPareto>(values);
        default: throw std::runtime_error("Invalid sev dist");
    }
}

}  // namespace corvane
