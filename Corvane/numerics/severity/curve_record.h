// A named severity curve: a parameter-file entry, or a mixture assembled from entries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

struct CurveRecord {
    std::u16string name;
    std::u16string description;
    std::int32_t sevDist = 0;
    std::vector<double> params;  // the curve's parameters; for svMED, (mean, weight) pairs
};

// Looks up a curve by its entry index; throws when the index names no usable entry.
using CurveSource = std::function<CurveRecord(int index)>;

}  // namespace corvane
