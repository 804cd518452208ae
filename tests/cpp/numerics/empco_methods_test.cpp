// The reads of a one-dimensional distribution object and the grids made for new ones.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/numerics/grid/empco_create.h"
#include "Corvane/numerics/grid/empco_methods.h"
#include "expect_failure.h"

namespace {

using namespace corvane;
using V = std::vector<double>;

double Sum(const V& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

CEmpDist RandomGrid(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    V p(n);
    for (double& x : p) x = u(rng);
    return CEmpDist(std::move(p), 1.0);
}

TEST(EmpCoMethods, DensityAtFullAndCoarserResolution) {
    const CEmpDist g = RandomGrid(1024, 1);
    EXPECT_EQ(GridNumL2(g), 10);
    const V full = Density(g, 10);
    EXPECT_EQ(full, V(g.values().begin(), g.values().end()));
    const V half = Density(g, 9);
    ASSERT_EQ(half.size(), 512u);
    EXPECT_NEAR(Sum(half), Sum(full), 1e-9);
    ExpectFailure([&] { Density(g, 11); }, "Cannot interpolate...");
    EXPECT_THROW(Density(g, -1), std::invalid_argument);
    EXPECT_THROW(Density(g, 31), std::invalid_argument);

    V xs(512);
    DensityInto(g, 512, xs);
    EXPECT_EQ(xs, half);
    V whole(1024);
    DensityInto(g, 1024, whole);
    EXPECT_EQ(whole, full);
}

TEST(EmpCoMethods, DensityIntoRejectsCountsWithoutAGrid) {
    const CEmpDist g = RandomGrid(1024, 2);
    V xs(4096, -1.0);
    for (const int num : {600, 1000, 3, 0, -4}) EXPECT_THROW(DensityInto(g, num, xs), std::invalid_argument) << num;
    ExpectFailure([&] { DensityInto(g, 2048, xs); }, "Cannot interpolate...");
    // Never past the caller's array.
    V small(256, -1.0);
    EXPECT_THROW(DensityInto(g, 512, small), std::invalid_argument);
    DensityInto(g, 128, small);
    EXPECT_EQ(small[128], -1.0);
    EXPECT_EQ(xs, V(4096, -1.0));
}

TEST(EmpCoMethods, GridsOfAnyLength) {
    const CEmpDist g = EmpDistFromDensity(V(1000, 0.001), 1000, 2.0);
    EXPECT_EQ(g.num(), 1000u);
    EXPECT_EQ(GridNumL2(g), 9);
    EXPECT_EQ(g.unit(), 2.0);
    V xs(1000);
    DensityInto(g, 1000, xs);
    EXPECT_EQ(xs, V(1000, 0.001));
    EXPECT_THROW(Density(g, 9), std::invalid_argument);  // 512 does not divide 1000
    EXPECT_THROW(EmpDistFromDensity(V(999, 0.001), 1000, 2.0), std::invalid_argument);
    EXPECT_THROW(EmpDistFromDensity(V{}, 0, 2.0), std::invalid_argument);
}

TEST(EmpCoMethods, Sampling) {
    const CEmpDist g(V{0.5, 0.5}, 1.0);
    EXPECT_EQ(Sample(g, 3), (V{0, 0, 0.5}));
    EXPECT_TRUE(Sample(g, 0).empty());
    EXPECT_THROW(Sample(g, -1), std::invalid_argument);
    V xs(5, -1.0);
    SampleInto(g, 3, xs);
    EXPECT_EQ(xs, (V{0, 0, 0.5, -1, -1}));
    EXPECT_THROW(SampleInto(g, 6, xs), std::invalid_argument);
    EXPECT_THROW(SampleInto(g, -1, xs), std::invalid_argument);
}

TEST(EmpCoMethods, GridsFromSamplesAndPoints) {
    const CEmpDist s = EmpDistFromSample(V{1, 1, 3}, 3, 1.0);
    const CEmpDist r = EmpDistFromRMS(V{1, 3}, V{2, 1}, 3, 1.0);
    const V want{0, 2.0 / 3, 0, 1.0 / 3, 0, 0, 0, 0};
    for (std::size_t k = 0; k < want.size(); ++k) {
        EXPECT_DOUBLE_EQ(s.values()[k], want[k]) << k;
        EXPECT_DOUBLE_EQ(r.values()[k], want[k]) << k;
    }
    const CEmpDist halves = EmpDistFromRMS(V{0, 5}, V{2, 2}, 2, 2.0);
    EXPECT_EQ(V(halves.values().begin(), halves.values().end()), (V{0.5, 0, 0, 0.5}));
    ExpectInvalidArgStatus([] { EmpDistFromRMS(V{1, 2, 3}, V{1, 1, 1, 1}, 3, 1.0); });
    ExpectInvalidArgument([] { EmpDistFromRMS(V{1, 2}, V{1, -1}, 3, 1.0); },
                          "Point probability at index 1 must be >= 0, got -1");
}

}  // namespace
