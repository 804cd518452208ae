#include "Corvane/numerics/frequency/freq_pgf.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace freqdist {

namespace {

// Positions below this many values are rewritten on the calling thread alone.
constexpr std::size_t kThreadedSize = std::size_t{1} << 16;

bool SharesWork(std::size_t size) { return size >= kThreadedSize && std::thread::hardware_concurrency() >= 2; }

// Runs body(first, last) over [0, count) in `bands` contiguous parts, one a thread (the calling
// thread takes the last), at most one part per element.
template <class Body>
void Split(std::size_t count, std::size_t bands, Body body) {
    bands = std::clamp<std::size_t>(bands, 1, std::max<std::size_t>(count, 1));
    std::vector<std::jthread> workers;
    workers.reserve(bands - 1);
    for (std::size_t b = 0; b + 1 < bands; ++b)
        workers.emplace_back([&, b] { body(count * b / bands, count * (b + 1) / bands); });
    body(count * (bands - 1) / bands, count);
}

}  // namespace

void ApplyPGF(const CAbstractFreq& family, std::span<double> x) {
    const std::size_t n = x.size();
    if (n == 0 || !family.NeedsTransform()) return;
    x[0] = family.Pgf(x[0]).real();
    if (n % 2 == 0) x[n / 2] = family.Pgf(x[n / 2]).real();
    const std::size_t complexCount = (n + 1) / 2 - 1;  // positions 1 .. (n+1)/2 - 1
    Split(complexCount, SharesWork(n) ? 2 : 1, [&](std::size_t first, std::size_t last) {
        for (std::size_t k = first + 1; k < last + 1; ++k) {
            const std::complex<double> w = family.Pgf({x[k], x[n - k]});
            x[k] = w.real();
            x[n - k] = w.imag();
        }
    });
}

void ApplyPGF2D(const CAbstractFreq& family, std::complex<double>* data, std::size_t rows, std::size_t cols,
                double scale, int threads) {
    if (!family.NeedsTransform()) return;
    const std::size_t rowLength = cols / 2 + 1;
    const std::size_t bands = threads > 0 ? static_cast<std::size_t>(threads) : SharesWork(rows * cols) ? 2 : 1;
    Split(rows, bands, [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first * rowLength; i < last * rowLength; ++i) data[i] = family.Pgf(data[i]) * scale;
    });
}

}  // namespace freqdist
