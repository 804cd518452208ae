#include "Corvane/numerics/aggregate/aggregate_builder.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Corvane/numerics/aggregate/compound_grid.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_factory.h"
#include "Corvane/numerics/frequency/freq_pgf.h"
#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/require.h"
#include "Corvane/numerics/severity/sev_discretise.h"
#include "Corvane/numerics/severity/sev_family.h"
#include "Corvane/numerics/moments/tln_fit.h"
#include "Corvane/numerics/grid/grid_array.h"
#include "Corvane/numerics/grid/grid_checks.h"

namespace corvane {

namespace {

// (1/W) sum_i w_i x_i^j, j = 1, 2, 3, over points x with weights w.
MomentTriple WeightedMoments(std::span<const double> x, std::span<const double> w) {
    MomentTriple m{0.0, 0.0, 0.0};
    double total = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double xi = x[i], wi = w.empty() ? 1.0 : w[i];
        m[0] += wi * xi;
        m[1] += wi * xi * xi;
        m[2] += wi * xi * xi * xi;
        total += wi;
    }
    for (double& v : m) v /= total;
    return m;
}

// The severity grid of a data severity and the severity's own moments.
std::pair<CEmpDist, MomentTriple> DataSeverity(std::int32_t sv, std::span<const double> values, std::int32_t numL2,
                                               double unit) {
    const std::size_t n = std::size_t{1} << numL2;
    switch (sv) {
        case svEmp: {
            if (values.size() != n) throw std::runtime_error("Wrong number of inputs");
            CEmpDist grid(CheckedDensity(values, "Severity density"), unit);
            MomentTriple m = grid.RawMoments();
            return {std::move(grid), m};
        }
        case svOne: {
            if (n < 2) throw InvalidArgument("A claim of one bucket needs at least two buckets");
            CEmpDist grid(n);
            grid.data()[1] = 1.0;
            grid.SetUnit(unit);
            return {std::move(grid), MomentTriple{unit, unit * unit, unit * unit * unit}};
        }
        case svAIR:
            return {CEmpDist::FromSample(values, numL2, unit), WeightedMoments(values, {})};
        default: {  // svRMS: the first half amounts, the second half their probabilities
            const std::size_t m = values.size() / 2;
            auto x = values.first(m), q = values.subspan(m, m);
            return {CEmpDist::FromPoints(x, q, numL2, unit), WeightedMoments(x, q)};
        }
    }
}

}  // namespace

AggregateResult BuildAggregate(const AggregateRequest& r, const CurveSource& entry, const MixtureSource& mixture) {
    GridSizeFromL2(r.numL2);
    Require(r.padding >= 0, "Padding must be >= 0, got " + std::to_string(r.padding));
    GridSizeFromL2(r.numL2 + r.padding);
    AggregateResult out;
    out.unit = r.unit;
    const bool parametric = r.sv == svMED || r.sv == svTLognormal || r.sv == svPareto || r.sv == svBI ||
                            r.sv == svSimpleMixture;
    const bool data = r.sv == svEmp || r.sv == svOne || r.sv == svAIR || r.sv == svRMS;
    if (r.sv == svEDCo) throw std::runtime_error("Not ready for this yet");
    if (!parametric && !data) return out;

    auto frequency = freqdist::CreateFreqDist(r.fq, r.fqParams);
    const MomentTriple freq = frequency->Moments();
    const double n = std::ldexp(1.0, r.numL2);

    CEmpDist severity;
    MomentTriple sev;
    if (parametric) {
        CurveRecord curve = ResolveSeverity(r.sv, r.sevParams, entry, mixture);
        SeverityFamily family = MakeSeverityFamily(curve.sevDist, curve.params);
        RequireLayer(r.layer, r.attach, r.share);
        RequireNonNegative(out.unit, "Bucket width unit");
        sev = family->LayerMoments(r.layer, r.attach, r.share);
        if (out.unit == 0.0) out.unit = EstimateUnitFromMoments(CompoundMoments(freq, sev), r.layer, n);
        severity = CEmpDist(DiscretiseGrid(*family, r.numL2, out.unit, r.layer, r.attach, r.share), out.unit);
    } else {
        RequireUnit(out.unit);
        std::tie(severity, sev) = DataSeverity(r.sv, r.sevParams, r.numL2, out.unit);
    }

    if (parametric) out.accuracy.layerBuckets = std::trunc(r.layer * r.share / out.unit);
    // A layer's grid holds nothing above its top bucket, so its moments are summed up to there.
    const std::span<const double> sevHeld =
        parametric ? severity.values().first(static_cast<std::size_t>(out.accuracy.layerBuckets) + 1) : severity.values();
    const MomentTriple sevGrid = r.sv == svEmp || r.sv == svOne ? sev : GridRawMoments(sevHeld, out.unit);
    const MomentTriple exact = CompoundMoments(freq, sev), unwrapped = CompoundMoments(freq, sevGrid);
    MomentTriple aggregateGrid;
    if (r.padding == 0) {
        CompoundResult c = CompoundGrid(*frequency, severity.values(), out.unit);
        out.aggregate = CEmpDist(std::move(c.density), out.unit);
        aggregateGrid = c.moments;
        out.accuracy.wrapped = WrappedMass(unwrapped[0], aggregateGrid[0], n * out.unit);
    } else {
        const std::size_t returned = severity.num(), length = returned << r.padding;
        std::vector<double> padded = GridArray(length);
        std::copy(severity.values().begin(), severity.values().end(), padded.begin());
        CompoundResult c = CompoundGrid(*frequency, padded, out.unit);
        padded = {};
        out.accuracy.wrapped = WrappedMass(unwrapped[0], c.moments[0], static_cast<double>(length) * out.unit);
        for (std::size_t k = returned; k < length; ++k) out.accuracy.beyond += c.density[k];
        c.density.resize(returned);
        c.density.shrink_to_fit();
        c.density.back() += out.accuracy.beyond;
        out.aggregate = CEmpDist(std::move(c.density), out.unit);
        aggregateGrid = out.aggregate.RawMoments();
    }
    if (r.sv != svOne) out.severity = severity.ReleaseValues();
    out.accuracy.meanError = RelativeMeanError(aggregateGrid[0], exact[0]);
    out.moments = BuilderMomentVector(freq, sev, aggregateGrid, sevGrid);
    out.computed = true;
    return out;
}

}  // namespace corvane
