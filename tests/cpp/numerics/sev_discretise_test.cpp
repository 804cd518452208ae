// Discretisation of a layer onto buckets: the worked grids, the top bucket, the layer checks,
// the share, and agreement with the midpoint rule evaluated directly on large grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <functional>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/severity/sev_discretise.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

const SeverityFamily kUnitExponential = MakeSeverityFamily(svMED, std::vector<double>{1, 1});

void ExpectLayerDoesNotFit(const std::function<void()>& call) {
    try {
        call();
        ADD_FAILURE() << "no failure";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid unit for size of layer");
    }
}

void ExpectBuckets(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], 1e-15) << "bucket " << k;
}

TEST(Discretise, WorkedExponentialGrids) {
    const auto e = [](double x) { return std::exp(-x); };
    ExpectBuckets(DiscretiseGrid(*kUnitExponential, 3, 1, 3, 0, 1),
                  {1 - e(0.5), e(0.5) - e(1.5), e(1.5) - e(2.5), e(2.5), 0, 0, 0, 0});
    ExpectBuckets(DiscretiseCount(*kUnitExponential, 8, 1, 3, 0, 1),
                  {1 - e(0.5), e(0.5) - e(1.5), e(1.5), 0, 0, 0, 0, 0});

    // A layer as long as the grid: the grid form has no room for the top bucket, the count form
    // puts the tail into the last bucket; so does an unlimited layer.
    ExpectLayerDoesNotFit([] { DiscretiseGrid(*kUnitExponential, 3, 1, 8, 0, 1); });
    std::vector<double> full{1 - e(0.5)};
    for (int j = 1; j < 7; ++j) full.push_back(e(j - 0.5) - e(j + 0.5));
    full.push_back(e(6.5));
    ExpectBuckets(DiscretiseCount(*kUnitExponential, 8, 1, 8, 0, 1), full);
    ExpectBuckets(DiscretiseCount(*kUnitExponential, 8, 1, -1, 0, 1), full);
}

TEST(Discretise, LayersThatDoNotFit) {
    ExpectLayerDoesNotFit([] { DiscretiseGrid(*kUnitExponential, 3, 1, 100, 0, 1); });
    ExpectLayerDoesNotFit([] { DiscretiseCount(*kUnitExponential, 8, 1, 0.5, 0, 1); });  // m = 0
    ExpectLayerDoesNotFit([] { DiscretiseCount(*kUnitExponential, 8, 1, 9, 0, 1); });
    ExpectLayerDoesNotFit([] { DiscretiseCount(*kUnitExponential, 0, 1, -1, 0, 1); });
    EXPECT_THROW(DiscretiseCount(*kUnitExponential, -8, 1, -1, 0, 1), std::invalid_argument);
    EXPECT_THROW(DiscretiseGrid(*kUnitExponential, -1, 1, 0, 0, 1), std::invalid_argument);
    EXPECT_THROW(DiscretiseGrid(*kUnitExponential, 31, 1, 0, 0, 1), std::invalid_argument);
}

TEST(Discretise, RejectsLayersAndUnitsOutsideTheirRanges) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const struct {
        double unit, layer, attach, share;
        const char* message;
    } cases[] = {
        {1, -1, 0, 1, "Layer limit must be > 0, got -1"},
        {1, 0, 0, 1, "Layer limit must be > 0, got 0"},
        {1, inf, 0, 1, "Layer limit must be finite, got inf"},
        {1, 3, -1, 1, "Layer attachment must be >= 0, got -1"},
        {1, 3, nan, 1, "Layer attachment must be >= 0, got nan"},
        {1, 3, 0, 0, "Layer share must be in (0, 1], got 0"},
        {1, 3, 0, 1.5, "Layer share must be in (0, 1], got 1.5"},
        {0, 3, 0, 1, "Bucket width unit must be > 0, got 0"},
        {-2, 3, 0, 1, "Bucket width unit must be > 0, got -2"},
        {inf, 3, 0, 1, "Bucket width unit must be finite, got inf"},
    };
    ExpectInvalidArgument([] { DiscretiseGrid(*MakeSeverityFamily(svMED, std::vector<double>{1, 1}), 3, 1, 3, 1e4, 1); },
                          "Layer attachment 10000 lies beyond every claim: Pr(X > attachment) = 0");
    for (const auto& c : cases) {
        ExpectInvalidArgument([&] { DiscretiseGrid(*kUnitExponential, 3, c.unit, c.layer, c.attach, c.share); },
                              c.message);
        if (c.layer != -1)
            ExpectInvalidArgument([&] { DiscretiseCount(*kUnitExponential, 8, c.unit, c.layer, c.attach, c.share); },
                                  c.message);
    }
}

TEST(Discretise, LayerShorterThanABucket) {
    ExpectBuckets(DiscretiseGrid(*kUnitExponential, 2, 1, 0.5, 0, 1), {1, 0, 0, 0});
    ExpectBuckets(DiscretiseCount(*kUnitExponential, 4, 1, 1.5, 0, 1), {1, 0, 0, 0});  // m = 1: top bucket only
}

TEST(Discretise, HalfShareDoublesTheGroundUpWidth) {
    const SeverityFamily f = MakeSeverityFamily(svPareto, std::vector<double>{2.5, 1000});
    EXPECT_EQ(DiscretiseGrid(*f, 4, 100, 1200, 300, 0.5), DiscretiseGrid(*f, 4, 200, 1200, 300, 1));
    EXPECT_EQ(DiscretiseCount(*f, 16, 100, 1200, 300, 0.5), DiscretiseCount(*f, 16, 200, 1200, 300, 1));
}

// c (F(x_j) - F(x_{j-1})) with F from the family's CDF, x_j = A + (j + 1/2) h, F(x_{-1}) = F(A);
// the top bucket c (1 - F(x_{q-1})).
std::vector<double> DirectMidpointRule(const SeverityFamily& f, std::size_t n, std::size_t q, double h, double A) {
    std::vector<double> b(n, 0.0);
    const double c = 1 / (1 - f->CDF(A));
    double previous = f->CDF(A);
    for (std::size_t j = 0; j < q; ++j) {
        const double F = f->CDF(A + (static_cast<double>(j) + 0.5) * h);
        b[j] = c * (F - previous);
        previous = F;
    }
    b[q] = c * (1 - previous);
    return b;
}

TEST(Discretise, LargeGridsFollowTheMidpointRuleAndKeepTheMass) {
    const struct {
        std::string name;
        std::int32_t code;
        std::vector<double> params;
        double unit, attach, share;
    } cases[] = {
        {"four exponentials", svMED, {0.5, 0.2, 37, 0.3, 1000, 0.3, 1e6, 0.2}, 0.7, 3.3, 1},
        {"exponentials, partial share", svMED, {2, 0.5, 300, 0.5}, 0.01, 0, 0.4},
        {"translated lognormal", svTLognormal, {5, 1.5, 20}, 0.05, 10, 1},
        {"pareto", svPareto, {1.5, 50}, 0.1, 30, 0.8},
    };
    constexpr int numL2 = 20;
    constexpr std::size_t n = std::size_t{1} << numL2;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SeverityFamily f = MakeSeverityFamily(c.code, c.params);
        const double layer = (n - 3.5) * c.unit / c.share;  // m = n - 4
        const auto grid = DiscretiseGrid(*f, numL2, c.unit, layer, c.attach, c.share);
        const auto count = DiscretiseCount(*f, static_cast<int>(n), c.unit, layer, c.attach, c.share);
        const auto gridDirect = DirectMidpointRule(f, n, n - 4, c.unit / c.share, c.attach);
        const auto countDirect = DirectMidpointRule(f, n, n - 5, c.unit / c.share, c.attach);
        double worstGrid = 0, worstCount = 0;
        for (std::size_t k = 0; k < n; ++k) {
            worstGrid = std::max(worstGrid, std::abs(grid[k] - gridDirect[k]));
            worstCount = std::max(worstCount, std::abs(count[k] - countDirect[k]));
        }
        EXPECT_LE(worstGrid, 1e-15);
        EXPECT_LE(worstCount, 1e-15);
        EXPECT_NEAR(std::accumulate(grid.begin(), grid.end(), 0.0), 1.0, 1e-12);
        EXPECT_NEAR(std::accumulate(count.begin(), count.end(), 0.0), 1.0, 1e-12);
        EXPECT_EQ(grid[n - 3], 0.0);
        EXPECT_EQ(count[n - 4], 0.0);
    }
}

}  // namespace
