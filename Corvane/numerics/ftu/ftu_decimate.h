// A coarser engine grid made from block sums of the finer one, in the same storage.
#pragma once

#include "Corvane/numerics/ftu/ftu_grid.h"

namespace corvane {

// Each cell (R, C) of the coarser grid of g.num / f cells a side (f = 2^d, 0 <= d <= 7) is the sum of
// the f x f block of g's cells with rows R f ... R f + f - 1 and columns C f ... C f + f - 1. The sum
// is formed by recursive quartering, ((top-left + top-right) + bottom-left) + bottom-right of the
// quarters' sums down to single cells, in extended precision and rounded once. The coarser grid is
// written from the start of g's storage at its own stride (g.num / f + 2), its padding 0: every
// write lies at or before every cell still to be read. Returns the coarser grid.
FTUGrid DecimateGrid(const FTUGrid& g, int d);

}  // namespace corvane
