// Ranks by an iterative index quicksort (Numerical Recipes' indexx): median-of-three
// partitioning, straight insertion for partitions of at most 7 elements, and an explicit stack of
// 50 entries that always receives the larger partition, so it never needs more than 2 log2(n)
// entries. The keys travel with their indices, so that each pass reads contiguous memory.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace corvane {

struct KeyIndex {
    double key;
    std::int32_t index;
};

// Sorts `a` by key in place; equal keys keep the order the partitioning leaves them in.
// Throws std::runtime_error("NSTACK too small in indexx.") if the stack ever overflowed.
void IndexSort(std::span<KeyIndex> a);

// rank[i] = the 0-based position of x[i] among x sorted ascending; `work` is scratch space.
void RankValues(std::span<const double> x, std::span<std::int32_t> rank, std::vector<KeyIndex>& work);

}  // namespace corvane
