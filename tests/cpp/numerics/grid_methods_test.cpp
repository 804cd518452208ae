// The grid arithmetic offered to callers: transforms, products, sums of losses, noise, smoothing
// and the comparison of a sample with a density.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/grid/dist_compare.h"
#include "Corvane/numerics/grid/grid_noise.h"
#include "Corvane/numerics/grid/grid_smooth.h"
#include "Corvane/numerics/grid/grid_transforms.h"
#include "expect_failure.h"

namespace {

using namespace corvane;
using V = std::vector<double>;

double Sum(const V& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

V RandomDensity(std::mt19937& rng, std::size_t n, std::size_t support) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    V p(n, 0.0);
    for (std::size_t k = 0; k < support; ++k) p[k] = u(rng);
    const double s = Sum(p);
    for (double& x : p) x /= s;
    return p;
}

void ExpectNearAll(const V& got, const V& want, double tol) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(got[k], want[k], tol) << "element " << k;
}

TEST(GridTransforms, KnownTransforms) {
    EXPECT_EQ(FFT(V{1, 0, 0, 0}), (V{1, 1, 1, 0}));
    EXPECT_EQ(FFT(V{0, 1, 0, 0}), (V{1, 0, -1, -1}));
    EXPECT_EQ(FFT(V{3.5}), (V{3.5}));
    // Odd length: X_1 = 1 + 2 e^(-2 pi i/3) = -i sqrt 3, so Re X_1 = 0 and Im X_1 = -sqrt 3.
    ExpectNearAll(FFT(V{1, 2, 0}), V{3, 0, -std::sqrt(3.0)}, 1e-15);
    EXPECT_THROW(FFT(V{}), std::invalid_argument);
    EXPECT_THROW(IFFT(V{}), std::invalid_argument);
}

TEST(GridTransforms, InverseUndoesForwardAndClampsTiny) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (const std::size_t n : {1u, 2u, 3u, 7u, 64u, 100u, 1024u, 4096u}) {
        V v(n);
        for (double& x : v) x = std::abs(u(rng)) + 1e-3;
        ExpectNearAll(IFFT(FFT(v)), v, 1e-12);
    }
    // Rounding residues and values below 1e-16 come back as exactly 0.
    const V back = IFFT(FFT(V{0, 1, 0, 0, 0, 0, 0, 0.5, 0, 0}));
    EXPECT_EQ(back[0], 0.0);
    EXPECT_EQ(back[2], 0.0);
    EXPECT_NEAR(back[1], 1.0, 1e-15);
    EXPECT_EQ(IFFT(V{-1, 0, 0, 0}), (V{0, 0, 0, 0}));
}

TEST(GridTransforms, SumConvDistIsTheConvolution) {
    ExpectNearAll(SumConvDist(V{0.5, 0.5, 0, 0}, V{0.5, 0.5, 0, 0}), V{0.25, 0.5, 0.25, 0}, 1e-16);
    ExpectNearAll(SumConvDist(V{0, 0, 0, 1}, V{0, 1, 0, 0}), V{1, 0, 0, 0}, 1e-16);  // wrap-around
    std::mt19937 rng(17);
    for (const std::size_t n : {2u, 8u, 256u, 2048u}) {
        const V p = RandomDensity(rng, n, n / 2), q = RandomDensity(rng, n, n / 2);
        V direct(n, 0.0);
        for (std::size_t i = 0; i < n / 2; ++i)
            for (std::size_t j = 0; j < n / 2; ++j) direct[i + j] += p[i] * q[j];
        ExpectNearAll(SumConvDist(p, q), direct, 1e-14);
        // The product of transforms is the transform of the convolution.
        ExpectNearAll(IFFT(ComplexProduct(FFT(p), FFT(q))), direct, 1e-14);
    }
}

TEST(GridTransforms, ProductsRejectMismatchedAndOddLengths) {
    const V eight(8, 0.1), sixteen(16, 0.1), three(3, 0.1);
    ExpectFailure([&] { ComplexProduct(eight, sixteen); }, "Invalid input vector lengths");
    ExpectFailure([&] { SumConvDist(eight, sixteen); }, "Invalid input vector lengths");
    EXPECT_THROW(ComplexProduct(three, three), std::invalid_argument);
    EXPECT_THROW(SumConvDist(three, three), std::invalid_argument);
    EXPECT_THROW(SumConvDist(V{}, V{}), std::invalid_argument);
    EXPECT_THROW(AddNoise(three, 1.0, 1.0), std::invalid_argument);
}

TEST(GridNoise, ConvolvesWithANormal) {
    const V p{0, 0, 0, 1, 0, 0, 0, 0};
    ExpectInvalidArgStatus([&] { AddNoise(p, 1.0, 0.0); });
    ExpectNearAll(AddNoise(p, 1.0, 1e-3), p, 1e-15);
    for (const double unit : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_THROW(AddNoise(p, unit, 1.0), std::invalid_argument) << unit;

    // A point mass in the middle of a wide grid spreads into a normal of the noise's variance.
    const std::size_t n = 1024;
    V mass(n, 0.0);
    mass[n / 2] = 1.0;
    const double unit = 0.5, sd = 10.0;
    const V noisy = AddNoise(mass, unit, sd);
    double m0 = 0, m1 = 0, m2 = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double x = (static_cast<double>(k) - n / 2.0) * unit;
        m0 += noisy[k];
        m1 += noisy[k] * x;
        m2 += noisy[k] * x * x;
    }
    EXPECT_NEAR(m0, 1.0, 1e-12);
    EXPECT_NEAR(m1, 0.0, 1e-9);
    EXPECT_NEAR(m2, sd * sd, 1e-6 * sd * sd);
}

TEST(GridSmooth, CodesAndLengths) {
    const V eight{1, 5, 2, 8, 3, 9, 4, 7};
    EXPECT_FALSE(Smooth(eight, smNone, 2, 2).has_value());
    EXPECT_FALSE(Smooth(eight, smCustom, 0, 5).has_value());
    ExpectInvalidArgStatus([] { Smooth(V(6, 1.0), smLight, 0, 0); });
    ExpectInvalidArgStatus([] { Smooth(V{}, smLight, 0, 0); });
    ASSERT_TRUE(Smooth(V{4.0}, smLight, 0, 0).has_value());
    EXPECT_EQ(*Smooth(V{4.0}, smLight, 0, 0), (V{4.0}));
    EXPECT_THROW(Smooth(eight, smCustom, 2, 5), std::invalid_argument);
    EXPECT_THROW(Smooth(eight, smCustom, -1, 0), std::invalid_argument);
    EXPECT_THROW(Smooth(eight, smCustom, 2, -1), std::invalid_argument);

    struct Case {
        std::int32_t code;
        int forward, order;
    };
    for (const Case c : {Case{smLight, 2, 2}, Case{smLightMedium, 4, 2}, Case{smModerate, 6, 2},
                         Case{smMaximum, 6, 4}, Case{99, 2, 2}, Case{smCustom, 3, 1}}) {
        const auto sg = SmoothingFor(c.code, 3, 1);
        ASSERT_TRUE(sg.has_value()) << c.code;
        EXPECT_EQ(sg->forward, c.forward) << c.code;
        EXPECT_EQ(sg->order, c.order) << c.code;
    }
    // A quadratic passes every preset unchanged.
    V quad(64);
    for (std::size_t k = 0; k < quad.size(); ++k) quad[k] = 0.5 * k * k - 3.0 * k + 2.0;
    for (const std::int32_t code : {smLight, smLightMedium, smModerate, smMaximum})
        ExpectNearAll(*Smooth(quad, code, 0, 0), quad, 1e-9 * 2000);
}

TEST(DistCompareTest, OutputsAndChecks) {
    const V emp{0.4, 0.6, 1.49, 1.5, 2.2, 9.0, -3.0, 1.0};
    const V thy{0.25, 0.25, 0.25, 0.25};
    const DistComparison c = DistCompare(emp, 2, 1.0, thy);
    EXPECT_EQ(c.den_fe, (V{0.25, 0.375, 0.25, 0.125}));  // 9 and -3 go to the end buckets
    EXPECT_EQ(c.Fe, (V{0.25, 0.625, 0.875, 1.0}));
    EXPECT_EQ(c.Ft, (V{0.25, 0.5, 0.75, 1.0}));
    EXPECT_EQ(c.Se, (V{0.75, 0.375, 0.125, 0.0}));
    EXPECT_EQ(c.St, (V{0.75, 0.5, 0.25, 0.0}));
    // XS_k = unit (S_k + ... + S_{n-2}) / S_k.
    ExpectNearAll(c.XSe, V{(0.75 + 0.375 + 0.125) / 0.75, (0.375 + 0.125) / 0.375, 1.0, 0.0}, 1e-15);
    ExpectNearAll(c.XSt, V{1.5 / 0.75, 0.75 / 0.5, 1.0, 0.0}, 1e-15);
    ASSERT_EQ(c.QQe.size(), 99u);
    ASSERT_EQ(c.QQt.size(), 99u);
    EXPECT_EQ(c.QQt[0], 0.0);
    EXPECT_NEAR(c.QQt[49], 1.0, 1e-12);  // F = 0.5 at amount 1

    // Survival at most 1e-14 gives a mean excess of 0.
    const DistComparison point = DistCompare(V{1.0}, 3, 2.0, V{0, 1, 0, 0, 0, 0, 0, 0});
    for (const double x : point.XSe) EXPECT_TRUE(x == 0.0 || x == 2.0) << x;
    EXPECT_EQ(point.XSt[5], 0.0);

    ExpectInvalidArgStatus([&] { DistCompare(emp, 3, 1.0, thy); });
    EXPECT_THROW(DistCompare(emp, 40, 1.0, thy), std::invalid_argument);
    EXPECT_THROW(DistCompare(emp, 2, 0.0, thy), std::invalid_argument);
    EXPECT_THROW(DistCompare(V{1.0, std::nan("")}, 2, 1.0, thy), std::invalid_argument);
}

}  // namespace
