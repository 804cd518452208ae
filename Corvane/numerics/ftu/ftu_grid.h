// The two-dimensional engine's square grid of num x num cells, num a power of two, stored row by
// row in rows of num + 2 doubles: the in-place layout of a padded two-dimensional real-to-complex
// transform. In the space domain cell (r, c) is the double at r (num + 2) + c and the last two
// doubles of a row are padding; in the transform domain row r holds num/2 + 1 complex values
// (real part first), so the whole grid is one array of num x (num/2 + 1) complex values.
#pragma once

#include <complex>
#include <cstddef>

namespace corvane {

struct FTUGrid {
    double* data = nullptr;
    std::size_t num = 0;

    std::size_t stride() const { return num + 2; }
    // The doubles the grid occupies, padding included.
    std::size_t size() const { return num * stride(); }
    double& operator()(std::size_t r, std::size_t c) const { return data[r * stride() + c]; }
    std::complex<double>* Transform() const { return reinterpret_cast<std::complex<double>*>(data); }
    std::size_t TransformSize() const { return num * (num / 2 + 1); }
};

}  // namespace corvane
