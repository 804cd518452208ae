// Quantiles of a grid: the inverse of its distribution function F_k = p_0 + ... + p_k at evenly
// spaced probabilities, by linear interpolation between the points (k u, F_k).
#include <stdexcept>

#include "Corvane/numerics/grid/empdist.h"

#include "Corvane/numerics/require.h"

namespace corvane {

std::vector<double> CEmpDist::Quantiles(std::size_t count) const {
    std::vector<double> out(count);
    Quantiles(out);
    return out;
}

// Targets t = step, 2 step, ... with step = 1/(count + 1). The walk starts at the smallest
// k <= n - 2 with F_k > step (0 when there is none); targets at or below F_0 give 0. Then, going
// up the buckets, a target t <= F_k gives (k - 1) u + u (t - F_{k-1}) / (F_k - F_{k-1}), or
// (k - 1) u where F is flat. The running sums F_k are formed on the way, in bucket order, so no
// work arrays are needed. Targets above the total mass get the top amount (n - 1) u.
void CEmpDist::Quantiles(std::span<double> out) const {
    const std::size_t count = out.size();
    if (count == 0) return;
    const std::size_t n = num();
    if (n == 0) throw InvalidArgument("a grid of no buckets has no quantiles");
    const double* p = data_.data();
    const double u = unit_;
    const double step = 1.0 / (static_cast<double>(count) + 1.0);

    std::size_t start = 0;
    double F = 0.0;
    for (std::size_t k = 0; k + 1 < n; ++k) {
        F += p[k];
        if (F > step) {
            start = k;
            break;
        }
    }

    std::size_t j = 0;
    double t = step;
    std::size_t k = 0;
    double Fprev = 0.0;  // F_{k-1}
    double Fk = p[0];    // F_k
    if (start == 0) {
        if (Fk > step) {
            do {
                out[j++] = 0.0;
                t += step;
            } while (j < count && t < Fk);
        }
        start = 1;
    }
    if (start < n) {
        while (k < start) {
            ++k;
            Fprev = Fk;
            Fk += p[k];
        }
        while (j < count) {
            if (t <= Fk) {
                const double below = static_cast<double>(k - 1) * u;
                out[j++] = Fk == Fprev ? below : below + u * (t - Fprev) / (Fk - Fprev);
                t += step;
            } else if (k + 1 < n) {
                ++k;
                Fprev = Fk;
                Fk += p[k];
            } else {
                break;
            }
        }
    }
    const double top = static_cast<double>(n - 1) * u;
    for (; j < count; ++j) out[j] = top;
}

}  // namespace corvane
