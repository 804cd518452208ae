// ImancCo: the Iman-Conover rank-correlation shuffle. Holds nothing between calls; the draws come
// from the process-wide generator.
#pragma once

#include "Corvane/identities.h"
#include "automation/object.h"

namespace corvane {

class CImancCo : public automation::Dispatchable<CImancCo> {
public:
    static constexpr automation::ClassIdentity identity{CLSID_ImancCo, "Corvane.ImancCo.1", false};
    static const automation::DispatchTable<CImancCo> table;

    automation::Variant Shuffle(const automation::Variant& corrMat, std::int32_t nlines, std::int32_t sample_size,
                                std::int32_t rt);
    automation::Variant ShuffleEx(const automation::Variant& corrMat, std::int32_t nlines, std::int32_t sample_size,
                                  std::int32_t rt, std::int32_t st, double param1, double param2);
    void _RawShuffleEx(std::int32_t nlines, automation::ConstRawDoubles cov, std::int32_t sample_size, std::int32_t st,
                       double param1, double param2, automation::RawInt32s shuffleOut);
};

}  // namespace corvane
