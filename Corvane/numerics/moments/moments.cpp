#include "Corvane/numerics/moments/moments.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace corvane {

MomentTriple CompoundMoments(const MomentTriple& freq, const MomentTriple& sev) {
    const auto [n1, n2, n3] = freq;
    const auto [m1, m2, m3] = sev;
    const double m1sq = m1 * m1;
    const double m1cu = m1sq * m1;
    return {n1 * m1,
            n1 * m2 + m1sq * n2 - m1sq * n1,
            n1 * m3 + m1cu * n3 + 3 * m1 * n2 * m2 - 3 * n1 * m1 * m2 - 3 * m1cu * n2 + 2 * m1cu * n1};
}

MomentTriple SumMoments(const MomentTriple& a, const MomentTriple& b) {
    return {a[0] + b[0], a[1] + 2 * a[0] * b[0] + b[1], a[2] + 3 * (a[1] * b[0] + a[0] * b[1]) + b[2]};
}

std::array<double, 8> SummaryStats(const MomentTriple& m) {
    const auto [m1, m2, m3] = m;
    const double v = m2 - m1 * m1;
    const double sd = std::sqrt(v);
    const double skew = (m3 - 3 * m1 * m2 + 2 * m1 * m1 * m1) / (sd * v);
    return {m1, m2, m3, m1, v, sd, sd / m1, skew};
}

MomentTriple GridRawMoments(std::span<const double> p, double unit) {
    MomentTriple s{0.0, 0.0, 0.0};
    double x = (static_cast<double>(p.size()) - 1) * unit;
    for (std::size_t k = p.size(); k-- > 0; x -= unit) {
        const double px = p[k] * x;
        s[0] += px;
        s[1] += px * x;
        s[2] += px * x * x;
    }
    return s;
}

std::array<double, 18> BuilderMomentVector(const MomentTriple& freq, const MomentTriple& sev,
                                           const MomentTriple& aggGrid, const MomentTriple& sevGrid) {
    std::array<double, 18> v{};
    const MomentTriple triples[6] = {freq, sev, CompoundMoments(freq, sev),
                                     aggGrid, sevGrid, CompoundMoments(freq, sevGrid)};
    for (std::size_t t = 0; t < 6; ++t) std::copy(triples[t].begin(), triples[t].end(), v.begin() + 3 * t);
    return v;
}

}  // namespace corvane
