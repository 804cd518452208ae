#include "Corvane/numerics/bivariate/biv_marginals.h"

#include <stdexcept>

#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

void RequireGrid(std::span<const double> p, std::size_t nx, std::size_t ny) {
    if (p.size() != nx * ny) throw InvalidArgument("density of the wrong size for its grid");
}

}  // namespace

std::vector<double> MarginalOfX(std::span<const double> p, std::size_t nx, std::size_t ny) {
    RequireGrid(p, nx, ny);
    std::vector<double> m(nx, 0.0);
    for (std::size_t x = 0; x < nx; ++x) {
        const double* row = p.data() + x * ny;
        double s = 0.0;
        for (std::size_t y = 0; y < ny; ++y) s += row[y];
        m[x] = s;
    }
    return m;
}

// Rows are added one after another, so the inner loop runs over contiguous memory.
std::vector<double> MarginalOfY(std::span<const double> p, std::size_t nx, std::size_t ny) {
    RequireGrid(p, nx, ny);
    std::vector<double> m(ny, 0.0);
    for (std::size_t x = 0; x < nx; ++x) {
        const double* row = p.data() + x * ny;
        for (std::size_t y = 0; y < ny; ++y) m[y] += row[y];
    }
    return m;
}

}  // namespace corvane
