// Claim-size families: distribution functions, parameter checks and layer moments, the latter
// checked against numerical integration of each family's own distribution function.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/severity/sev_family.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

// Composite 8-point Gauss-Legendre quadrature on `panels` equal panels between each pair of
// consecutive breakpoints.
double Integrate(const std::function<double(double)>& f, const std::vector<double>& breaks, int panels = 400) {
    static const double x[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267, 0.9602898564975363};
    static const double w[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745, 0.1012285362903763};
    double sum = 0;
    for (std::size_t b = 0; b + 1 < breaks.size(); ++b) {
        const double h = (breaks[b + 1] - breaks[b]) / panels;
        for (int p = 0; p < panels; ++p) {
            const double mid = breaks[b] + (p + 0.5) * h;
            for (int i = 0; i < 4; ++i)
                sum += w[i] * (f(mid - 0.5 * h * x[i]) + f(mid + 0.5 * h * x[i])) * 0.5 * h;
        }
    }
    return sum;
}

// m_k = (k / S(A)) * integral over 0..L of y^(k-1) S(A + y), S = 1 - F from the family's CDF.
MomentTriple IntegratedLayerMoments(const SeverityFamily& f, double L, double A, std::vector<double> kinks) {
    std::vector<double> breaks{0.0};
    for (double k : kinks)
        if (k > 0 && k < L) breaks.push_back(k);
    breaks.push_back(L);
    const double SA = 1 - f->CDF(A);
    MomentTriple m{};
    for (int k = 1; k <= 3; ++k)
        m[k - 1] = k / SA * Integrate([&](double y) { return std::pow(y, k - 1) * (1 - f->CDF(A + y)); }, breaks);
    return m;
}

struct LayerCase {
    std::string name;
    std::int32_t code;
    std::vector<double> params;
    double layer;
    double attach;
    std::vector<double> kinks;  // points inside the layer where S(A + y) is not smooth
    double tol = 1e-6;          // relative; the special functions are good to about 1e-7
};

TEST(SeverityLayerMoments, MatchNumericalIntegrationOfTheDistributionFunction) {
    const LayerCase cases[] = {
        {"one exponential", svMED, {1000, 1}, 1000, 0, {}},
        {"three exponentials above an attachment", svMED, {100, 0.5, 1000, 0.3, 10000, 0.2}, 5000, 500, {}},
        {"three exponentials, long layer", svMED, {100, 0.5, 1000, 0.3, 10000, 0.2}, 100000, 0, {}},
        {"weights not summing to one", svMED, {200, 0.4, 3000, 0.4}, 4000, 100, {}},
        {"lognormal ground up", svTLognormal, {7, 1}, 5000, 0, {}},
        {"lognormal shifted down, attachment above T", svTLognormal, {7, 1, -200}, 3000, 1000, {}},
        // The binomial expansion cancels about a digit here and amplifies the normal approximation's error.
        {"lognormal far tail", svTLognormal, {6, 0.5}, 10000, 2000, {}, 1e-5},
        {"lognormal, T inside the layer", svTLognormal, {7, 1, 300}, 2000, 100, {200}},
        {"lognormal, layer below T", svTLognormal, {7, 1, 300}, 150, 100, {}},
        {"pareto", svPareto, {2.5, 1000}, 2000, 500, {}},
        {"pareto alpha 1", svPareto, {1, 1000}, 5000, 200, {}},
        {"pareto alpha 2", svPareto, {2, 1000}, 5000, 200, {}},
        {"pareto alpha 3", svPareto, {3, 1000}, 5000, 200, {}},
        {"pareto alpha near 2", svPareto, {2 + 1e-9, 1000}, 5000, 200, {}},
        {"pareto alpha below 1", svPareto, {0.7, 1000}, 1000, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SeverityFamily f = MakeSeverityFamily(c.code, c.params);
        const MomentTriple got = f->LayerMoments(c.layer, c.attach, 1.0);
        const MomentTriple want = IntegratedLayerMoments(f, c.layer, c.attach, c.kinks);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], c.tol * want[k]) << "k = " << k + 1;
    }
}

TEST(SeverityLayerMoments, ClosedFormExamples) {
    const double e1 = std::exp(-1.0);
    const MomentTriple exponential{1000 * (1 - e1), 2e6 * (1 - 2 * e1), 6e9 * (1 - 2.5 * e1)};
    const SeverityFamily med = MakeSeverityFamily(svMED, std::vector<double>{1000, 1});
    for (double attach : {0.0, 500.0}) {  // memoryless: the attachment does not matter
        const MomentTriple m = med->LayerMoments(1000, attach, 1.0);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(m[k], exponential[k], 1e-6 * exponential[k]);
    }

    const MomentTriple pareto =
        MakeSeverityFamily(svPareto, std::vector<double>{2.5, 1000})->LayerMoments(2000, 500, 1.0);
    EXPECT_NEAR(pareto[0], 719, 0.5);
    EXPECT_NEAR(pareto[1], 9.50e5, 0.005e5);
    EXPECT_NEAR(pareto[2], 1.55e9, 0.005e9);

    // An unlimited layer gives the moments of the excess over A: 1000, 2e6, 6e9 for the exponential.
    const double inf = std::numeric_limits<double>::infinity();
    const MomentTriple full = med->LayerMoments(inf, 300, 1.0);
    EXPECT_NEAR(full[0], 1000, 1e-3);
    EXPECT_NEAR(full[1], 2e6, 1);
    EXPECT_NEAR(full[2], 6e9, 1e4);
}

TEST(SeverityLayerMoments, TranslatedLognormalBelowAndAcrossT) {
    const SeverityFamily f = MakeSeverityFamily(svTLognormal, std::vector<double>{7, 1, 300});
    // The whole layer lies below T: every claim exhausts it.
    const MomentTriple below = f->LayerMoments(150, 100, 1.0);
    EXPECT_DOUBLE_EQ(below[0], 150);
    EXPECT_DOUBLE_EQ(below[1], 150.0 * 150);
    EXPECT_DOUBLE_EQ(below[2], 150.0 * 150 * 150);
    // Across T every claim carries T - A = 200 before Z: the mean is 200 + E[min(Z, A + L - T)].
    const MomentTriple across = f->LayerMoments(2000, 100, 1.0);
    const MomentTriple z = MakeSeverityFamily(svTLognormal, std::vector<double>{7, 1})->LayerMoments(1800, 0, 1.0);
    EXPECT_NEAR(across[0], 200 + z[0], 1e-9 * across[0]);
}

TEST(SeverityLayerMoments, ShareDoesNotEnter) {
    const std::vector<std::pair<std::int32_t, std::vector<double>>> families{
        {svMED, {1000, 0.6, 5000, 0.4}}, {svTLognormal, {7, 1, 10}}, {svPareto, {2.5, 1000}}};
    for (const auto& [code, params] : families) {
        const SeverityFamily f = MakeSeverityFamily(code, params);
        EXPECT_EQ(f->LayerMoments(3000, 200, 0.5), f->LayerMoments(3000, 200, 1.0)) << "code " << code;
    }
}

TEST(SeverityFamilies, DistributionFunctions) {
    const SeverityFamily med = MakeSeverityFamily(svMED, std::vector<double>{10, 0.25, 100, 0.75, 5});
    EXPECT_DOUBLE_EQ(med->CDF(50), 1 - 0.25 * std::exp(-5.0) - 0.75 * std::exp(-0.5));
    EXPECT_DOUBLE_EQ(med->CDF(-10), 1 - 0.25 * std::exp(1.0) - 0.75 * std::exp(0.1));  // not clamped

    const SeverityFamily tln = MakeSeverityFamily(svTLognormal, std::vector<double>{1, 0.5, 100});
    EXPECT_EQ(tln->CDF(50), 0.0);
    EXPECT_EQ(tln->CDF(100), 0.0);
    EXPECT_NEAR(tln->CDF(100 + std::exp(1.0)), 0.5, 1e-7);

    // Four values: T is not the third value but 0.
    const SeverityFamily four = MakeSeverityFamily(svTLognormal, std::vector<double>{1, 0.5, 100, 7});
    EXPECT_NEAR(four->CDF(std::exp(1.0)), 0.5, 1e-7);

    const SeverityFamily pareto = MakeSeverityFamily(svPareto, std::vector<double>{2, 1000});
    EXPECT_DOUBLE_EQ(pareto->CDF(1000), 0.75);
}

TEST(SeverityFamilies, ParameterCountsAndCodes) {
    const struct {
        std::int32_t code;
        std::vector<double> params;
    } insufficient[] = {{svTLognormal, {}}, {svTLognormal, {7}}, {svPareto, {2}}, {svPareto, {2, 1000, 3}}};
    for (const auto& c : insufficient) {
        try {
            MakeSeverityFamily(c.code, c.params);
            ADD_FAILURE() << "code " << c.code << " with " << c.params.size() << " values";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Insufficient Parameters");
        }
    }
    const std::vector<std::int32_t> withoutFamily{0, svEmp, svOne, svEDCo, svBI, svFPP, svAIR, svRMS, svSimpleMixture};
    for (std::int32_t code : withoutFamily) {
        try {
            MakeSeverityFamily(code, std::vector<double>{1, 1});
            ADD_FAILURE() << "code " << code;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Invalid sev dist");
        }
    }
}

TEST(SeverityFamilies, RejectParametersOutsideTheirRangesNamingThem) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const struct {
        std::int32_t code;
        std::vector<double> params;
        const char* message;
    } cases[] = {
        {svMED, {-1000, 1}, "Mixed exponential mean 1 must be > 0, got -1000"},
        {svMED, {1000, 0.5, 0, 0.5}, "Mixed exponential mean 2 must be > 0, got 0"},
        {svMED, {1000, -0.5}, "Mixed exponential weight 1 must be >= 0, got -0.5"},
        {svMED, {1000, nan}, "Mixed exponential weight 1 must be >= 0, got nan"},
        {svMED, {inf, 1}, "Mixed exponential mean 1 must be finite, got inf"},
        {svMED, {1000, 0}, "Mixed exponential weights must have a positive total, got 0"},
        {svMED, {}, "Mixed exponential needs at least one (mean, weight) pair, got 0 value(s)"},
        {svTLognormal, {7, 0}, "Translated lognormal sigma must be > 0, got 0"},
        {svTLognormal, {7, -1}, "Translated lognormal sigma must be > 0, got -1"},
        {svTLognormal, {nan, 1}, "Translated lognormal mu must be finite, got nan"},
        {svTLognormal, {7, 1, -inf}, "Translated lognormal T must be finite, got -inf"},
        {svPareto, {-2.5, 1000}, "Pareto alpha must be > 0, got -2.5"},
        {svPareto, {0, 1000}, "Pareto alpha must be > 0, got 0"},
        {svPareto, {2, -1000}, "Pareto theta must be > 0, got -1000"},
        {svPareto, {2, nan}, "Pareto theta must be > 0, got nan"},
    };
    for (const auto& c : cases) ExpectInvalidArgument([&] { MakeSeverityFamily(c.code, c.params); }, c.message);
    ExpectFailure([] { MakeSeverityFamily(svPareto, std::vector<double>{2, 1, 3}); }, "Insufficient Parameters");
    ExpectFailure([] { MakeSeverityFamily(svTLognormal, std::vector<double>{2}); }, "Insufficient Parameters");
}

TEST(SeverityFamilies, ParametersAtTheEdgesOfTheirRangesCompute) {
    const struct {
        std::int32_t code;
        std::vector<double> params;
    } cases[] = {
        {svMED, {1e-300, 1}}, {svMED, {1000, 0, 50, 1}}, {svMED, {1000, 1, 7}}, {svTLognormal, {-50, 1e-3}},
        {svTLognormal, {7, 5, -1000}}, {svPareto, {1e-3, 1000}}, {svPareto, {1, 1e-6}}, {svPareto, {3, 1000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " " << testing::PrintToString(c.params));
        const SeverityFamily f = MakeSeverityFamily(c.code, c.params);
        EXPECT_TRUE(std::isfinite(f->CDF(500)));
        for (double m : f->LayerMoments(1000, 0, 1)) EXPECT_TRUE(std::isfinite(m));
    }
}

}  // namespace
