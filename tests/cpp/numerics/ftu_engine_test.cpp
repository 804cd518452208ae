// The two-dimensional engine's numerics: its transforms against a direct evaluation of the
// discrete Fourier transform, block sums in extended precision, the ratio distribution, and the
// engine's threads.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_factory.h"
#include "Corvane/numerics/frequency/freq_pgf.h"
#include "Corvane/numerics/ftu/ftu_decimate.h"
#include "Corvane/numerics/ftu/ftu_engine.h"
#include "Corvane/numerics/ftu/ftu_ratio.h"
#include "Corvane/numerics/ftu/ftu_transform.h"

namespace {

using namespace corvane;

// Storage and an engine over it, the grid filled with a random distribution.
struct Engine {
    explicit Engine(int numL2, unsigned seed = 1)
        : storage(CFTUEngine::GridDoubles(numL2), 0.0), engine(numL2, storage.data()) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        const FTUGrid& g = engine.grid();
        double total = 0.0;
        for (std::size_t r = 0; r < g.num; ++r)
            for (std::size_t c = 0; c < g.num; ++c) total += g(r, c) = u(rng);
        for (std::size_t r = 0; r < g.num; ++r)
            for (std::size_t c = 0; c < g.num; ++c) g(r, c) /= total;
    }
    std::vector<double> Cells() const {
        const FTUGrid& g = engine.grid();
        std::vector<double> out;
        for (std::size_t r = 0; r < g.num; ++r)
            for (std::size_t c = 0; c < g.num; ++c) out.push_back(g(r, c));
        return out;
    }
    std::vector<double> storage;
    CFTUEngine engine;
};

TEST(FTUTransform, ForwardIsTheUnnormalisedDiscreteFourierTransform) {
    Engine e(3);
    const std::vector<double> p = e.Cells();
    const std::size_t n = 8;
    e.engine.State(1, stTime);
    const FTUGrid& g = e.engine.grid();
    for (std::size_t r = 0; r < n; ++r)
        for (std::size_t k = 0; k <= n / 2; ++k) {
            std::complex<double> direct = 0.0;
            for (std::size_t a = 0; a < n; ++a)
                for (std::size_t b = 0; b < n; ++b)
                    direct += p[a * n + b] * std::polar(1.0, -2.0 * std::numbers::pi * double(a * r + b * k) / n);
            const std::complex<double> stored(g(r, 2 * k), g(r, 2 * k + 1));
            EXPECT_NEAR(std::abs(stored - direct), 0.0, 1e-15) << r << ", " << k;
        }
}

TEST(FTUTransform, RoundTripReturnsTheGridWithZeroPadding) {
    for (int l2 : {1, 2, 5, 7}) {
        Engine e(l2, static_cast<unsigned>(l2));
        const std::vector<double> before = e.Cells();
        e.engine.State(1, stTime);
        e.engine.State(1, stSpace);
        const std::vector<double> after = e.Cells();
        for (std::size_t i = 0; i < before.size(); ++i) EXPECT_NEAR(after[i], before[i], 1e-15);
        const FTUGrid& g = e.engine.grid();
        for (std::size_t r = 0; r < g.num; ++r) {
            EXPECT_EQ(g(r, g.num), 0.0);
            EXPECT_EQ(g(r, g.num + 1), 0.0);
        }
    }
}

TEST(FTUDecimate, BlockSumsAreRoundedOnceFromExtendedPrecision) {
    // In doubles ((1 + 2^-53) + 2^-53) + 2^-54 stays 1; the block sum is 1 + 5 * 2^-54, which rounds to
    // the double 1 + 2^-52.
    std::vector<double> storage(CFTUEngine::GridDoubles(1), 0.0);
    const FTUGrid g{storage.data(), 2};
    const double tiny = std::ldexp(1.0, -53);
    g(0, 0) = 1.0;
    g(0, 1) = g(1, 0) = tiny;
    g(1, 1) = tiny / 2;
    const FTUGrid coarse = DecimateGrid(g, 1);
    EXPECT_EQ(coarse.num, 1u);
    EXPECT_EQ(coarse(0, 0), 1.0 + std::ldexp(1.0, -52));
    EXPECT_EQ(coarse(0, 1), 0.0);
    EXPECT_EQ(coarse(0, 2), 0.0);
}

TEST(FTUDecimate, InPlaceBlockSumsEqualSumsOfACopy) {
    for (int d : {1, 2, 7}) {
        Engine e(8, static_cast<unsigned>(d));
        const std::vector<double> fine = e.Cells();
        const std::size_t n = 256, f = std::size_t{1} << d, m = n / f;
        const FTUGrid coarse = DecimateGrid(e.engine.grid(), d);
        ASSERT_EQ(coarse.num, m);
        for (std::size_t R = 0; R < m; ++R)
            for (std::size_t C = 0; C < m; ++C) {
                long double sum = 0.0L;
                for (std::size_t r = R * f; r < R * f + f; ++r)
                    for (std::size_t c = C * f; c < C * f + f; ++c) sum += fine[r * n + c];
                EXPECT_NEAR(coarse(R, C), static_cast<double>(sum), 1e-16) << d << ": " << R << ", " << C;
            }
    }
}

TEST(FTURatio, BucketsOfRatiosAndTheirWidth) {
    const struct {
        std::size_t r, c;
        double w;
        std::size_t bucket;
    } cases[] = {
        {1, 1, 1.0, 1}, {1, 2, 1.0, 1}, {1, 3, 1.0, 0}, {3, 2, 1.0, 2}, {6, 1, 1.0, 6},
        {7, 1, 1.0, 7}, {5, 1, 0.5, 7}, {1, 4, 0.125, 2}, {1, 1, 1e-300, 7},
    };
    for (const auto& t : cases) EXPECT_EQ(RatioBucket(t.r, t.c, t.w, 8), t.bucket) << t.r << "/" << t.c;
    EXPECT_DOUBLE_EQ(RatioWidth(7.0, 8, "maxFTU"), 1.0);
    for (double bad : {0.0, -1.0, std::nan(""), HUGE_VAL}) EXPECT_THROW(RatioWidth(bad, 8, "maxFTU"), std::invalid_argument);
    EXPECT_THROW(RatioWidth(1.0, 1, "maxFTU"), std::invalid_argument);
}

TEST(FTURatio, RatioGridKeepsEveryCellOfTheSpaceGrid) {
    Engine e(4, 9);
    std::vector<double> target(CFTUEngine::GridDoubles(4), 7.0);
    const FTUGrid to{target.data(), 16};
    RatioGrid(e.engine.grid(), to, 0.3);
    double total = 0.0;
    for (std::size_t r = 0; r < 16; ++r) {
        for (std::size_t c = 0; c < 16; ++c) total += to(r, c);
        EXPECT_EQ(to(r, 16), 0.0);
    }
    EXPECT_NEAR(total, 1.0, 1e-14);  // a random grid has no cell at or below 0 to leave out
    const std::vector<double> ratio = RatioDistribution(e.engine.grid(), 0.3);
    for (std::size_t k = 0; k < 16; ++k) {
        double column = 0.0;
        for (std::size_t r = 0; r < 16; ++r) column += to(r, k);
        EXPECT_NEAR(column, ratio[k], 1e-15);
    }
}

// Threads: the engine's transforms and its generating-function step, and engines on two threads.

TEST(FTUThreads, GeneratingFunctionBandsDoNotDependOnTheThreadCount) {
    const auto family = freqdist::CreateFreqDist(fqNegBinVM, std::vector<double>{3.0, 2.0});
    const std::size_t rows = 37, cols = 20;
    std::vector<std::complex<double>> reference(rows * (cols / 2 + 1));
    for (std::size_t i = 0; i < reference.size(); ++i)
        reference[i] = std::polar(0.9, 0.37 * static_cast<double>(i));
    std::vector<std::complex<double>> one = reference;  // the family's own pass over all of them at once
    family->ScaledPgfInPlace(one, 0.25);
    for (int threads : {0, 1, 2, 3, 8, 100}) {
        std::vector<std::complex<double>> banded = reference;
        freqdist::ApplyPGF2D(*family, banded.data(), rows, cols, 0.25, threads);
        EXPECT_EQ(banded, one) << threads << " threads";
    }
}

TEST(FTUThreads, OnePlanPairPerThreadCountAndTheSameResult) {
    const auto family = freqdist::CreateFreqDist(fqPoisson, std::vector<double>{2.0});
    Engine one(7, 3), two(7, 3);
    one.engine.ExecuteCounts(1, 0.5, 0.2, 0.2, 0.1, *family, stSpace);
    two.engine.ExecuteCounts(2, 0.5, 0.2, 0.2, 0.1, *family, stSpace);
    const std::vector<double> a = one.Cells(), b = two.Cells();
    for (std::size_t i = 0; i < a.size(); ++i) ASSERT_NEAR(a[i], b[i], 1e-16);
    EXPECT_EQ(one.engine.PlanCount(), 1u);
    two.engine.State(1, stTime);
    two.engine.State(2, stSpace);
    two.engine.State(-5, stTime);  // counts as 1
    EXPECT_EQ(two.engine.PlanCount(), UsableThreads(2) == 2 ? 2u : 1u);
}

TEST(FTUThreads, EnginesOnTwoThreadsAtOnceGiveTheirSequentialResults) {
    const auto family = freqdist::CreateFreqDist(fqNegBinVM, std::vector<double>{4.0, 1.5});
    auto run = [&](Engine& e, int threads) {
        e.engine.ExecuteCounts(threads, 0.6, 0.2, 0.15, 0.05, *family, stTime);
        e.engine.State(threads, stSpace);
        e.engine.Decimate(5);
        double unit = 0.0;
        return e.engine.FTU(4.0, unit);
    };
    Engine s1(7), s2(6);
    const std::vector<double> expected1 = run(s1, 1), expected2 = run(s2, 1);
    Engine c1(7), c2(6);
    std::vector<double> got1, got2;
    {
        std::jthread a([&] { got1 = run(c1, 2); });
        std::jthread b([&] { got2 = run(c2, 2); });
    }
    ASSERT_EQ(got1.size(), expected1.size());
    for (std::size_t i = 0; i < got1.size(); ++i) EXPECT_NEAR(got1[i], expected1[i], 1e-15);
    for (std::size_t i = 0; i < got2.size(); ++i) EXPECT_NEAR(got2[i], expected2[i], 1e-15);
}

}  // namespace
