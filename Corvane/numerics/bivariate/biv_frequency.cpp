#include "Corvane/numerics/bivariate/biv_frequency.h"

#include <complex>
#include <thread>

namespace corvane {

namespace {

// The generating function rewrites every element on its own, so a large transform shares the
// work with a second thread, each taking half of the rows. A family divides by the number of
// cells it is given, here half the grid's, so each half is scaled by 1/2 after: rows and columns
// are powers of two, which makes that scaling exact.
void ApplyPGF2D(const freqdist::CAbstractFreq& family, std::complex<double>* data, std::size_t nx, std::size_t ny) {
    if (nx * ny < (std::size_t{1} << 16) || nx < 2 || std::thread::hardware_concurrency() < 2) {
        family.ApplyPGF2D(data, nx, ny);
        return;
    }
    const std::size_t half = nx / 2, count = half * (ny / 2 + 1);
    auto apply = [&](std::complex<double>* rows) {
        family.ApplyPGF2D(rows, half, ny);
        for (std::size_t i = 0; i < count; ++i) rows[i] *= 0.5;
    };
    std::thread worker(apply, data);
    apply(data + count);
    worker.join();
}

}  // namespace

void ApplyFrequency2D(const freqdist::CAbstractFreq& family, CFFT2D& fft, std::span<double> p) {
    if (!family.NeedsTransform()) return;
    fft.Forward(p);
    ApplyPGF2D(family, fft.Transform().data(), fft.nx(), fft.ny());
    fft.Inverse(p);
}

}  // namespace corvane
