// A gross loss split by a layer into (gross, net), (gross, ceded) and (net, ceded).
#include <ostream>
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "Corvane/numerics/bivariate/biv_layer_split.h"
#include "Corvane/numerics/codes.h"

namespace {

using namespace corvane;
using Cells = std::vector<std::pair<std::size_t, std::size_t>>;

struct SplitCase {
    std::int32_t dep;
    Cells cellOfGross;  // the cell that gross bucket i lands in
};

// Test names show the case, not its bytes.
void PrintTo(const SplitCase& c, std::ostream* os) { *os << "dep" << c.dep; }

class LayerSplit : public ::testing::TestWithParam<SplitCase> {};

// Unit 1, attachment 2, limit 3 (a = 2, e = 5, l = 3) on 8 buckets.
TEST_P(LayerSplit, SendsEveryGrossBucketToItsCell) {
    const auto& [dep, cellOfGross] = GetParam();
    const std::size_t n = 8;
    std::vector<double> pX(n);
    for (std::size_t i = 0; i < n; ++i) pX[i] = double(i + 1) / 36.0;
    std::vector<double> p(n * n, 7.0), expected(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) expected[cellOfGross[i].first * n + cellOfGross[i].second] = pX[i];
    NetCededDensity(dep, 3.0, 2.0, 1.0, pX, 1.0, 1.0, n, p);
    EXPECT_EQ(p, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, LayerSplit,
    ::testing::Values(
        SplitCase{bvNetCeded, {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {2, 3}, {3, 3}, {4, 3}}},
        SplitCase{bvGrossNet, {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 3}, {7, 4}}},
        SplitCase{bvGrossCeded, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 2}, {5, 3}, {6, 3}, {7, 3}}}));

struct RefusedCase {
    const char* what;
    std::int32_t dep;
    double L, A, s, unitY;
    std::size_t ny;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    for (const char* p = c.what; *p; ++p) *os << (*p == ' ' ? '_' : *p);
}

class LayerSplitRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(LayerSplitRefused, FailsBeforeWritingAnything) {
    const auto& c = GetParam();
    const std::vector<double> pX(8, 0.125);
    std::vector<double> p(8 * c.ny, 7.0);
    EXPECT_THROW(NetCededDensity(c.dep, c.L, c.A, c.s, pX, 1.0, c.unitY, c.ny, p), std::invalid_argument) << c.what;
    EXPECT_EQ(p, std::vector<double>(8 * c.ny, 7.0)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, LayerSplitRefused,
    ::testing::Values(RefusedCase{"partial share", bvNetCeded, 3, 2, 0.5, 1, 8},
                      RefusedCase{"unequal units", bvNetCeded, 3, 2, 1, 2, 8},
                      RefusedCase{"layer beyond the grid", bvNetCeded, 3, 6, 1, 1, 8},
                      RefusedCase{"negative attachment", bvNetCeded, 3, -2, 1, 1, 8},
                      RefusedCase{"negative limit", bvNetCeded, -2, 4, 1, 1, 8},
                      RefusedCase{"not a number", bvGrossCeded, NAN, 2, 1, 1, 8},
                      RefusedCase{"ceded column beyond ny", bvNetCeded, 3, 2, 1, 1, 2},
                      RefusedCase{"net column beyond ny", bvGrossNet, 3, 2, 1, 1, 4},
                      RefusedCase{"a copula code", bvClayton, 3, 2, 1, 1, 8}));

TEST(LayerSplit, NarrowGridsHoldTheCededColumns) {
    // l = 3 needs 4 columns for the ceded part whatever nx is.
    const std::vector<double> pX(8, 0.125);
    std::vector<double> p(8 * 4);
    NetCededDensity(bvGrossCeded, 3.0, 2.0, 1.0, pX, 1.0, 1.0, 4, p);
    EXPECT_EQ(p[7 * 4 + 3], 0.125);
    EXPECT_EQ(p[3 * 4 + 1], 0.125);
}

}  // namespace
