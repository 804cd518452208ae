#include "Corvane/numerics/frequency/freq_pgf.h"

#include <thread>

namespace freqdist {

namespace {

// Positions below this many values are rewritten on the calling thread alone.
constexpr std::size_t kThreadedSize = std::size_t{1} << 16;

bool SharesWork(std::size_t size) { return size >= kThreadedSize && std::thread::hardware_concurrency() >= 2; }

// Runs body(first, last) over [0, count), on two threads for a large count.
template <class Body>
void Split(std::size_t count, bool shared, Body body) {
    if (!shared || count < 2) {
        body(std::size_t{0}, count);
        return;
    }
    std::thread worker([&] { body(std::size_t{0}, count / 2); });
    body(count / 2, count);
    worker.join();
}

}  // namespace

void ApplyPGF(const CAbstractFreq& family, std::span<double> x) {
    const std::size_t n = x.size();
    if (n == 0 || !family.NeedsTransform()) return;
    x[0] = family.Pgf(x[0]).real();
    if (n % 2 == 0) x[n / 2] = family.Pgf(x[n / 2]).real();
    const std::size_t complexCount = (n + 1) / 2 - 1;  // positions 1 .. (n+1)/2 - 1
    Split(complexCount, SharesWork(n), [&](std::size_t first, std::size_t last) {
        for (std::size_t k = first + 1; k < last + 1; ++k) {
            const std::complex<double> w = family.Pgf({x[k], x[n - k]});
            x[k] = w.real();
            x[n - k] = w.imag();
        }
    });
}

void ApplyPGF2D(const CAbstractFreq& family, std::complex<double>* data, std::size_t rows, std::size_t cols) {
    if (!family.NeedsTransform()) return;
    const std::size_t rowLength = cols / 2 + 1;
    const double scale = 1.0 / (static_cast<double>(rows) * static_cast<double>(cols));
    Split(rows, SharesWork(rows * cols), [&](std::size_t first, std::size_t last) {
        for (std::size_t i = first * rowLength; i < last * rowLength; ++i) data[i] = family.Pgf(data[i]) * scale;
    });
}

}  // namespace freqdist
