// One direction of the one-dimensional real FFT in halfcomplex order:
//   forward  X_k = sum_j x_j e^(-2 pi i jk/n), stored as Re X_0, Re X_1, ..., Re X_{n/2}, ..., Im X_1
//   inverse  x_j = sum_k X_k e^(+2 pi i jk/n), unnormalised (a round trip multiplies by n).
#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include <fftw3.h>

namespace corvane {

// Holds one FFTW plan, made in estimate mode on the first Execute and reused by later ones; it is
// made again only when the length or the real array's alignment changes. Not copyable.
//
// Grid sizes (powers of two) on SIMD-aligned arrays share one plan per size and direction for the
// life of the process: making a plan computes its table of n twiddle factors, which would
// otherwise cost more than the transform itself on every new grid.
//
// FFTW's real-to-complex transforms run about twice as fast as its halfcomplex (r2r) kinds, so
// the plan transforms between the real array and a complex work array of n/2 + 1 values, which
// one pass packs into (or unpacks from) the halfcomplex order.
class CHalfcomplexFFT {
public:
    enum class Direction { Forward, Inverse };

    explicit CHalfcomplexFFT(Direction direction) : direction_(direction) {}
    ~CHalfcomplexFFT();
    CHalfcomplexFFT(const CHalfcomplexFFT&) = delete;
    CHalfcomplexFFT& operator=(const CHalfcomplexFFT&) = delete;
    CHalfcomplexFFT(CHalfcomplexFFT&& other) noexcept;
    CHalfcomplexFFT& operator=(CHalfcomplexFFT&& other) noexcept;

    // out = the transform of in, out of place; in is left intact. Both hold the same number n >= 1
    // of values and do not overlap.
    void Execute(std::span<const double> in, std::span<double> out);

private:
    struct WorkArray {
        struct Free {
            void operator()(fftw_complex* p) const;
        };
        static fftw_complex* Allocate(std::size_t count);
    };

    void Destroy();
    void Plan(std::size_t n, double* real);

    Direction direction_;
    fftw_plan plan_ = nullptr;
    bool sharedPlan_ = false;
    std::unique_ptr<fftw_complex[], WorkArray::Free> work_;  // n/2 + 1 complex values, for an own plan
    std::size_t n_ = 0;
    int realAlignment_ = 0;
};

}  // namespace corvane
