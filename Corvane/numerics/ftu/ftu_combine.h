// Two engine grids of the same size combined cell by cell.
#pragma once

#include "Corvane/numerics/ftu/ftu_grid.h"

namespace corvane {

// In the transform domain: every complex value of g becomes its product with the value at the same
// place in `other` (the transform of the sum of two independent pairs). other may be g's own data.
void MultiplyTransforms(const FTUGrid& g, const double* other);

// In the space domain: every cell of g becomes wtThis g + wtOther other; the padding is not touched
// and the weights are taken as they are. other may be g's own data.
void MixCells(const FTUGrid& g, const double* other, double wtThis, double wtOther);

}  // namespace corvane
