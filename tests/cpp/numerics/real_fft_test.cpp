// The real transforms against the DFT summed term by term, in place and apart, on arrays of every
// alignment a double can have, for grid sizes and others.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "Corvane/numerics/grid/real_fft.h"

namespace {

using namespace corvane;

std::vector<std::complex<double>> Dft(const std::vector<double>& x) {
    const std::size_t n = x.size();
    std::vector<std::complex<double>> X(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k)
        for (std::size_t j = 0; j < n; ++j)
            X[k] += x[j] * std::polar(1.0, -2.0 * std::numbers::pi * double(j * k % n) / double(n));
    return X;
}

std::vector<double> Signal(std::size_t n) {
    std::vector<double> x(n);
    for (std::size_t j = 0; j < n; ++j) x[j] = std::sin(1.7 * double(j) + 0.3) + 0.1 * double(j % 5);
    return x;
}

TEST(RealFFT, SpectrumInPlaceAndApartOnEveryAlignment) {
    for (std::size_t n : {1u, 2u, 6u, 7u, 64u, 1024u})
        for (std::size_t offset : {0u, 1u}) {
            const std::vector<double> x = Signal(n);
            const auto want = Dft(x);
            // Apart: the input shifted by `offset` doubles, the spectrum in an array of its own.
            std::vector<double> in(n + 1);
            std::copy(x.begin(), x.end(), in.begin() + offset);
            const std::span<const double> xs(in.data() + offset, n);
            std::vector<std::complex<double>> X(n / 2 + 1);
            RealToComplex(xs, X);
            // In place: the grid in its padded array.
            std::vector<double> padded(SpectrumDoubles(n) + 1);
            std::copy(x.begin(), x.end(), padded.begin() + offset);
            const std::span<double> ps(padded.data() + offset, SpectrumDoubles(n));
            RealToComplex(ps.first(n), SpectrumIn(ps));
            for (std::size_t k = 0; k <= n / 2; ++k) {
                EXPECT_NEAR(std::abs(X[k] - want[k]), 0.0, 1e-12) << n << " apart, offset " << offset << ", k " << k;
                EXPECT_NEAR(std::abs(SpectrumIn(ps)[k] - want[k]), 0.0, 1e-12) << n << " in place, k " << k;
            }
            EXPECT_EQ(std::vector<double>(xs.begin(), xs.end()), x);  // the input is left as it was
            // Back: n times the grid, in place and apart.
            ComplexToReal(SpectrumIn(ps), ps.first(n));
            std::vector<double> out(n);
            ComplexToReal(X, out);
            for (std::size_t j = 0; j < n; ++j) {
                EXPECT_NEAR(ps[j], double(n) * x[j], 1e-11 * double(n)) << n << " in place, j " << j;
                EXPECT_NEAR(out[j], double(n) * x[j], 1e-11 * double(n)) << n << " apart, j " << j;
            }
        }
}

TEST(RealFFT, RejectsArraysThatDoNotFit) {
    std::vector<double> x(8);
    std::vector<std::complex<double>> X(4), empty;
    EXPECT_THROW(RealToComplex(x, X), std::invalid_argument);  // needs 5
    EXPECT_THROW(RealToComplex(std::span<const double>(), empty), std::invalid_argument);
    std::vector<double> padded(SpectrumDoubles(8) + 2);
    // A spectrum that starts inside the grid but not at its start overlaps it.
    const std::span<std::complex<double>> shifted(reinterpret_cast<std::complex<double>*>(padded.data() + 2), 5);
    EXPECT_THROW(RealToComplex(std::span<const double>(padded.data(), 8), shifted), std::invalid_argument);
    std::vector<double> out(8);
    EXPECT_THROW(HalfcomplexForward(x, std::span<double>(x)), std::invalid_argument);
    EXPECT_THROW(HalfcomplexForward(x, std::span<double>(out).first(4)), std::invalid_argument);
}

}  // namespace
