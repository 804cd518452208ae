// Resolution of a caller's severity code and values into the curve record that is computed with:
// a parameter-file entry (svBI), a user mixture of entries (svSimpleMixture), or the caller's own.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "Corvane/numerics/severity/curve_record.h"

namespace corvane {

// Builds the mixed-exponential record "User Mixture of MEDs" from (entry index, weight) pairs.
using MixtureSource = std::function<CurveRecord(std::span<const double> pairs)>;

// - svBI: the entry whose index is the first value truncated toward zero, as `entry` returns it
//   (its code is kept, whatever it is). No value, or an index outside 0..510, is an invalid argument.
// - svSimpleMixture: mixture(values); an odd number of values is an invalid argument.
// - any other code: a record with that code and a copy of the values (any number of them).
CurveRecord ResolveSeverity(std::int32_t sevDist, std::span<const double> values, const CurveSource& entry,
                            const MixtureSource& mixture);

}  // namespace corvane
