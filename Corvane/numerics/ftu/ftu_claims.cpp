#include "Corvane/numerics/ftu/ftu_claims.h"

#include <algorithm>

namespace corvane {

void FillClosedClaimNoPP(const FTUGrid& g, std::span<const double> cwp, std::span<const double> cwop, double PrCWOP,
                         double PrClosed) {
    std::fill_n(g.data, g.size(), 0.0);
    if (PrCWOP > 0.0)
        for (std::size_t c = 0; c < g.num; ++c) g(0, c) = PrCWOP * cwop[c];
    g(0, 0) += (1.0 - PrCWOP) * cwp[0];
    for (std::size_t r = 1; r < g.num; ++r) {
        g(r, 0) = (1.0 - PrClosed) * (1.0 - PrCWOP) * cwp[r];
        g(r, r) = PrClosed * (1.0 - PrCWOP) * cwp[r];
    }
}

void FillCounts(const FTUGrid& g, double p00, double p01, double p10, double p11) {
    std::fill_n(g.data, g.size(), 0.0);
    g(0, 0) = p00;
    g(0, 1) = p10;
    g(1, 0) = p01;
    g(1, 1) = p11;
}

}  // namespace corvane
