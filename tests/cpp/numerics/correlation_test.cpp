// The correlation numerics: factorisations checked by multiplying back, the index sort against
// std::sort, the scores' moments, and the shuffle's ranks against the target (Spearman
// coefficients computed from the ranks by Pearson's formula).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/correlation/cholesky.h"
#include "Corvane/numerics/correlation/crout_lu.h"
#include "Corvane/numerics/correlation/iman_conover.h"
#include "Corvane/numerics/correlation/index_sort.h"
#include "Corvane/numerics/correlation/scores.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

TEST(Cholesky, UpperFactorMultipliesBack) {
    const int n = 3;
    const std::vector<double> a{4.0, 2.0, 0.4, 2.0, 5.0, 1.2, 0.4, 1.2, 3.0};
    std::vector<double> u(9, -1.0);
    CholeskyUpper(a, n, u);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            if (i > j) {
                EXPECT_EQ(u[i * n + j], 0.0);
            }
            double s = 0.0;
            for (int k = 0; k < n; ++k) s += u[k * n + i] * u[k * n + j];
            EXPECT_NEAR(s, a[i * n + j], 1e-14);
        }
}

TEST(Cholesky, NonPositivePivotFails) {
    std::vector<double> u(4);
    EXPECT_THROW(CholeskyUpper(std::vector<double>{1.0, 1.5, 1.5, 1.0}, 2, u), std::invalid_argument);
    EXPECT_THROW(CholeskyUpper(std::vector<double>{0.0}, 1, u), std::invalid_argument);
}

TEST(CroutLu, SolvesWithPivoting) {
    // A zero leading element forces a row exchange.
    const int n = 3;
    const std::vector<double> a{0.0, 2.0, 1.0, 1e3, 1.0, -2.0, 3.0, -1.0, 4.0};
    std::vector<double> lu = a;
    std::vector<int> indx(n);
    LuDecompose(lu, n, indx);
    const std::vector<double> x{1.5, -2.0, 0.25};
    std::vector<double> b(n, 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) b[i] += a[i * n + j] * x[j];
    LuSolve(lu, n, indx, b);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(b[i], x[i], 1e-12);
}

TEST(CroutLu, ZeroRowIsSingular) {
    std::vector<double> a{1.0, 2.0, 0.0, 0.0};
    std::vector<int> indx(2);
    ExpectFailure([&] { LuDecompose(a, 2, indx); }, "Singular matrix in routine ludcmp");
}

std::vector<double> SortedKeys(std::vector<KeyIndex> a) {
    IndexSort(a);
    std::vector<double> keys;
    for (const auto& e : a) keys.push_back(e.key);
    return keys;
}

TEST(IndexSort, AgreesWithStdSortOnAwkwardInputs) {
    std::mt19937 g(7);
    std::vector<std::vector<double>> inputs;
    for (int n : {0, 1, 2, 7, 8, 9, 50}) {
        std::vector<double> v(n);
        for (double& x : v) x = std::uniform_real_distribution<double>(-1, 1)(g);
        inputs.push_back(v);
    }
    std::vector<double> big(200000);
    for (double& x : big) x = std::uniform_int_distribution<int>(0, 20)(g);  // many ties
    inputs.push_back(big);
    std::vector<double> ascending(100000);
    std::iota(ascending.begin(), ascending.end(), 0.0);
    inputs.push_back(ascending);
    inputs.emplace_back(ascending.rbegin(), ascending.rend());
    inputs.emplace_back(100000, 3.0);
    for (const auto& v : inputs) {
        std::vector<KeyIndex> a;
        for (std::size_t i = 0; i < v.size(); ++i) a.push_back({v[i], static_cast<std::int32_t>(i)});
        std::vector<double> expect = v;
        std::sort(expect.begin(), expect.end());
        EXPECT_EQ(SortedKeys(a), expect) << "n = " << v.size();
    }
}

TEST(IndexSort, RanksArePositionsInSortedOrder) {
    const std::vector<double> x{3.0, -1.0, 2.5, 10.0, 0.0};
    std::vector<std::int32_t> rank(x.size());
    std::vector<KeyIndex> work;
    RankValues(x, rank, work);
    EXPECT_EQ(rank, (std::vector<std::int32_t>{3, 0, 2, 4, 1}));
}

struct Moments {
    double mean, variance;
};

Moments MomentsOf(const std::vector<double>& x) {
    double m = std::accumulate(x.begin(), x.end(), 0.0) / x.size(), v = 0.0;
    for (double e : x) v += (e - m) * (e - m);
    return {m, v / x.size()};
}

TEST(Scores, MomentsOfEveryType) {
    struct Case {
        std::int32_t st;
        double p1, p2, mean, variance;
    };
    const Case cases[] = {
        {scNormal, 0, 0, 0.0, 1.0},        {scUniform, 0, 0, 0.5, 1.0 / 12},
        {scExponential, 0, 0, 1.0, 1.0},   {scGamma, 2.5, 0, 2.5, 2.5},
        {scGamma, 0.3, 0, 0.3, 0.3},       {scBeta, 2.0, 3.0, 0.4, 6.0 / (25 * 6)},
    };
    std::mt19937 g(11);
    for (const Case& c : cases) {
        std::vector<double> x(200000);
        DrawScores(g, c.st, c.p1, c.p2, true, x);
        const Moments m = MomentsOf(x);
        EXPECT_NEAR(m.mean, c.mean, 0.01 + 0.01 * c.mean) << "st = " << c.st;
        EXPECT_NEAR(m.variance, c.variance, 0.02 * c.variance + 1e-3) << "st = " << c.st;
        for (double e : x) ASSERT_EQ(e, static_cast<double>(static_cast<float>(e)));
    }
}

TEST(Scores, InvalidTypesAndParameters) {
    for (auto [st, p1, p2] : {std::tuple{5, 0.0, 0.0}, {-1, 0.0, 0.0}, {scGamma, 0.0, 0.0}, {scBeta, 1.0, 0.0},
                              {scBeta, -1.0, 1.0}})
        EXPECT_THROW(CheckScoreType(st, p1, p2), std::invalid_argument) << st << " " << p1 << " " << p2;
    EXPECT_NO_THROW(CheckScoreType(scBeta, 0.5, 0.5));
}

// Pearson's coefficient of two rank columns, i.e. Spearman's of the underlying values.
double RankCorrelation(const std::int32_t* a, const std::int32_t* b, std::size_t n) {
    const double m = (n - 1) / 2.0;
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sab += (a[i] - m) * (b[i] - m);
        saa += (a[i] - m) * (a[i] - m);
        sbb += (b[i] - m) * (b[i] - m);
    }
    return sab / std::sqrt(saa * sbb);
}

void ExpectPermutationColumns(const std::vector<std::int32_t>& r, std::size_t n, int k) {
    for (int j = 0; j < k; ++j) {
        std::vector<std::int32_t> col(r.begin() + j * n, r.begin() + (j + 1) * n);
        std::sort(col.begin(), col.end());
        for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(col[i], static_cast<std::int32_t>(i)) << "column " << j;
    }
}

TEST(ImanConover, RankCorrelationMatchesTarget) {
    const std::vector<double> c{1.0, 0.6, -0.3, 0.6, 1.0, 0.2, -0.3, 0.2, 1.0};
    const std::size_t n = 10000;
    for (std::int32_t st : {scNormal, scUniform, scExponential, scBeta, scGamma}) {
        std::vector<std::int32_t> r(n * 3);
        ImanConoverRanks(c, 3, n, {st, 2.0, 3.0, true}, r);
        ExpectPermutationColumns(r, n, 3);
        // Skewed scores reach the target in Pearson's sense only; their rank correlation keeps the
        // target's signs and order.
        const double tolerance = st == scNormal || st == scUniform ? 0.03 : 0.1;
        for (int i = 0; i < 3; ++i)
            for (int j = i + 1; j < 3; ++j)
                EXPECT_NEAR(RankCorrelation(&r[i * n], &r[j * n], n), c[i * 3 + j], tolerance)
                    << "st = " << st << " (" << i << ", " << j << ")";
    }
}

TEST(ImanConover, LargeShuffleOnTwoThreadsGivesPermutations) {
    const int k = 4;
    std::vector<double> c(k * k, 0.5);
    for (int i = 0; i < k; ++i) c[i * k + i] = 1.0;
    const std::size_t n = 70000;
    std::vector<std::int32_t> r(n * k);
    ImanConoverRanks(c, k, n, {scNormal, 0, 0, true}, r);
    ExpectPermutationColumns(r, n, k);
    // Normal scores of correlation 0.5 have a rank correlation of (6/pi) asin(0.5/2) = 0.4826; its
    // standard deviation over 70,000 draws is about 0.004.
    EXPECT_NEAR(RankCorrelation(&r[0], &r[3 * n], n), 6.0 / std::numbers::pi * std::asin(0.25), 0.015);
}

TEST(ImanConover, ScalingTheTargetKeepsTheRanks) {
    // A covariance instead of a correlation only scales each column of the transformed scores.
    const std::size_t n = 500;
    std::vector<double> x(n * 3);
    std::mt19937 g(3);
    DrawScores(g, scNormal, 0, 0, true, std::span<double>(x.data(), n));
    for (int j = 1; j < 3; ++j) {
        std::copy_n(x.begin(), n, x.begin() + j * n);
        std::shuffle(x.begin() + j * n, x.begin() + (j + 1) * n, g);
    }
    const std::vector<double> c{1.0, 0.5, 0.1, 0.5, 1.0, 0.3, 0.1, 0.3, 1.0};
    std::vector<double> scaled = c;
    for (int j = 0; j < 3; ++j) {
        scaled[1 * 3 + j] *= 4.0;
        scaled[j * 3 + 1] *= 4.0;
    }
    std::vector<std::int32_t> r1(n * 3), r2(n * 3);
    RanksFromScores(c, 3, n, x, r1);
    RanksFromScores(scaled, 3, n, x, r2);
    EXPECT_EQ(r1, r2);
}

TEST(ImanConover, OneLineIsTheRanksOfTheScores) {
    const std::vector<double> x{0.3, -1.2, 2.0, 0.0, 0.7};
    std::vector<std::int32_t> r(5);
    RanksFromScores(std::vector<double>{1.0}, 1, 5, x, r);
    EXPECT_EQ(r, (std::vector<std::int32_t>{2, 0, 4, 1, 3}));
}

TEST(ImanConover, FailuresBeforeAndAfterTheDrawing) {
    std::vector<std::int32_t> r(20);
    EXPECT_THROW(ImanConoverRanks(std::vector<double>{1.0, 1.5, 1.5, 1.0}, 2, 10, {scNormal, 0, 0, true}, r),
                 std::invalid_argument);
    EXPECT_THROW(ImanConoverRanks(std::vector<double>{1.0, 0.0, 0.0, 1.0}, 2, 10, {scBeta, 0, 0, true}, r),
                 std::invalid_argument);
    // Fewer samples than lines: the score correlation is singular.
    EXPECT_THROW(ImanConoverRanks(std::vector<double>{1.0, 0.0, 0.0, 1.0}, 2, 1, {scNormal, 0, 0, true}, r),
                 std::invalid_argument);
}

TEST(ImanConover, TargetChecks) {
    EXPECT_NO_THROW(CheckCorrelationTarget(std::vector<double>{1.0, 0.3, 0.3, 1.0}, 2));
    EXPECT_THROW(CheckCorrelationTarget(std::vector<double>{1.0, 0.3, 0.2, 1.0}, 2), std::invalid_argument);
    EXPECT_THROW(CheckCorrelationTarget(std::vector<double>{2.0, 0.3, 0.3, 1.0}, 2), std::invalid_argument);
}

// Two threads shuffling at once share the process-wide generator.
TEST(ImancThreads, ConcurrentShufflesAreIndependentAndComplete) {
    const std::vector<double> c{1.0, 0.4, 0.4, 1.0};
    const std::size_t n = 2000;
    auto work = [&](std::vector<std::int32_t>& last) {
        for (int rep = 0; rep < 20; ++rep) {
            std::vector<std::int32_t> r(n * 2);
            ImanConoverRanks(c, 2, n, {scUniform, 0, 0, true}, r);
            ExpectPermutationColumns(r, n, 2);
            last = r;
        }
    };
    std::vector<std::int32_t> a, b;
    std::thread t(work, std::ref(a));
    work(b);
    t.join();
    EXPECT_NE(a, b);
}

}  // namespace
