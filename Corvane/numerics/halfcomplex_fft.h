// One direction of the one-dimensional real FFT in halfcomplex order (FFTW's r2r kinds):
//   forward  X_k = sum_j x_j e^(-2 pi i jk/n), stored as Re X_0, Re X_1, ..., Re X_{n/2}, ..., Im X_1
//   inverse  x_j = sum_k X_k e^(+2 pi i jk/n), unnormalised (a round trip multiplies by n).
#pragma once

#include <cstddef>
#include <span>

#include <fftw3.h>

namespace corvane {

// Holds one FFTW plan, made in estimate mode on the first Execute and reused by later ones; it is
// made again only when the length or the arrays' alignment changes. Not copyable.
class CHalfcomplexFFT {
public:
    enum class Direction { Forward, Inverse };

    explicit CHalfcomplexFFT(Direction direction) : kind_(direction == Direction::Forward ? FFTW_R2HC : FFTW_HC2R) {}
    ~CHalfcomplexFFT();
    CHalfcomplexFFT(const CHalfcomplexFFT&) = delete;
    CHalfcomplexFFT& operator=(const CHalfcomplexFFT&) = delete;
    CHalfcomplexFFT(CHalfcomplexFFT&& other) noexcept;
    CHalfcomplexFFT& operator=(CHalfcomplexFFT&& other) noexcept;

    bool planned() const { return plan_ != nullptr; }

    // out = the transform of in, out of place; in is left intact. Both hold the same number n >= 1
    // of values and do not overlap.
    void Execute(std::span<const double> in, std::span<double> out);

private:
    void Destroy();

    fftw_r2r_kind kind_;
    fftw_plan plan_ = nullptr;
    std::size_t n_ = 0;
    int inAlignment_ = 0;
    int outAlignment_ = 0;
};

}  // namespace corvane
