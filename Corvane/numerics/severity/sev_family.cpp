#include "Corvane/numerics/severity/sev_family.h"

#include <stdexcept>

#include "Corvane/numerics/codes.h"

namespace corvane {

bool HasSeverityFamily(std::int32_t sevDist) {
    return sevDist == svMED || sevDist == svTLognormal || sevDist == svPareto;
}

SeverityFamily MakeSeverityFamily(std::int32_t sevDist, std::span<const double> values) {
    switch (sevDist) {
        case svMED: return CMED(values);
        case svTLognormal: return CTLognormal(values);
        case svPareto: return CPareto(values);
        default: throw std::runtime_error("Invalid sev dist");
    }
}

double CDF(const SeverityFamily& family, double x) {
    return std::visit([x](const auto& f) { return f.CDF(x); }, family);
}

double Survival(const SeverityFamily& family, double x) {
    return std::visit([x](const auto& f) { return f.Survival(x); }, family);
}

MomentTriple LayerMoments(const SeverityFamily& family, double layer, double attach, double share) {
    return std::visit([&](const auto& f) { return f.LayerMoments(layer, attach, share); }, family);
}

}  // namespace corvane
