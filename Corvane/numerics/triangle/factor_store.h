// The factor store of a cumulative loss-development triangle.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace corvane {

// True for the cells a triangle is read from: accident year a and development period k with
// a + k < nYears. `index` is the column-major index a + nYears k.
bool IsTriangleCell(std::size_t index, std::size_t nYears);

// The nYears x nYears store of the triangle C given column-major (C(a, k) at a + nYears k; cells
// below the diagonal are not read). Its upper-left triangle holds C(a, k) at a nYears + k; the
// age-to-age factors f(a, k) = C(a, k) / C(a, k - 1) of development step k (0.0 when
// C(a, k - 1) <= 0) lie contiguously at (nYears - k) nYears + k + a, oldest accident year first.
// A cell that is read and is not finite is an invalid argument naming the cell.
std::vector<double> FactorStore(std::span<const double> C, std::size_t nYears);

// The nYears - k factors of step k (1 <= k <= nYears - 1) in a store made by FactorStore.
std::span<const double> StepFactors(std::span<const double> store, std::size_t nYears, std::size_t k);

}  // namespace corvane
