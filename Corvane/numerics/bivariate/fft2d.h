// Two-dimensional real transform of an nx x ny grid, element (x, y) at x*ny + y, into
// nx rows of ny/2 + 1 complex values (element (kx, ky) at kx*(ny/2 + 1) + ky).
#pragma once

#include <complex>
#include <cstddef>
#include <span>

#include <fftw3.h>

namespace corvane {

// Holds its plans and one work array of its own: the forward transform reads the grid and leaves
// the transform in the work array; the inverse writes the work array back into a grid. Plans are
// made once, in estimate mode, and reused by every transform. Neither direction normalises: a
// round trip multiplies by nx*ny.
class CFFT2D {
public:
    CFFT2D(std::size_t nx, std::size_t ny);
    ~CFFT2D();
    CFFT2D(const CFFT2D&) = delete;
    CFFT2D& operator=(const CFFT2D&) = delete;

    std::size_t nx() const { return nx_; }
    std::size_t ny() const { return ny_; }

    // p holds nx*ny values; the transform replaces the content of Transform().
    void Forward(std::span<const double> p);
    // Writes the inverse transform of Transform() into p (nx*ny values); Transform() is overwritten.
    void Inverse(std::span<double> p);
    // nx*(ny/2 + 1) complex values, row by row.
    std::span<std::complex<double>> Transform();

private:
    void RequireGrid(std::size_t size) const;

    std::size_t nx_;
    std::size_t ny_;
    std::size_t rowStride_;  // doubles per padded row: 2*(ny/2 + 1)
    double* work_;
    fftw_plan forward_;
    fftw_plan inverse_;
};

}  // namespace corvane
