// Moment arithmetic, the translated-lognormal fit, the bucket-width estimate and the one-call
// computations behind the AggCo moment methods.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "Corvane/numerics/moments/moment_methods.h"
#include "Corvane/numerics/moments/moments.h"
#include "Corvane/numerics/moments/tln_fit.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

MomentTriple FromMeanSdSkew(double mean, double sd, double skew) {
    return {mean, sd * sd + mean * mean, skew * sd * sd * sd + 3 * mean * sd * sd + mean * mean * mean};
}

void ExpectNear(const MomentTriple& got, const MomentTriple& want, double rel) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], rel * std::abs(want[k])) << "element " << k;
}

TEST(Moments, CompoundAndSum) {
    // Poisson(2) claim count with unit exponential claims: cumulants 2, 4, 12.
    EXPECT_EQ(AggMoms(MomentTriple{2, 6, 22}, MomentTriple{1, 2, 6}), (MomentTriple{2, 8, 44}));
    EXPECT_EQ(AggMoms(MomentTriple{1, 1, 1}, MomentTriple{3, 17, 250}), (MomentTriple{3, 17, 250}));
    EXPECT_EQ(SumMoms(MomentTriple{1, 1, 1}, MomentTriple{1, 1, 1}), (MomentTriple{2, 4, 8}));
    // Independent exponentials of means 1 and 2: mean 3, variance 1 + 4, third cumulant 2 + 16.
    EXPECT_EQ(SumMoments({1, 2, 6}, {2, 8, 48}), (MomentTriple{3, 14, 90}));
}

TEST(Moments, SummaryStatsAndGridMoments) {
    const auto s = SummaryStats({1, 2, 6});  // unit exponential
    const std::array<double, 8> want{1, 2, 6, 1, 1, 1, 1, 2};
    for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(s[i], want[i]) << i;
    ExpectNear(GridRawMoments(std::vector<double>{0, 2.0 / 3, 0, 1.0 / 3}, 1),
               {5.0 / 3, 11.0 / 3, 29.0 / 3}, 1e-15);
    ExpectNear(GridRawMoments(MomentTriple{0.5, 0.3, 0.2}, 10), {7, 110, 1900}, 1e-15);
}

TEST(Moments, BuilderVectorLayout) {
    const std::array<double, 18> ones = BuilderMomentVector({1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1});
    for (double v : ones) EXPECT_EQ(v, 1.0);
    const auto v = BuilderMomentVector({2, 6, 22}, {1, 2, 6}, {4, 5, 6}, {1.5, 3, 9});
    const std::array<double, 18> want{2, 6, 22, 1, 2, 6, 2, 8, 44, 4, 5, 6, 1.5, 3, 9, 3, 15, 99};
    for (int i = 0; i < 18; ++i) EXPECT_DOUBLE_EQ(v[i], want[i]) << i;
}

TEST(TranslatedLognormal, FitReproducesTheMoments) {
    const TLNParams fit = TLNFit(1000, 0.5, 1.5);
    EXPECT_NEAR(fit.mu, 6.88, 0.005);
    EXPECT_NEAR(fit.sigma, 0.443, 0.0005);
    EXPECT_NEAR(fit.T, -72.5, 0.05);
    // The fitted T + Z has the mean, variance and skewness asked for.
    const double s2 = fit.sigma * fit.sigma;
    const double w2 = std::exp(s2) - 1;
    const double ez = std::exp(fit.mu + s2 / 2);
    EXPECT_NEAR(fit.T + ez, 1000, 1e-9);
    EXPECT_NEAR(ez * ez * w2, 500 * 500, 1e-6);
    EXPECT_NEAR((w2 + 3) * std::sqrt(w2), 1.5, 1e-12);

    const TLNParams fromMoments = TLNFitMoms(FromMeanSdSkew(1000, 500, 1.5));
    EXPECT_NEAR(fromMoments.mu, fit.mu, 1e-9);
    EXPECT_NEAR(fromMoments.sigma, fit.sigma, 1e-9);
    EXPECT_NEAR(fromMoments.T, fit.T, 1e-6);
}

TEST(TranslatedLognormal, OutsideTheDomainGivesNumbers) {
    const TLNParams zeroSkew = TLNFit(1000, 0.5, 0);
    EXPECT_FALSE(std::isfinite(zeroSkew.T));
    EXPECT_FALSE(std::isfinite(zeroSkew.mu));
    EXPECT_TRUE(std::isnan(TLNFit(1000, 0.5, -1).mu));
}

TEST(EstimateUnit, Examples) {
    EXPECT_NEAR(EstimateUnit(FromMeanSdSkew(1000, 500, 1.5), 10, 0), 11.05, 0.01);
    EXPECT_DOUBLE_EQ(EstimateUnit(FromMeanSdSkew(1000, 500, 1.5), 10, 20000), 1.1 * 20000 / 1024);
    EXPECT_DOUBLE_EQ(EstimateUnit(MomentTriple{1000, 1e6, 1e9}, 10, 0), 4 * 1000.0 / 1024);
    EXPECT_DOUBLE_EQ(EstimateUnit(MomentTriple{1000, 1e6, 1e9}, 10, 5000), 4 * 5000.0 / 1024);
    EXPECT_NEAR(EstimateUnit(FromMeanSdSkew(1000, 1, 1.5), 10, 0), 1.97, 0.005);
    // Skewness outside [0, 999] is taken as 0.1.
    EXPECT_NEAR(EstimateUnit(FromMeanSdSkew(1000, 500, -1), 10, 0), 6.11, 0.01);
    EXPECT_NEAR(EstimateUnit(FromMeanSdSkew(1000, 500, -1), 10, 0), EstimateUnit(FromMeanSdSkew(1000, 500, 0.1), 10, 0), 1e-9);
    EXPECT_NEAR(EstimateUnit(FromMeanSdSkew(1000, 500, 2000), 10, 0), EstimateUnit(FromMeanSdSkew(1000, 500, 0.1), 10, 0), 1e-6);
    // The builder's own call: n = 2^numL2.
    EXPECT_DOUBLE_EQ(EstimateUnitFromMoments(FromMeanSdSkew(1000, 500, 1.5), 0, 1024),
                     EstimateUnit(FromMeanSdSkew(1000, 500, 1.5), 10, 0));
}

TEST(QuickStats, DensityStatisticsAndFit) {
    const auto q = QuickStats(3, 10, std::vector<double>{0.5, 0.3, 0.2});
    const std::array<double, 6> want{7, 1.12, 0.579, 3.69, 0.189, -33.9};
    const std::array<double, 6> tol{1e-12, 0.005, 0.0005, 0.005, 0.0005, 0.05};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(q[i], want[i], tol[i]) << i;
    const TLNParams fit = TLNFit(q[0], q[1], q[2]);
    EXPECT_EQ(q[3], fit.mu);

    const std::vector<double> shorter{0.5, 0.5}, longer{0.25, 0.25, 0.25, 0.25};
    for (const auto* dist : {&shorter, &longer}) {
        ExpectInvalidArgStatus([&] { QuickStats(3, 10, *dist); });
    }
}

}  // namespace
