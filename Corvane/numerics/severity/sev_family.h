// The parametric claim-size families as one value type, made from a severity code and its values.
#pragma once

#include <cstdint>
#include <span>
#include <variant>

#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/severity/sev_med.h"
#include "Corvane/numerics/severity/sev_pareto.h"
#include "Corvane/numerics/severity/sev_tlognormal.h"

namespace corvane {

using SeverityFamily = std::variant<CMED, CTLognormal, CPareto>;

// True for svMED, svTLognormal and svPareto, the codes that have a family.
bool HasSeverityFamily(std::int32_t sevDist);

// The family of code svMED, svTLognormal or svPareto made with values (and checked by its
// constructor); any other code fails with "Invalid sev dist".
SeverityFamily MakeSeverityFamily(std::int32_t sevDist, std::span<const double> values);

double CDF(const SeverityFamily& family, double x);
double Survival(const SeverityFamily& family, double x);
MomentTriple LayerMoments(const SeverityFamily& family, double layer, double attach, double share);

}  // namespace corvane
