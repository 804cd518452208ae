// The triangle bootstrap: the generator, the factor store, the resampling and the histogram, and
// two threads bootstrapping at once.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "Corvane/numerics/triangle/crt_random.h"
#include "Corvane/numerics/triangle/factor_store.h"
#include "Corvane/numerics/triangle/trg_bootstrap.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A column-major nYears x nYears triangle from its rows (accident years).
std::vector<double> ColumnMajor(const std::vector<std::vector<double>>& rows) {
    const std::size_t n = rows.size();
    std::vector<double> c(n * n);
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t k = 0; k < n; ++k) c[a + n * k] = rows[a][k];
    return c;
}

void ExpectInvalidArgument(const std::function<void()>& call, const std::string& start) {
    try {
        call();
        ADD_FAILURE() << "expected an invalid argument starting \"" << start << "\"";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, start.size()), start) << e.what();
    }
}

TEST(CrtRandom, GivesTheCRuntimeSequenceFromState1) {
    // The first outputs of the C runtime's rand() when seeded with 1.
    CCrtRandom rng(1);
    for (std::uint32_t expected : {41u, 18467u, 6334u, 26500u, 19169u, 15724u, 11478u, 29358u})
        EXPECT_EQ(rng.Next(), expected);
}

TEST(CrtRandom, DrawModulusIsTheRemainder) {
    for (std::uint64_t d : {1ull, 2ull, 3ull, 7ull, 9ull, 10ull, 29ull, 30ull, 255ull, 1000ull, 12345ull, 32767ull,
                            32768ull, 32769ull, 1ull << 20, 1ull << 40}) {
        const CDrawModulus mod(d);
        for (std::uint32_t r = 0; r <= CCrtRandom::kMaxDraw; ++r)
            ASSERT_EQ(mod(r), r % d) << "r " << r << " d " << d;
    }
}

TEST(FactorStore, HoldsTheTriangleAndEachStepsFactorsContiguously) {
    // Below the diagonal: a NaN, an infinity and a number, all ignored.
    const std::vector<double> C = ColumnMajor({{100, 150, 165}, {200, 260, kNaN}, {0, kInf, 7}});
    const std::vector<double> store = FactorStore(C, 3);
    // Row 0: the triangle's first row; row 1: C(1, 0), C(1, 1) and the factor of step 2;
    // row 2: C(2, 0) and the factors of step 1.
    const std::vector<double> expected{100, 150, 165, 200, 260, 165.0 / 150, 0, 1.5, 1.3};
    EXPECT_EQ(store, expected);
    EXPECT_EQ(std::vector<double>(StepFactors(store, 3, 1).begin(), StepFactors(store, 3, 1).end()),
              (std::vector<double>{1.5, 1.3}));
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(IsTriangleCell(i, 3), i % 3 + i / 3 < 3) << i;
}

TEST(FactorStore, AZeroOrNegativeCellGivesAZeroNextFactor) {
    const std::vector<double> store = FactorStore(ColumnMajor({{0, 5, 6}, {-2, 4, 0}, {1, 0, 0}}), 3);
    EXPECT_EQ(store[2 * 3 + 1], 0.0) << "C(0, 0) = 0";
    EXPECT_EQ(store[2 * 3 + 2], 0.0) << "C(1, 0) < 0";
    EXPECT_EQ(store[1 * 3 + 2], 6.0 / 5.0);
}

TEST(FactorStore, ANonFiniteCellAboveTheDiagonalIsNamed) {
    ExpectInvalidArgument([] { FactorStore(ColumnMajor({{1, 2, 3}, {1, kNaN, 0}, {1, 0, 0}}), 3); },
                          "varTrg: the cell of accident year 1, development period 1 (counted from 0)");
    ExpectInvalidArgument([] { FactorStore(ColumnMajor({{1, 2, -kInf}, {1, 2, 0}, {1, 0, 0}}), 3); },
                          "varTrg: the cell of accident year 0, development period 2");
}

TEST(ResampleFactorProducts, DrawsStepByStepFromTheSequence) {
    // Step 1 has factors 2, 3, 5 (accident years 0, 1, 2), step 2 has 7 and 11, step 3 has 13.
    const std::size_t n = 4;
    std::vector<double> store(n * n, 0.0);
    const std::vector<std::vector<double>> steps{{}, {2, 3, 5}, {7, 11}, {13}};
    for (std::size_t k = 1; k < n; ++k)
        for (std::size_t a = 0; a < n - k; ++a) store[(n - k) * n + k + a] = steps[k][a];
    const std::size_t nResamp = 5;
    CCrtRandom rng(1), reference(1);
    const std::vector<double> x = ResampleFactorProducts(store, n, 1, nResamp, rng, nullptr);
    std::vector<double> expected(nResamp, 1.0);
    for (std::size_t k = 1; k < n; ++k)
        for (std::size_t r = 0; r < nResamp; ++r) expected[r] *= steps[k][reference.Next() % (n - k)];
    EXPECT_EQ(x, expected);
    EXPECT_EQ(x[0], 5.0 * 7.0 * 13.0) << "draw 1 (41) picks 5, draw 6 (15724) picks 7";
    EXPECT_EQ(rng.state(), reference.state());
}

TEST(ProductHistogram, BinsByNearestBucketOfTheScaledMaximum) {
    // M = 4, unit = 4 * 2 / 8 = 1: buckets trunc(x + 1/2).
    const CEmpDist h = ProductHistogram(std::vector<double>{4.0, 0.4, 0.6, 2.49, 0.0}, 2.0, 3);
    EXPECT_EQ(h.unit(), 1.0);
    const std::vector<double> expected{0.4, 0.2, 0.2, 0.0, 0.2, 0.0, 0.0, 0.0};
    for (std::size_t k = 0; k < 8; ++k) EXPECT_DOUBLE_EQ(h.values()[k], expected[k]) << k;
}

TEST(ProductHistogram, RejectsWhatWouldFallOutsideTheHistogram) {
    struct Case {
        const char* name;
        std::vector<double> x;
        double xmaxpad;
        const char* message;
    };
    const Case cases[] = {
        {"all zero", {0.0, 0.0}, 2.0, "varTrg: every product"},
        {"infinite", {1.0, kInf}, 2.0, "varTrg: a product of development factors is not finite"},
        {"NaN", {kNaN, 1.0}, 2.0, "varTrg: a product of development factors is not finite"},
        {"negative", {1.0, -0.2}, 2.0, "varTrg: a negative product"},
        // The maximum lands on bucket 2^3 exactly when xmaxpad = 1.
        {"xmaxpad 1", {1.0, 0.5}, 1.0, "xmaxpad is too small"},
        {"xmaxpad just too small", {1.0}, 8.0 / 7.5, "xmaxpad is too small"},
        {"bucket width overflows", {1e308}, 1e10, "xmaxpad gives a bucket width"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectInvalidArgument([&] { ProductHistogram(c.x, c.xmaxpad, 3); }, c.message);
    }
    // Just above the limit 2^L / (2^L - 1/2) the maximum stays in the last bucket.
    const CEmpDist h = ProductHistogram(std::vector<double>{1.0, -0.01}, 8.0 / 7.5 * (1 + 1e-12), 3);
    EXPECT_EQ(h.values()[7], 0.5);
    EXPECT_EQ(h.values()[0], 0.5) << "a product within half a bucket below 0 is in bucket 0";
}

TEST(RequireBootstrapArguments, NamesTheArgument) {
    const BootstrapArguments good{5, 1, 0, 0, 2.0, 10, 4};
    RequireBootstrapArguments(good);
    struct Case {
        BootstrapArguments args;
        const char* message;
    };
    auto with = [&](auto change) {
        BootstrapArguments a = good;
        change(a);
        return a;
    };
    const Case cases[] = {
        {with([](auto& a) { a.nYears = 0; }), "nYears"},
        {with([](auto& a) { a.firstBSYear = 0; }), "firstBSYear"},
        {with([](auto& a) { a.firstBSYear = 5; }), "firstBSYear"},
        {with([](auto& a) { a.nYears = 1; }), "firstBSYear"},
        {with([](auto& a) { a.nResamp = 0; }), "nResamp"},
        {with([](auto& a) { a.denSizeL2 = -1; }), "denSizeL2"},
        {with([](auto& a) { a.denSizeL2 = 31; }), "denSizeL2"},
        {with([](auto& a) { a.xmaxpad = 0.0; }), "xmaxpad"},
        {with([](auto& a) { a.xmaxpad = -2.0; }), "xmaxpad"},
        {with([](auto& a) { a.xmaxpad = kInf; }), "xmaxpad"},
        {with([](auto& a) { a.xmaxpad = kNaN; }), "xmaxpad"},
        {with([](auto& a) { a.forward = -1; }), "forward"},
        {with([](auto& a) { a.forward = 2, a.order = 5; }), "order"},
        {with([](auto& a) { a.forward = 2, a.order = -1; }), "order"},
    };
    for (const Case& c : cases) ExpectInvalidArgument([&] { RequireBootstrapArguments(c.args); }, c.message);
}

// Every factor of a step equal: all products are F = 1.5 * 1.2 * 1.1 and land in one bucket, the
// middle one when xmaxpad = 2.
TEST(TrgBootstrap, EqualFactorsGiveOneBucket) {
    const std::vector<double> C = ColumnMajor(
        {{100, 150, 180, 198}, {10, 15, 18, 0}, {40, 60, 0, 0}, {7, 0, 0, 0}});
    const CEmpDist d = TrgBootstrap(C, {4, 1, 0, 0, 2.0, 1000, 6}, nullptr);
    const double F = (1.5 * 1.2) * 1.1;
    EXPECT_DOUBLE_EQ(d.unit(), F * 2.0 / 64);
    for (std::size_t k = 0; k < 64; ++k) EXPECT_EQ(d.values()[k], k == 32 ? 1.0 : 0.0) << k;
}

// Two threads bootstrapping at once each follow the sequence a fresh thread has alone.
TEST(TriangleThreads, EachThreadHasItsOwnSequence) {
    const std::vector<double> C = ColumnMajor({{100, 130, 140, 142, 143},
                                               {90, 135, 150, 151, 0},
                                               {120, 150, 170, 0, 0},
                                               {80, 110, 0, 0, 0},
                                               {95, 0, 0, 0, 0}});
    const BootstrapArguments args{5, 1, 0, 0, 1.5, 20000, 8};
    auto twice = [&](std::vector<double>& out) {
        out = TrgBootstrap(C, args, nullptr).ReleaseValues();
        std::vector<double> second = TrgBootstrap(C, args, nullptr).ReleaseValues();
        out.insert(out.end(), second.begin(), second.end());
    };
    std::vector<double> alone, first, second;
    std::thread(twice, std::ref(alone)).join();
    std::thread a(twice, std::ref(first)), b(twice, std::ref(second));
    a.join();
    b.join();
    EXPECT_EQ(first, alone);
    EXPECT_EQ(second, alone);
    EXPECT_NE(std::vector<double>(alone.begin(), alone.begin() + 256),
              std::vector<double>(alone.begin() + 256, alone.end()))
        << "the second call continues the sequence";
}

TEST(TriangleThreads, AFreshThreadStartsAtState1) {
    std::uint32_t state = 0;
    std::thread([&] { state = ThreadCrtState(); }).join();
    EXPECT_EQ(state, 1u);
}

}  // namespace
