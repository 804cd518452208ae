// The grid compound against Panjer's recursion for the Poisson family, and the fused clamp,
// renormalisation and moments against the same steps taken one at a time.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Corvane/numerics/aggregate/compound_grid.h"
#include "Corvane/numerics/frequency/freq_poisson.h"

namespace {

using namespace corvane;

// g_0 = e^(-lambda (1 - f_0)), g_k = (lambda / k) sum_{j=1..k} j f_j g_{k-j}.
std::vector<double> Panjer(const std::vector<double>& f, double lambda) {
    std::vector<double> g(f.size());
    g[0] = std::exp(-lambda * (1.0 - f[0]));
    for (std::size_t k = 1; k < f.size(); ++k) {
        double s = 0.0;
        for (std::size_t j = 1; j <= k; ++j) s += double(j) * f[j] * g[k - j];
        g[k] = lambda / double(k) * s;
    }
    return g;
}

TEST(CompoundGrid, PoissonAgreesWithPanjersRecursion) {
    for (std::size_t n : {1024u, 1u << 17}) {
        std::vector<double> f(n, 0.0);
        const std::size_t m = std::min<std::size_t>(n / 8, 40);  // claims well inside the grid
        for (std::size_t j = 1; j <= m; ++j) f[j] = double(m + 1 - j);
        double total = 0;
        for (double v : f) total += v;
        for (double& v : f) v /= total;
        const double lambda = 2.5, unit = 10.0;
        const CompoundResult r = CompoundGrid(freqdist::CPoisson(lambda), f, unit);
        const std::size_t checked = std::min<std::size_t>(n, 2048);  // the recursion is quadratic
        const std::vector<double> want = Panjer(std::vector<double>(f.begin(), f.begin() + checked), lambda);
        ASSERT_EQ(r.density.size(), n);
        double m1 = 0;
        for (std::size_t k = 0; k < checked; ++k) {
            EXPECT_NEAR(r.density[k], want[k] < 1e-16 ? 0.0 : want[k], 1e-14) << n << " at " << k;
            m1 += want[k] * double(k) * unit;
        }
        EXPECT_NEAR(r.moments[0], m1, 1e-12 * m1) << n;
    }
}

TEST(CompoundGrid, ClampNormaliseAndMomentsInOnePass) {
    std::vector<double> p = {0.5, -1e-18, 5e-17, 0.25, 0.0, 0.75, 1e-16, 3.0, 2.0};
    const double unit = 0.5;
    std::vector<double> want = p;
    double total = 0;
    for (double& v : want) {
        if (v < 1e-16) v = 0.0;
        total += v;
    }
    double m[3] = {0, 0, 0};
    for (std::size_t k = 0; k < want.size(); ++k) {
        want[k] /= total;
        const double x = double(k) * unit;
        m[0] += want[k] * x;
        m[1] += want[k] * x * x;
        m[2] += want[k] * x * x * x;
    }
    const MomentTriple got = ClampAndNormalise(p, unit);
    for (std::size_t k = 0; k < p.size(); ++k) EXPECT_NEAR(p[k], want[k], 1e-16) << k;
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(got[j], m[j], 1e-15 * m[j]) << j;
    std::vector<double> zeros(5, 0.0);
    EXPECT_EQ(ClampAndNormalise(zeros, 1.0), (MomentTriple{0, 0, 0}));
    EXPECT_EQ(zeros, std::vector<double>(5, 0.0));
}

}  // namespace
