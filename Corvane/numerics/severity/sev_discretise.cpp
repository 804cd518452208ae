#include "Corvane/numerics/severity/sev_discretise.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/grid/grid_array.h"
#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/require.h"
#include "Corvane/numerics/severity/sev_med.h"

namespace corvane {
namespace {

constexpr const char* kLayerDoesNotFit = "Invalid unit for size of layer";

// Points per block of the mixed-exponential evaluation: inside a block,
// exp(-(x0 + s h) r) = exp(-x0 r) exp(-s h r), with exp(-x0 r) evaluated afresh at each block's
// first point and exp(-s h r) tabulated once, so no error accumulates from block to block.
constexpr std::size_t kBlock = 64;

// Mixed exponential: a bucket is c (S(x_{j-1}) - S(x_j)) = sum_i c w_i (1 - exp(-h r_i)) exp(-x_{j-1} r_i),
// a sum of terms without cancellation for positive weights. At least one interior bucket; b holds
// zeros on entry.
void FillMED(const CMED& med, double A, double h, double c, std::span<double> b) {
    const std::size_t q = b.size() - 1;
    const auto w = med.Weights();
    const auto r = med.Rates();
    const std::size_t k = w.size();

    double first = 0;
    for (std::size_t i = 0; i < k; ++i) first += w[i] * std::exp(-A * r[i]) * -std::expm1(-0.5 * h * r[i]);
    b[0] = c * first;

    std::vector<double> a(k), p(k * kBlock);
    for (std::size_t i = 0; i < k; ++i) {
        a[i] = -c * w[i] * std::expm1(-h * r[i]);
        for (std::size_t s = 0; s < kBlock; ++s)
            p[i * kBlock + s] = std::exp(-(static_cast<double>(s) * h) * r[i]);
    }
    // Buckets 1..q-1 from the points x_0..x_{q-2}.
    const std::size_t points = q - 1;
    for (std::size_t t0 = 0; t0 < points; t0 += kBlock) {
        const std::size_t len = std::min(kBlock, points - t0);
        const double x0 = A + (static_cast<double>(t0) + 0.5) * h;
        double* out = b.data() + 1 + t0;
        for (std::size_t i = 0; i < k; ++i) {
            const double f = a[i] * std::exp(-x0 * r[i]);
            const double* pi = p.data() + i * kBlock;
            for (std::size_t s = 0; s < len; ++s) out[s] += f * pi[s];
        }
    }
    b[q] = c * med.Survival(A + (static_cast<double>(q - 1) + 0.5) * h);
}

// Any family: survival at the midpoints, then differences in place. At least one interior bucket.
void FillBySurvival(const CSeverityFamily& family, double A, double h, double c, std::span<double> b) {
    const std::size_t q = b.size() - 1;
    for (std::size_t t = 0; t < q; ++t) b[t] = family.Survival(A + (static_cast<double>(t) + 0.5) * h);
    b[q] = c * b[q - 1];
    for (std::size_t j = q - 1; j > 0; --j) b[j] = c * (b[j - 1] - b[j]);
    b[0] = c * (family.Survival(A) - b[0]);
}

// Fills b[0..q] for the layer above A with ground-up bucket width h: q interior buckets and the
// top bucket b[q]. b holds zeros on entry. A mixed exponential has a faster exact form of its own.
void FillLayer(const CSeverityFamily& family, double A, double h, std::span<double> b) {
    const double SA = family.Survival(A);
    Require(SA > 0, "Layer attachment " + FormatValue(A) + " lies beyond every claim: Pr(X > attachment) = 0");
    const double c = 1 / SA;
    if (b.size() == 1) {
        b[0] = c * SA;
        return;
    }
    if (const auto* med = dynamic_cast<const CMED*>(&family)) {
        FillMED(*med, A, h, c, b);
    } else {
        FillBySurvival(family, A, h, c, b);
    }
}

}  // namespace

std::vector<double> DiscretiseGrid(const CSeverityFamily& family, int numL2, double unit, double layer,
                                   double attach, double share) {
    const std::size_t n = GridSizeFromL2(numL2);
    RequireUnit(unit);
    RequireLayer(layer, attach, share);
    const double m = std::trunc(layer * share / unit);
    if (!(m < static_cast<double>(n))) throw std::runtime_error(kLayerDoesNotFit);

    std::vector<double> grid = GridArray(n);
    FillLayer(family, attach, unit / share, std::span(grid).first(static_cast<std::size_t>(m) + 1));
    return grid;
}

std::vector<double> DiscretiseCount(const CSeverityFamily& family, int num, double unit, double layer,
                                    double attach, double share) {
    Require(num >= 0, "The bucket count num must be >= 0, got " + std::to_string(num));
    RequireUnit(unit);
    RequireLayer(layer == -1 ? 1.0 : layer, attach, share);
    const double m = layer == -1 ? num : std::trunc(layer * share / unit);
    if (!(m >= 1 && m <= num)) throw std::runtime_error(kLayerDoesNotFit);

    std::vector<double> grid(static_cast<std::size_t>(num), 0.0);
    FillLayer(family, attach, unit / share, std::span(grid).first(static_cast<std::size_t>(m)));
    return grid;
}

}  // namespace corvane
