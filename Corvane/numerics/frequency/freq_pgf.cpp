#include "Corvane/numerics/frequency/freq_pgf.h"

#include <algorithm>

#include "Corvane/numerics/parallel_chunks.h"

namespace freqdist {

namespace {

// Positions below this many values are rewritten on the calling thread alone; above, two threads
// claim chunks of about kChunk values.
constexpr std::size_t kThreadedSize = std::size_t{1} << 16;
constexpr std::size_t kChunk = std::size_t{1} << 14;

}  // namespace

void ApplyPGF(const CAbstractFreq& family, std::span<double> x) {
    const std::size_t n = x.size();
    if (n == 0 || !family.NeedsTransform()) return;
    x[0] = family.Pgf(x[0]).real();
    if (n % 2 == 0) x[n / 2] = family.Pgf(x[n / 2]).real();
    const std::size_t complexCount = (n + 1) / 2 - 1;  // positions 1 .. (n+1)/2 - 1
    const int threads = corvane::ThreadsForWork(n, kThreadedSize);
    corvane::ForChunks(complexCount, kChunk, threads, [&](std::size_t first, std::size_t last) {
        for (std::size_t k = first + 1; k < last + 1; ++k) {
            const std::complex<double> w = family.Pgf({x[k], x[n - k]});
            x[k] = w.real();
            x[n - k] = w.imag();
        }
    });
}

void ApplyPGFToSpectrum(const CAbstractFreq& family, std::span<std::complex<double>> X, double scale) {
    if (!family.NeedsTransform()) return;
    const int threads = corvane::ThreadsForWork(2 * X.size(), kThreadedSize);
    corvane::ForChunks(X.size(), kChunk, threads, [&](std::size_t first, std::size_t last) {
        family.ScaledPgfInPlace(X.subspan(first, last - first), scale);
    });
}

void ApplyPGF2D(const CAbstractFreq& family, std::complex<double>* data, std::size_t rows, std::size_t cols,
                double scale, int threads) {
    if (!family.NeedsTransform()) return;
    const std::size_t rowLength = cols / 2 + 1;
    const std::size_t rowsPerChunk = std::max<std::size_t>(1, kChunk / rowLength);
    if (threads <= 0) threads = corvane::ThreadsForWork(rows * cols, kThreadedSize);
    corvane::ForChunks(rows, rowsPerChunk, threads, [&](std::size_t first, std::size_t last) {
        family.ScaledPgfInPlace({data + first * rowLength, (last - first) * rowLength}, scale);
    });
}

}  // namespace freqdist
