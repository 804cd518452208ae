// The precondition vocabulary: messages that name the parameter, its value and its range, and the
// density check wherever the bad value sits in a long array.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "Corvane/numerics/require.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Require, MessagesNameTheParameterValueAndRange) {
    ExpectInvalidArgument([] { RequirePositive(-2.5, "Pareto alpha"); }, "Pareto alpha must be > 0, got -2.5");
    ExpectInvalidArgument([] { RequirePositive(kInf, "Pareto alpha"); }, "Pareto alpha must be finite, got inf");
    ExpectInvalidArgument([] { RequireNonNegative(kNaN, "Poisson mean"); }, "Poisson mean must be >= 0, got nan");
    ExpectInvalidArgument([] { RequireAtLeast(0.5, 1, "vm"); }, "vm must be >= 1, got 0.5");
    ExpectInvalidArgument([] { RequireWithin(1, 0, 1, true, "tau"); }, "tau must be in [0, 1), got 1");
    ExpectInvalidArgument([] { RequireWithin(-1e-300, 0, 1, false, "p"); }, "p must be in [0, 1], got -1e-300");
    ExpectInvalidArgument([] { RequireFraction(0, "Layer share"); }, "Layer share must be in (0, 1], got 0");
    ExpectInvalidArgument([] { RequireFinite(-kInf, "T"); }, "T must be finite, got -inf");
    ExpectInvalidArgument([] { RequireLayer(1, 2, 1.5); }, "Layer share must be in (0, 1], got 1.5");
    EXPECT_NO_THROW(RequireWithin(0, 0, 1, true, "tau"));
    EXPECT_NO_THROW(RequireFraction(1, "share"));
    EXPECT_NO_THROW(RequireLayer(1e-300, 0, 1e-300));
    EXPECT_EQ(FormatValue(0.1), "0.1");
    EXPECT_EQ(FormatValue(1e300), "1e+300");
}

TEST(Require, DensityChecksFindTheFirstBadValueAnywhere) {
    for (std::size_t n : {1u, 3u, 4u, 4097u, 10000u}) {
        for (std::size_t at : {std::size_t{0}, n / 2, n - 1}) {
            for (double bad : {-1e-300, kNaN, kInf, -kInf}) {
                std::vector<double> p(n, 0.25);
                p[at] = bad;
                if (at > 0) p[at - 1] = 0;
                const std::string expected = "D at index " + std::to_string(at) + " must be " +
                                             (bad == kInf || bad == -kInf ? "finite, got " : ">= 0, got ") +
                                             FormatValue(bad);
                ExpectInvalidArgument([&] { RequireDensity(p, "D"); }, expected);
                ExpectInvalidArgument([&] { CheckedDensity(p, "D"); }, expected);
            }
        }
        const std::vector<double> ok(n, 0.5);
        EXPECT_EQ(CheckedDensity(ok, "D"), ok);
    }
    ExpectInvalidArgument([] { RequireDensity(std::vector<double>(9, 0.0), "D"); }, "D total must be > 0, got 0");
    ExpectInvalidArgument([] { RequireDensity(std::vector<double>{}, "D"); }, "D total must be > 0, got 0");
    const double big = std::numeric_limits<double>::max();
    ExpectInvalidArgument([&] { CheckedDensity(std::vector<double>(8, big), "D"); }, "D total must be finite, got inf");
}

}  // namespace
