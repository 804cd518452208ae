#include "Corvane/numerics/severity/sev_methods.h"

#include <stdexcept>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/require.h"
#include "Corvane/numerics/severity/sev_discretise.h"
#include "Corvane/numerics/severity/sev_family.h"

namespace corvane {

double SeverityF(std::int32_t sd, std::span<const double> params, double x, const CurveSource& entry) {
    if (sd != svBI && !HasSeverityFamily(sd)) RejectWithoutText();
    const CurveRecord curve = ResolveSeverity(sd, params, entry, nullptr);
    if (!HasSeverityFamily(curve.sevDist)) RejectWithoutText();
    return CurveF(curve, x);
}

std::vector<double> CreateSevDist(std::int32_t sv, std::span<const double> svParam, double layer, double attach,
                                  double share, std::int32_t num, double unit, const CurveSource& entry,
                                  const MixtureSource& mixture) {
    const CurveRecord curve = ResolveSeverity(sv, svParam, entry, mixture);
    return DiscretiseCount(*MakeSeverityFamily(curve.sevDist, curve.params), num, unit, layer, attach, share);
}

MomentTriple SevMoms(std::int32_t sevDist, std::span<const double> params, double layer, double attach,
                     double share, const CurveSource& entry, const MixtureSource& mixture) {
    const CurveRecord curve = ResolveSeverity(sevDist, params, entry, mixture);
    if (curve.sevDist == svOne) return {1.0, 1.0, 1.0};
    if (curve.sevDist == svEmp) throw std::runtime_error("Not implemented");
    const SeverityFamily family = MakeSeverityFamily(curve.sevDist, curve.params);
    RequireLayer(layer, attach, share);
    return family->LayerMoments(layer, attach, share);
}

double CurveF(const CurveRecord& curve, double x) {
    return MakeSeverityFamily(curve.sevDist, curve.params)->CDF(x);
}

double CurveLEV(const CurveRecord& curve, double x) {
    const SeverityFamily family = MakeSeverityFamily(curve.sevDist, curve.params);
    if (x <= 0) return 0.0;
    return family->Survival(0.0) * family->LayerMoments(x, 0.0, 1.0)[0];
}

}  // namespace corvane
