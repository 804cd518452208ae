#include "Corvane/numerics/grid/dist_compare.h"

#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

// F_k = p_0 + ... + p_k.
std::vector<double> Cumulative(std::span<const double> p) {
    std::vector<double> F(p.size());
    double s = 0.0;
    for (std::size_t k = 0; k < p.size(); ++k) F[k] = s += p[k];
    return F;
}

std::vector<double> Survival(const std::vector<double>& F) {
    std::vector<double> S(F.size());
    for (std::size_t k = 0; k < F.size(); ++k) S[k] = 1.0 - F[k];
    return S;
}

// Tail sums TS_{n-1} = 0, TS_k = TS_{k+1} + S_k; mean excess XS_k = unit TS_k / S_k where
// S_k > 1e-14, else 0, and XS_{n-1} = 0.
std::vector<double> MeanExcess(const std::vector<double>& S, double unit) {
    const std::size_t n = S.size();
    std::vector<double> XS(n, 0.0);
    double TS = 0.0;
    for (std::size_t k = n - 1; k-- > 0;) {
        TS += S[k];
        XS[k] = S[k] > 1e-14 ? unit * TS / S[k] : 0.0;
    }
    return XS;
}

}  // namespace

DistComparison DistCompare(std::span<const double> emp, std::int32_t numL2, double unit, std::span<const double> thy) {
    const std::size_t n = GridSizeFromL2(numL2);
    if (thy.size() != n) RejectWithoutText();
    const CEmpDist fe = CEmpDist::FromSample(emp, numL2, unit);
    const CEmpDist ft(std::vector<double>(thy.begin(), thy.end()), unit);
    DistComparison c;
    c.den_fe.assign(fe.values().begin(), fe.values().end());
    c.Fe = Cumulative(fe.values());
    c.Ft = Cumulative(thy);
    c.Se = Survival(c.Fe);
    c.St = Survival(c.Ft);
    c.XSe = MeanExcess(c.Se, unit);
    c.XSt = MeanExcess(c.St, unit);
    c.QQe = fe.Quantiles(99);
    c.QQt = ft.Quantiles(99);
    return c;
}

}  // namespace corvane
