// The grid: construction, storage operations, grids from data, coarsening, layers and quantiles.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <limits>
#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/grid/empdist.h"
#include "expect_failure.h"

namespace {

using namespace corvane;
using V = std::vector<double>;

V Values(const CEmpDist& g) { return {g.values().begin(), g.values().end()}; }

double Sum(const V& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

V RandomDensity(std::mt19937& rng, std::size_t n) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    V p(n);
    for (double& x : p) x = u(rng);
    const double s = Sum(p);
    for (double& x : p) x /= s;
    return p;
}

TEST(EmpDist, ConstructionForms) {
    EXPECT_EQ(CEmpDist().num(), 0u);
    EXPECT_EQ(CEmpDist().data(), nullptr);
    EXPECT_EQ(Values(CEmpDist(3)), (V{0, 0, 0}));
    EXPECT_EQ(Values(CEmpDist(2, 0.5)), (V{0.5, 0.5}));
    V data{1, 2, 3, 4};
    const double* p = data.data();
    CEmpDist adopted(std::move(data), 2.5);
    EXPECT_EQ(adopted.data(), p);
    EXPECT_EQ(adopted.unit(), 2.5);
    const CEmpDist copy(adopted);
    EXPECT_NE(copy.data(), adopted.data());
    EXPECT_EQ(Values(copy), (V{1, 2, 3, 4}));
    EXPECT_EQ(copy.unit(), 2.5);
}

TEST(EmpDist, ScaleAndReleaseValues) {
    V data{1, 2, 3, 4};
    const double* p = data.data();
    CEmpDist g(std::move(data), 2.0);
    g.Scale(2.0);
    const V out = g.ReleaseValues();
    EXPECT_EQ(out, (V{2, 4, 6, 8}));
    EXPECT_EQ(out.data(), p);  // moved out, not copied
    EXPECT_EQ(g.num(), 0u);
}

TEST(EmpDist, FromSampleAndFromPoints) {
    EXPECT_EQ(Values(CEmpDist::FromSample(V{0.4, 0.6, 1.49, 1.5}, 2, 1.0)), (V{0.25, 0.5, 0.25, 0}));
    const CEmpDist pts = CEmpDist::FromPoints(V{0, 2}, V{1, 1}, 2, 1.0);
    EXPECT_EQ(Values(pts), (V{0.5, 0, 0.5, 0}));
    EXPECT_EQ(pts.unit(), 1.0);
    // Values outside the grid go to the end buckets; nothing is lost.
    EXPECT_EQ(Values(CEmpDist::FromSample(V{-5, -0.6, 3.4, 3.6, 1e300, -1e300, 1.2, -1.7}, 2, 1.0)),
              (V{0.5, 0.125, 0, 0.375}));
    EXPECT_EQ(Values(CEmpDist::FromPoints(V{-7, 100}, V{0.25, 0.75}, 1, 1.0)), (V{0.25, 0.75}));
}

TEST(EmpDist, FromDataRejectsBadInput) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (const double unit : {0.0, -1.0, nan, inf}) {
        EXPECT_THROW(CEmpDist::FromSample(V{1}, 2, unit), std::invalid_argument) << unit;
        EXPECT_THROW(CEmpDist::FromPoints(V{1}, V{1}, 2, unit), std::invalid_argument) << unit;
    }
    for (const int numL2 : {-1, 31, 1000000}) {
        EXPECT_THROW(CEmpDist::FromSample(V{1}, numL2, 1.0), std::invalid_argument) << numL2;
        EXPECT_THROW(CEmpDist::FromPoints(V{1}, V{1}, numL2, 1.0), std::invalid_argument) << numL2;
    }
    EXPECT_THROW(CEmpDist::FromSample(V{1, nan}, 2, 1.0), std::invalid_argument);
    EXPECT_THROW(CEmpDist::FromSample(V{}, 2, 1.0), std::invalid_argument);
    EXPECT_THROW(CEmpDist::FromPoints(V{nan}, V{1}, 2, 1.0), std::invalid_argument);
    EXPECT_THROW(CEmpDist::FromPoints(V{1, 2}, V{1}, 2, 1.0), std::invalid_argument);
    EXPECT_THROW(CEmpDist::FromPoints(V{1, 2}, V{1, -1}, 2, 1.0), std::invalid_argument);
}

TEST(EmpDist, TransformsAndProducts) {
    CEmpDist g(V{0, 1, 0, 0}, 1.0);
    const CEmpDist t = g.ForwardFFT();
    EXPECT_EQ(Values(t), (V{1, 0, -1, -1}));
    EXPECT_EQ(Values(g), (V{0, 1, 0, 0}));  // the input is left intact
    CEmpDist t2(t);
    const CEmpDist back = t2.InverseFFT();
    EXPECT_EQ(Values(t2), Values(t));
    for (std::size_t k = 0; k < 4; ++k) EXPECT_NEAR(back.data()[k], g.data()[k], 1e-15);

    // A length other than a power of two has a plan of its own.
    CEmpDist g6(V{0, 1, 0, 0, 0, 0}, 1.0);
    EXPECT_EQ(g6.ForwardFFT().num(), 6u);
    EXPECT_THROW(CEmpDist().ForwardFFT(), std::invalid_argument);

    CEmpDist a(V{1, 2, 3, 4, 5, 6, 7, 8}, 0), b(V{2, 1, 0, 3, 1, 1, 2, 1}, 0);
    a.MultiplyTransform(b);
    // (2 + 8i)(1 + 1i) = -6 + 10i; (3 + 7i)(0 + 2i) = -14 + 6i; (4 + 6i)(3 + 1i) = 6 + 22i.
    EXPECT_EQ(Values(a), (V{2, -6, -14, 6, 5, 22, 6, 10}));
    CEmpDist c(16), odd(3);
    ExpectFailure([&] { a.MultiplyTransform(c); }, "Invalid input vector lengths");
    EXPECT_THROW(odd.MultiplyTransform(CEmpDist(3)), std::invalid_argument);
    EXPECT_THROW(CEmpDist().MultiplyTransform(CEmpDist()), std::invalid_argument);
}

TEST(EmpDist, ClampAndMoments) {
    CEmpDist g(V{-1e-20, 5e-17, 2.0, 1e-16, -3.0, 2.0}, 2.0);
    g.ClampTiny();
    EXPECT_EQ(Values(g), (V{0, 0, 2, 1e-16, 0, 2}));
    g.ClampAndNormalise();
    EXPECT_DOUBLE_EQ(Sum(Values(g)), 1.0);
    CEmpDist zero(4);
    zero.ClampAndNormalise();
    EXPECT_EQ(Values(zero), (V{0, 0, 0, 0}));

    const MomentTriple m = CEmpDist(V{0.5, 0, 0.5}, 2.0).RawMoments();  // amounts 0 and 4
    EXPECT_EQ(m, (MomentTriple{2, 8, 32}));
}

TEST(EmpDist, Coarsen) {
    const CEmpDist g(V{1, 2, 4, 8, 16, 32, 64, 128}, 0.5);
    const CEmpDist c = g.Coarsen(2);
    EXPECT_EQ(Values(c), (V{1 + 1, 1 + 4 + 4, 4 + 16 + 16, 16 + 64 + 128}));
    EXPECT_EQ(c.unit(), 1.0);
    const CEmpDist same = g.Coarsen(3);
    EXPECT_EQ(Values(same), Values(g));
    EXPECT_NE(same.data(), g.data());
    EXPECT_EQ(Values(g.Coarsen(0)), (V{255}));
    ExpectFailure([&] { g.Coarsen(4); }, "Cannot interpolate...");
    EXPECT_THROW(g.Coarsen(-1), std::invalid_argument);
    EXPECT_THROW(g.Coarsen(31), std::invalid_argument);
    // 12 buckets to 4 (r = 3, no bucket half-way) keeps the mass; 12 to 8 is not a coarsening.
    const CEmpDist twelve(V(12, 1.0), 1.0);
    EXPECT_EQ(Values(twelve.Coarsen(2)), (V{2, 3, 3, 4}));
    EXPECT_THROW(twelve.Coarsen(3), std::invalid_argument);

    std::mt19937 rng(11);
    for (int trial = 0; trial < 20; ++trial) {
        const std::size_t n = std::size_t{1} << (trial % 10 + 1);
        const V p = RandomDensity(rng, n);
        const CEmpDist fine(V(p), 1.0);
        for (int l = 0; (std::size_t{1} << l) <= n; ++l)
            EXPECT_NEAR(Sum(Values(fine.Coarsen(l))), 1.0, 1e-12) << n << " to 2^" << l;
    }
}

TEST(EmpDist, ApplyLayer) {
    // Eight buckets, u = 1, A = 2, L = 3: bucket k's mass is 2^k, so each output reads off its sources.
    const CEmpDist g(V{1, 2, 4, 8, 16, 32, 64, 128}, 1.0);
    EXPECT_EQ(Values(g.ApplyLayer(3, 2, 1.0, rNet)), (V{1, 2, 4 + 8 + 16 + 32, 64, 128, 0, 0, 0}));
    EXPECT_EQ(Values(g.ApplyLayer(3, 2, 1.0, rCeded)), (V{1 + 2 + 4, 8, 16, 32 + 64 + 128, 0, 0, 0, 0}));
    EXPECT_EQ(Values(g.ApplyLayer(0, 2, 1.0, rNet)), Values(g));
    EXPECT_EQ(Values(g.ApplyLayer(0, 2, 1.0, rCeded)), (V{255, 0, 0, 0, 0, 0, 0, 0}));
    const CEmpDist gross = g.ApplyLayer(3, 2, 0.5, rGross);
    EXPECT_EQ(Values(gross), Values(g));
    EXPECT_NE(gross.data(), g.data());
    EXPECT_EQ(g.ApplyLayer(3, 2, 1.0, rNet).unit(), 1.0);
    ExpectFailure([&] { g.ApplyLayer(3, 2, 0.5, rNet); }, "Partial shares NYI");
    ExpectFailure([&] { g.ApplyLayer(3, 2, 0.5, rCeded); }, "Partial shares NYI");
    ExpectFailure([&] { g.ApplyLayer(3, 2, 1.0, 3); }, "Wrong input");
    ExpectFailure([&] { g.ApplyLayer(3, 2, 1.0, -1); }, "Wrong input");
    for (const double unit : {0.0, -1.0, std::numeric_limits<double>::infinity()})
        EXPECT_THROW(CEmpDist(V{1, 1}, unit).ApplyLayer(1, 1, 1.0, rNet), std::invalid_argument) << unit;

    std::mt19937 rng(5);
    std::uniform_real_distribution<double> amount(-3.0, 40.0);
    for (int trial = 0; trial < 50; ++trial) {
        const CEmpDist p(RandomDensity(rng, 32), 0.75);
        const double L = amount(rng), A = amount(rng);
        for (const int ncg : {rNet, rCeded})
            EXPECT_NEAR(Sum(Values(p.ApplyLayer(L, A, 1.0, ncg))), 1.0, 1e-12) << L << " xs " << A;
    }
}

TEST(EmpDist, Quantiles) {
    EXPECT_EQ(CEmpDist(V{0.5, 0.5}, 1.0).Quantiles(3), (V{0, 0, 0.5}));
    // A flat stretch of the distribution function gives its lower end, not 0/0.
    EXPECT_EQ(CEmpDist(V{0.5, 0, 0.5}, 1.0).Quantiles(3), (V{0, 0, 1.5}));
    // Targets above the total mass get the top amount.
    EXPECT_EQ(CEmpDist(V{0.6, 0.1, 0, 0}, 2.0).Quantiles(3), (V{0, 0, 6}));
    EXPECT_EQ(CEmpDist(V{0.1, 0.1, 0, 0}, 2.0).Quantiles(3), (V{6, 6, 6}));
    EXPECT_EQ(CEmpDist(V{1.0}, 2.0).Quantiles(2), (V{0, 0}));
    EXPECT_TRUE(CEmpDist().Quantiles(0).empty());
    EXPECT_THROW(CEmpDist().Quantiles(2), std::invalid_argument);

    std::mt19937 rng(3);
    for (int trial = 0; trial < 30; ++trial) {
        V p = RandomDensity(rng, 64);
        for (std::size_t k = 0; k < p.size(); k += 3) p[k] = 0;  // flat stretches
        const CEmpDist g(std::move(p), 1.5);
        const std::size_t count = 1 + trial * 13;
        const V q = g.Quantiles(count);
        ASSERT_EQ(q.size(), count);
        for (std::size_t j = 0; j < count; ++j) {
            EXPECT_GE(q[j], 0.0);
            EXPECT_LE(q[j], 63 * 1.5);
            if (j > 0) {
                EXPECT_GE(q[j], q[j - 1]) << j;
            }
        }
        V out(count + 2, -1.0);
        g.Quantiles(std::span<double>(out).first(count));
        EXPECT_EQ(V(out.begin(), out.begin() + count), q);
        EXPECT_EQ(out[count], -1.0);
    }
}

}  // namespace
