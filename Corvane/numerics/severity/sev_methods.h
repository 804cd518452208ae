// The severity computations behind AggCo.F, AggCo.CreateSevDist, AggCo.SevMoms and the curve
// evaluations of ParamFile (BI_F, BI_LEV), one call each.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Corvane/numerics/severity/curve_record.h"
#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/severity/sev_resolve.h"

namespace corvane {

// F(x) of the family sd with params, or of the parameter-file curve params[0] for svBI.
// A code that has no family (after resolution) fails with an invalid argument without text.
double SeverityF(std::int32_t sd, std::span<const double> params, double x, const CurveSource& entry);

// The severity resolved from sv and svParam, discretised in the layer onto num buckets
// (DiscretiseCount). A resolved code without a family fails with "Invalid sev dist".
std::vector<double> CreateSevDist(std::int32_t sv, std::span<const double> svParam, double layer, double attach,
                                  double share, std::int32_t num, double unit, const CurveSource& entry,
                                  const MixtureSource& mixture);

// Layer moments of the resolved severity; svOne gives [1, 1, 1]; svEmp fails with
// "Not implemented"; any other code without a family with "Invalid sev dist".
MomentTriple SevMoms(std::int32_t sevDist, std::span<const double> params, double layer, double attach,
                     double share, const CurveSource& entry, const MixtureSource& mixture);

// F(x) of a curve record; a code without a family fails with "Invalid sev dist".
double CurveF(const CurveRecord& curve, double x);

// Limited expected value E[min(max(X, 0), x)] = integral of S(y) over 0 <= y <= x, 0 for x <= 0;
// a code without a family fails with "Invalid sev dist".
double CurveLEV(const CurveRecord& curve, double x);

}  // namespace corvane
