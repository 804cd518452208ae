// Severity codes resolved through a parameter-file lookup and a user-mixture builder, and the
// one-call computations behind F, CreateSevDist, SevMoms, BI_F and BI_LEV.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <stdexcept>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/severity/sev_discretise.h"
#include "Corvane/numerics/severity/sev_family.h"
#include "Corvane/numerics/severity/sev_methods.h"
#include "Corvane/numerics/severity/sev_resolve.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

CurveRecord Curve(std::int32_t code, std::vector<double> params) {
    CurveRecord r;
    r.sevDist = code;
    r.params = std::move(params);
    return r;
}

const std::map<int, CurveRecord> kFile{
    {3, Curve(svMED, {1000, 0.6, 5000, 0.4})},
    {7, Curve(svTLognormal, {7, 1, 300})},
    {8, Curve(svEmp, {1, 2})},
    {9, Curve(99, {1, 2})},
};

const CurveSource kEntry = [](int index) { return kFile.at(index); };

// Stands for the parameter file's user-mixture builder: records the pairs it is given.
struct MixtureSpy {
    std::vector<double> pairs;
    MixtureSource Source() {
        return [this](std::span<const double> v) {
            pairs.assign(v.begin(), v.end());
            return Curve(svMED, {100, 0.5, 2000, 0.5});
        };
    }
};

TEST(ResolveSeverity, BuiltInCurvesByTruncatedIndex) {
    MixtureSpy spy;
    const CurveRecord r = ResolveSeverity(svBI, std::vector<double>{3.9, 77}, kEntry, spy.Source());
    EXPECT_EQ(r.sevDist, svMED);
    EXPECT_EQ(r.params, kFile.at(3).params);
    for (double bad : {-1.0, 511.0, 1e300, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_THROW(ResolveSeverity(svBI, std::vector<double>{bad}, kEntry, spy.Source()), std::invalid_argument)
            << bad;
    EXPECT_THROW(ResolveSeverity(svBI, {}, kEntry, spy.Source()), std::invalid_argument);
}

TEST(ResolveSeverity, UserMixturesAndCallersValues) {
    MixtureSpy spy;
    const std::vector<double> pairs{3, 0.5, 7, 0.5};
    EXPECT_EQ(ResolveSeverity(svSimpleMixture, pairs, kEntry, spy.Source()).params,
              (std::vector<double>{100, 0.5, 2000, 0.5}));
    EXPECT_EQ(spy.pairs, pairs);
    EXPECT_THROW(ResolveSeverity(svSimpleMixture, std::vector<double>{3, 0.5, 7}, kEntry, spy.Source()),
                 std::invalid_argument);

    // More values than an entry holds are kept whole.
    std::vector<double> many;
    for (int i = 0; i < 15; ++i) many.insert(many.end(), {100.0 * (i + 1), 1.0 / 15});
    const CurveRecord r = ResolveSeverity(svMED, many, kEntry, spy.Source());
    EXPECT_EQ(r.sevDist, svMED);
    EXPECT_EQ(r.params, many);
}

TEST(SeverityMethods, SevMomsByResolvedCode) {
    MixtureSpy spy;
    const auto sevMoms = [&](std::int32_t code, std::vector<double> params) {
        return SevMoms(code, params, 4000, 500, 0.5, kEntry, spy.Source());
    };
    EXPECT_EQ(sevMoms(svOne, {}), (MomentTriple{1, 1, 1}));
    EXPECT_EQ(sevMoms(svBI, {7}),
              MakeSeverityFamily(svTLognormal, kFile.at(7).params)->LayerMoments(4000, 500, 1));
    EXPECT_EQ(sevMoms(svSimpleMixture, {3, 1}),
              MakeSeverityFamily(svMED, std::vector<double>{100, 0.5, 2000, 0.5})->LayerMoments(4000, 500, 1));

    std::vector<double> many;
    for (int i = 0; i < 15; ++i) many.insert(many.end(), {100.0 * (i + 1), 1.0 / 15});
    EXPECT_EQ(sevMoms(svMED, many), MakeSeverityFamily(svMED, many)->LayerMoments(4000, 500, 1));

    ExpectFailure([&] { sevMoms(svEmp, {1, 2}); }, "Not implemented");
    ExpectFailure([&] { sevMoms(svBI, {8}); }, "Not implemented");
    ExpectFailure([&] { sevMoms(svFPP, {1, 2}); }, "Invalid sev dist");
    ExpectFailure([&] { sevMoms(svBI, {9}); }, "Invalid sev dist");
    ExpectFailure([&] { sevMoms(svPareto, {2}); }, "Insufficient Parameters");
}

TEST(SeverityMethods, CreateSevDistDiscretisesTheResolvedSeverity) {
    MixtureSpy spy;
    // Layer 8000, attachment 200, full share, num buckets of width 250.
    const auto create = [&](std::int32_t code, std::vector<double> params, int num) {
        return CreateSevDist(code, params, 8000, 200, 1, num, 250, kEntry, spy.Source());
    };
    EXPECT_EQ(create(svBI, {3}, 64),
              DiscretiseCount(*MakeSeverityFamily(svMED, kFile.at(3).params), 64, 250, 8000, 200, 1));
    ExpectFailure([&] { create(svBI, {9}, 64); }, "Invalid sev dist");
    ExpectFailure([&] { create(svOne, {}, 64); }, "Invalid sev dist");
    ExpectFailure([&] { create(svMED, {1000, 1}, 16); }, "Invalid unit for size of layer");
}

TEST(SeverityMethods, FOfFamiliesAndBuiltInCurves) {
    EXPECT_DOUBLE_EQ(SeverityF(svMED, std::vector<double>{1000, 1}, 1000, kEntry), 1 - std::exp(-1.0));
    EXPECT_DOUBLE_EQ(SeverityF(svBI, std::vector<double>{3}, 2500, kEntry), CurveF(kFile.at(3), 2500));
    EXPECT_EQ(SeverityF(svBI, std::vector<double>{7}, 299, kEntry), 0.0);
    ExpectInvalidArgStatus([] { SeverityF(svSimpleMixture, std::vector<double>{3, 1}, 10, kEntry); });
    ExpectInvalidArgStatus([] { SeverityF(svEmp, std::vector<double>{1, 2}, 10, kEntry); });
    ExpectInvalidArgStatus([] { SeverityF(svBI, std::vector<double>{9}, 10, kEntry); });
}

TEST(SeverityMethods, CurveLimitedExpectedValue) {
    // Exponential: E[min(X, x)] = theta (1 - exp(-x/theta)).
    EXPECT_NEAR(CurveLEV(Curve(svMED, {1000, 1}), 700), 1000 * (1 - std::exp(-0.7)), 1e-6);
    // Translated lognormal with T = 300 > 0: E[min(X, x)] = 300 + E[min(Z, x - 300)], and x itself below T.
    const CurveRecord tln = kFile.at(7);
    const double z = MakeSeverityFamily(svTLognormal, std::vector<double>{7, 1})->LayerMoments(1700, 0, 1)[0];
    EXPECT_NEAR(CurveLEV(tln, 2000), 300 + z, 1e-9);
    EXPECT_DOUBLE_EQ(CurveLEV(tln, 250), 250);
    EXPECT_EQ(CurveLEV(tln, -5), 0.0);
    ExpectFailure([] { CurveLEV(kFile.at(9), 10); }, "Invalid sev dist");
    ExpectFailure([] { CurveF(kFile.at(8), 10); }, "Invalid sev dist");
}

}  // namespace
