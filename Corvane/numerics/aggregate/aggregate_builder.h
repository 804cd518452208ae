// The aggregate builder: the distribution of S = X_1 + ... + X_N on 2^numL2 buckets of width unit.
//
// The claim size X is discretised onto the grid (a parametric family in an excess-of-loss layer,
// or data: a density, a sample, point masses), transformed, the claim count's generating function
// is applied to the transform, and the result transformed back, clamped and renormalised.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "Corvane/numerics/aggregate/grid_accuracy.h"
#include "Corvane/numerics/severity/curve_record.h"
#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/frequency/freq_abstract.h"
#include "Corvane/numerics/severity/sev_resolve.h"

namespace corvane {

struct AggregateRequest {
    std::int32_t fq;
    std::span<const double> fqParams;
    std::int32_t sv;
    std::span<const double> sevParams;  // for svBI, the entry index as its first value
    double layer;
    double attach;
    double share;
    std::int32_t numL2;
    double unit;  // 0 asks for an estimate (parametric severities only)
    // With p > 0 the aggregate is computed on 2^(numL2 + p) buckets and its first 2^numL2 returned,
    // the last of them holding the mass beyond, so nothing wraps onto small losses.
    std::int32_t padding = 0;
};

struct AggregateResult {
    bool computed = false;  // false for severity codes that compute nothing
    double unit = 0.0;      // the working bucket width, estimated when the request's was 0
    // Frequency, severity, their compound, the aggregate grid, the severity grid and the compound
    // of frequency and severity grid: three raw moments each.
    std::array<double, 18> moments{};
    CEmpDist aggregate;                          // n buckets, unit set
    std::optional<std::vector<double>> severity;  // the severity grid, for every code but svOne
    GridAccuracy accuracy;                        // how far the aggregate grid can be trusted
};

// Fails with "Wrong number of inputs" (svEmp of another length than 2^numL2), "Not ready for this
// yet" (svEDCo), and the texts of the families and the grid; numL2 outside 0..30, a data severity
// with a bucket width that is not positive and finite, svOne on a single bucket, a negative padding
// and numL2 + padding above 30 are invalid arguments.
AggregateResult BuildAggregate(const AggregateRequest& request, const CurveSource& entry,
                               const MixtureSource& mixture);

}  // namespace corvane
