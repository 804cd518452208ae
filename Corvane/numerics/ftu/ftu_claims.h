// The joint distribution of one claim's development, written onto a cleared engine grid.
#pragma once

#include <span>

#include "Corvane/numerics/ftu/ftu_grid.h"

namespace corvane {

// One claim closed with payment of r buckets (cwp[r]) or closed without payment (probability
// PrCWOP, with y drawn from cwop): row 0 holds PrCWOP cwop[c] (when PrCWOP > 0), cell (0, 0) adds
// (1 - PrCWOP) cwp[0], and for r >= 1 a claim with payment r is at (r, r) when closed (PrClosed) and
// at (r, 0) when still open. cwp and cwop hold num values each; every other cell is 0.
void FillClosedClaimNoPP(const FTUGrid& g, std::span<const double> cwp, std::span<const double> cwop, double PrCWOP,
                         double PrClosed);

// The four probabilities of a pair of 0/1 indicators: cell (0, 0) = p00, (0, 1) = p10, (1, 0) = p01,
// (1, 1) = p11 (the first index of a name goes with the column, the second with the row); every
// other cell is 0.
void FillCounts(const FTUGrid& g, double p00, double p01, double p10, double p11);

}  // namespace corvane
