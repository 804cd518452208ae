#include "Corvane/numerics/bivariate/biv_lossalae.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <thread>

#include "Corvane/numerics/bivariate/biv_diagonal.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

// Ceded part min(max(S - A, 0), L) of a density d on buckets of width u, bucket k judged by its
// upper edge e_k = (k + 1/2) u: e_k < A cedes nothing, A <= e_k < A + L cedes bucket k - a (a the
// count of buckets below A), and the rest cede the whole band of l buckets.
std::vector<double> CededLayer(const std::vector<double>& d, double u, double L, double A) {
    const std::size_t n = d.size();
    std::vector<double> out(n, 0.0);
    std::size_t a = 0, l = 0;
    double e = u / 2.0;
    for (std::size_t k = 0; k < n; ++k, e += u) {
        if (e < A) {
            out[0] += d[k];
            ++a;
        } else if (e < A + L) {
            out[k - a] += d[k];
            ++l;
        } else {
            out[l] += d[k];
        }
    }
    return out;
}

// Pro-rata payments of rows [first, last) added into out (n buckets).
void ProRataRows(std::span<const double> p, std::size_t n, double u, double layer, double attach, std::size_t first,
                 std::size_t last, std::vector<double>& out) {
    const double top = static_cast<double>(n - 1);
    for (std::size_t x = first; x < last; ++x) {
        const double loss = static_cast<double>(x) * u;
        const double c = loss < attach ? 0.0 : (loss <= attach + layer ? loss - attach : layer);
        const double* row = p.data() + x * n;
        for (std::size_t y = 0; y < n; ++y) {
            const double t = c * (static_cast<double>(y) * u / loss + 1.0);
            const double bucket = std::min(std::trunc(t / u + 0.5), top);
            out[static_cast<std::size_t>(bucket)] += row[y];
        }
    }
}

std::vector<double> ProRata(std::span<const double> p, std::size_t n, double u, double layer, double attach,
                            std::int32_t nThreads) {
    std::vector<double> out(n, 0.0), upper(n, 0.0);
    for (std::size_t y = 0; y < n; ++y) out[0] += p[y];
    // Rows 1 .. n/2 - 1 and n/2 .. n - 1 are summed apart and added at the end, on one thread or two.
    const std::size_t split = std::max<std::size_t>(n / 2, 1);
    std::vector<double> lower(n, 0.0);
    if (nThreads >= 2) {
        std::thread worker([&] { ProRataRows(p, n, u, layer, attach, split, n, upper); });
        ProRataRows(p, n, u, layer, attach, 1, split, lower);
        worker.join();
    } else {
        ProRataRows(p, n, u, layer, attach, 1, split, lower);
        ProRataRows(p, n, u, layer, attach, split, n, upper);
    }
    for (std::size_t k = 0; k < n; ++k) out[k] += lower[k] + upper[k];
    return out;
}

}  // namespace

std::vector<double> LossALAE(std::span<const double> p, std::size_t nx, std::size_t ny, double unitX, double unitY,
                             std::int32_t aT, double layer, double attach, std::int32_t nThreads) {
    if (nx != ny || unitX != unitY)
        throw InvalidArgument("loss and expense need a square grid with equal units");
    const std::size_t n = nx;
    const double u = unitX;
    if (n == 0 || p.size() != n * n) throw InvalidArgument("density of the wrong size for its grid");
    if (!(u > 0.0) || !std::isfinite(u)) throw InvalidArgument("loss and expense need a positive unit");
    if (!(attach >= 0.0) || !(layer >= 0.0))
        throw InvalidArgument("the layer needs a non-negative attachment and limit");
    switch (aT) {
        case alaeIncluded:
            return CededLayer(DiagonalGrid(p, nx, ny, unitX, unitY), u, layer, attach);
        case alaeProRata:
            return ProRata(p, n, u, layer, attach, nThreads);
        default:
            throw InvalidArgument("unknown ALAE treatment " + std::to_string(aT));
    }
}

}  // namespace corvane
