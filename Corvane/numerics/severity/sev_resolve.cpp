#include "Corvane/numerics/severity/sev_resolve.h"

#include <cmath>
#include <stdexcept>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/require.h"

namespace corvane {
namespace {

constexpr double kLastEntry = 510;

int EntryIndex(std::span<const double> values) {
    if (values.empty()) throw InvalidArgument("A built-in curve needs its entry index");
    const double index = std::trunc(values[0]);
    if (!(index >= 0 && index <= kLastEntry))
        throw InvalidArgument("The entry index of a built-in curve must lie in 0..510");
    return static_cast<int>(index);
}

}  // namespace

CurveRecord ResolveSeverity(std::int32_t sevDist, std::span<const double> values, const CurveSource& entry,
                            const MixtureSource& mixture) {
    switch (sevDist) {
        case svBI: return entry(EntryIndex(values));
        case svSimpleMixture:
            if (values.size() % 2 != 0)
                throw InvalidArgument("A user mixture needs pairs of entry index and weight");
            return mixture(values);
        default: {
            CurveRecord record;
            record.sevDist = sevDist;
            record.params.assign(values.begin(), values.end());
            return record;
        }
    }
}

}  // namespace corvane
