// Reading a bivariate density: X + Y, a layer's payment with loss and expense, the ratio of the
// coordinates, and the joint moments.
#include <ostream>
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

#include "Corvane/numerics/bivariate/biv_diagonal.h"
#include "Corvane/numerics/bivariate/biv_ftuvar.h"
#include "Corvane/numerics/bivariate/biv_lossalae.h"
#include "Corvane/numerics/bivariate/biv_marginals.h"
#include "Corvane/numerics/bivariate/biv_moments.h"
#include "Corvane/numerics/codes.h"

namespace {

using namespace corvane;

std::vector<double> Outer(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> p;
    for (double u : a)
        for (double v : b) p.push_back(u * v);
    return p;
}

std::vector<double> RandomDensity(std::size_t n) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> U(0.0, 1.0);
    std::vector<double> p(n * n);
    double s = 0.0;
    for (double& v : p) s += v = U(rng);
    for (double& v : p) v /= s;
    return p;
}

// All mass in one cell (x, y) of an n x n grid.
std::vector<double> Cell(std::size_t n, std::size_t x, std::size_t y) {
    std::vector<double> p(n * n, 0.0);
    p[x * n + y] = 1.0;
    return p;
}

TEST(DiagonalGrid, AddsTheCoordinatesAndWrapsAround) {
    const std::vector<double> half{0.5, 0.5, 0, 0};
    EXPECT_EQ(DiagonalGrid(Outer(half, half), 4, 4, 1, 1), (std::vector<double>{0.25, 0.5, 0.25, 0}));
    EXPECT_EQ(DiagonalGrid(Outer({0, 0, 0, 1}, {0, 1, 0, 0}), 4, 4, 1, 1), (std::vector<double>{1, 0, 0, 0}));
    EXPECT_THROW(DiagonalGrid(std::vector<double>(32), 8, 4, 1, 1), std::invalid_argument);
    EXPECT_THROW(DiagonalGrid(Outer(half, half), 4, 4, 1, 2), std::invalid_argument);
}

struct ProRataCase {
    std::size_t x, y;
    double unit, attach, layer;
    std::size_t bucket;
};

// Test names show the case, not its bytes.
void PrintTo(const ProRataCase& c, std::ostream* os) {
    *os << "x" << c.x << "_y" << c.y << "_unit" << c.unit << "_attach" << c.attach << "_layer" << c.layer;
}

class LossALAEProRata : public ::testing::TestWithParam<ProRataCase> {};

// The layer pays c = min(max(x u - attach, 0), layer) of the loss and c/(x u) of the expense y u.
TEST_P(LossALAEProRata, PaysLossAndTheSameShareOfExpense) {
    const auto& c = GetParam();
    const auto out = LossALAE(Cell(8, c.x, c.y), 8, 8, c.unit, c.unit, alaeProRata, c.layer, c.attach, 1);
    std::vector<double> expected(8, 0.0);
    expected[c.bucket] = 1.0;
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(Cells, LossALAEProRata,
                         ::testing::Values(ProRataCase{0, 5, 1, 0, 100, 0},  // no loss, nothing paid
                                           ProRataCase{3, 2, 1, 0, 100, 5},  // everything: x + y
                                           ProRataCase{6, 4, 1, 0, 100, 7},  // capped at the top bucket
                                           ProRataCase{4, 2, 1, 2, 3, 3},    // c = 2, t = 2 (2/4 + 1) = 3
                                           ProRataCase{6, 3, 1, 2, 3, 5},    // c = 3, t = 4.5 rounds up
                                           ProRataCase{1, 3, 1, 2, 3, 0},    // below the attachment
                                           ProRataCase{3, 1, 2, 2, 100, 3})); // c = 4, t = 5.33, t/u = 2.67

TEST(LossALAE, IncludedExpenseCedesTheLayerOfXPlusY) {
    // Attachment 2, limit 3: sums 0..7 cede [0, 0, 0, 1, 2, 3, 3, 3].
    const std::size_t ceded[] = {0, 0, 0, 1, 2, 3, 3, 3};
    for (std::size_t s = 0; s < 8; ++s) {
        const auto out = LossALAE(Cell(8, s / 2, s - s / 2), 8, 8, 1, 1, alaeIncluded, 3.0, 2.0, 1);
        std::vector<double> expected(8, 0.0);
        expected[ceded[s]] = 1.0;
        EXPECT_EQ(out, expected) << "sum " << s;
    }
    const auto p = RandomDensity(16);
    EXPECT_EQ(LossALAE(p, 16, 16, 1, 1, alaeIncluded, 1e9, 0.0, 1), DiagonalGrid(p, 16, 16, 1, 1));
}

TEST(LossALAEThreads, GivesTheSameResultOnOneThreadOrTwo) {
    const auto p = RandomDensity(64);
    const auto one = LossALAE(p, 64, 64, 0.5, 0.5, alaeProRata, 10.0, 3.0, 1);
    EXPECT_EQ(LossALAE(p, 64, 64, 0.5, 0.5, alaeProRata, 10.0, 3.0, 2), one);
    EXPECT_EQ(LossALAE(p, 64, 64, 0.5, 0.5, alaeProRata, 10.0, 3.0, 8), one);
    EXPECT_EQ(LossALAE(p, 64, 64, 0.5, 0.5, alaeProRata, 10.0, 3.0, 0), one);
    double total = 0.0;
    for (double v : one) total += v;
    EXPECT_NEAR(total, 1.0, 1e-12);
}

TEST(LossALAE, RefusesWhatItCannotCompute) {
    const auto p = RandomDensity(8);
    EXPECT_THROW(LossALAE(std::vector<double>(32), 8, 4, 1, 1, alaeProRata, 1, 0, 1), std::invalid_argument);
    EXPECT_THROW(LossALAE(p, 8, 8, 1, 2, alaeProRata, 1, 0, 1), std::invalid_argument);
    EXPECT_THROW(LossALAE(p, 8, 8, 1, 1, 3, 1, 0, 1), std::invalid_argument);
    EXPECT_THROW(LossALAE(p, 8, 8, 1, 1, alaeProRata, -1, 0, 1), std::invalid_argument);
    EXPECT_THROW(LossALAE(p, 8, 8, 1, 1, alaeProRata, 1, -1, 1), std::invalid_argument);
    EXPECT_THROW(LossALAE(p, 8, 8, 0, 0, alaeProRata, 1, 0, 1), std::invalid_argument);
}

struct RatioCase {
    std::size_t x, y;
    std::size_t bucket;  // 8 = not counted
};

void PrintTo(const RatioCase& c, std::ostream* os) { *os << "x" << c.x << "_y" << c.y; }

class FTUVarCells : public ::testing::TestWithParam<RatioCase> {};

// 8 ratio buckets of width 0.5.
TEST_P(FTUVarCells, PutsTheIndexRatioInItsBucket) {
    const auto& c = GetParam();
    const auto out = FTUVar(Cell(8, c.x, c.y), 8, 8, 3, 0.5);
    std::vector<double> expected(8, 0.0);
    if (c.bucket < 8) expected[c.bucket] = 1.0;
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(Cells, FTUVarCells,
                         ::testing::Values(RatioCase{4, 2, 4},   // r = 2: 4.5 -> 4
                                           RatioCase{1, 4, 1},   // r = 0.25: 1.0 -> 1
                                           RatioCase{7, 1, 7},   // r = 7: beyond the grid
                                           RatioCase{3, 0, 7},   // y = 0: last bucket
                                           RatioCase{0, 3, 8})); // row 0 not counted

TEST(FTUVar, IgnoresTinyCellsAndRefusesBadArguments) {
    auto p = Cell(4, 2, 1);
    p[3 * 4 + 3] = 1e-16;
    EXPECT_EQ(FTUVar(p, 4, 4, 2, 1.0), (std::vector<double>{0, 0, 1, 0}));
    EXPECT_THROW(FTUVar(std::vector<double>(32), 8, 4, 2, 1.0), std::invalid_argument);
    EXPECT_THROW(FTUVar(p, 4, 4, 2, 0.0), std::invalid_argument);
    EXPECT_THROW(FTUVar(p, 4, 4, -1, 1.0), std::invalid_argument);
}

TEST(Marginals, SumTheRowsAndTheColumnsOfANonSquareGrid) {
    // p(x, y) = (x + 1)(y + 1)/30 on 2 x 4 buckets: rows sum to (x + 1)/3, columns to (y + 1)/10.
    std::vector<double> p(8);
    for (std::size_t x = 0; x < 2; ++x)
        for (std::size_t y = 0; y < 4; ++y) p[x * 4 + y] = double((x + 1) * (y + 1)) / 30.0;
    const auto mX = MarginalOfX(p, 2, 4), mY = MarginalOfY(p, 2, 4);
    ASSERT_EQ(mX.size(), 2u);
    ASSERT_EQ(mY.size(), 4u);
    for (std::size_t x = 0; x < 2; ++x) EXPECT_DOUBLE_EQ(mX[x], double(x + 1) / 3.0);
    for (std::size_t y = 0; y < 4; ++y) EXPECT_DOUBLE_EQ(mY[y], double(y + 1) / 10.0);
    EXPECT_THROW(MarginalOfX(p, 4, 4), std::invalid_argument);
}

// Two points on a 4 x 8 grid with units 2 and 3: (X, Y) = (2, 6) and (6, 0), probability 1/2 each.
TEST(BivMoments, RawAndMixedMomentsOnTheAmounts) {
    std::vector<double> p(32, 0.0);
    p[1 * 8 + 2] = 0.5;
    p[3 * 8 + 0] = 0.5;
    const std::array<double, 7> expected{4, 20, 112, 3, 18, 108, 6};
    EXPECT_EQ(BivMoments(p, 4, 8, 2.0, 3.0), expected);
    EXPECT_THROW(BivMoments(p, 8, 8, 1, 1), std::invalid_argument);
}

}  // namespace
