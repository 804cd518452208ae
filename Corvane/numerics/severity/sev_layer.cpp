#include "Corvane/numerics/severity/sev_layer.h"

namespace corvane {

MomentTriple LayerMomentsFromPartials(const std::array<double, 4>& P, double A, double L, double R,
                                      double N) {
    const double A2 = A * A;
    const double L1R = R == 0 ? 0.0 : L * R;
    const double L2R = R == 0 ? 0.0 : L * L * R;
    const double L3R = R == 0 ? 0.0 : L * L * L * R;
    return {(P[1] - A * P[0] + L1R) / N,
            (P[2] - 2 * A * P[1] + A2 * P[0] + L2R) / N,
            (P[3] - 3 * A * P[2] + 3 * A2 * P[1] - A2 * A * P[0] + L3R) / N};
}

}  // namespace corvane
