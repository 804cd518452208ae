#include "Corvane/numerics/aggregate/aggregate_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "Corvane/numerics/codes.h"

namespace corvane {
namespace {

CurveRecord NoCurve(int) { throw std::logic_error("no parameter file here"); }
CurveRecord NoMixture(std::span<const double>) { throw std::logic_error("no parameter file here"); }

// Claims of exactly one bucket: the aggregate is the claim count's own distribution. Grids of
// 2^16 buckets and more apply the generating function on two threads.
TEST(AggregateBuilderThreads, ClaimsOfOneBucketGiveTheCountDistribution) {
    for (std::int32_t numL2 : {5, 17}) {
        const double lambda[] = {4.0};
        AggregateRequest r{fqPoisson, lambda, svOne, {}, 0.0, 0.0, 1.0, numL2, 1.0};
        AggregateResult out = BuildAggregate(r, NoCurve, NoMixture);
        auto p = out.aggregate.values();
        const std::size_t top = std::min<std::size_t>(p.size(), 60);  // beyond 60, P(N = k) < 1e-16
        std::vector<double> poisson(top);
        double pk = std::exp(-4.0), total = 0.0;
        for (std::size_t k = 0; k < top; ++k, pk *= 4.0 / static_cast<double>(k)) {
            poisson[k] = pk < 1e-16 ? 0.0 : pk;
            total += poisson[k];
        }
        for (std::size_t k = 0; k < top; ++k) EXPECT_NEAR(p[k], poisson[k] / total, 1e-15) << numL2 << ", " << k;
        for (std::size_t k = top; k < p.size(); ++k) ASSERT_EQ(p[k], 0.0);
        EXPECT_FALSE(out.severity.has_value());
    }
}

TEST(AggregateBuilder, OneClaimKeepsTheSeverity) {
    const double density[] = {0.0, 0.25, 0.5, 0.25};
    AggregateRequest r{fqOne, {}, svEmp, density, 0.0, 0.0, 1.0, 2, 1.0};
    AggregateResult out = BuildAggregate(r, NoCurve, NoMixture);
    ASSERT_TRUE(out.severity.has_value());
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(out.aggregate.values()[k], density[k]);
        EXPECT_EQ((*out.severity)[k], density[k]);
    }
}

}  // namespace
}  // namespace corvane
