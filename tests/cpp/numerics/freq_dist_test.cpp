// Frequency families as the factory makes them: parameter checks, moments, codes, the Poisson
// limits and the simple transform cases that pin down the real positions.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <stdexcept>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_contagion.h"
#include "Corvane/numerics/frequency/freq_factory.h"
#include "Corvane/numerics/frequency/freq_pgf.h"
#include "expect_failure.h"

namespace {

using namespace corvane;
using freqdist::CreateFreqDist;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(FreqFactory, ConvertsParametersAndGivesMoments) {
    const struct {
        std::int32_t code;
        std::vector<double> params;
        std::array<double, 3> moments;
    } cases[] = {
        {fqOne, {}, {1, 1, 1}},
        {fqOne, {7, 8}, {1, 1, 1}},
        {fqPoisson, {2}, {2, 6, 22}},
        {fqPoisson, {2, 99}, {2, 6, 22}},
        {fqNegBinVM, {10, 3}, {10, 130, 2050}},
        {fqNegBinCt, {10, 0.2}, {10, 130, 2050}},
        {fqPIGVM, {5, 3}, {5, 40, 445}},
        {fqPIGCt, {5, 2}, {5, 40, 445}},
        {fqEmp, {0.2, 0.5, 0.3}, {1.1, 1.7, 2.9}},
        // The Poisson limits: variance/mean 1, contagion 0.
        {fqNegBinVM, {2, 1}, {2, 6, 22}},
        {fqNegBinCt, {2, 0}, {2, 6, 22}},
        {fqPIGVM, {2, 1}, {2, 6, 22}},
        {fqPIGCt, {2, 0}, {2, 6, 22}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " params " << testing::PrintToString(c.params));
        const auto m = CreateFreqDist(c.code, c.params)->Moments();
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(m[j], c.moments[j], 1e-9 * c.moments[j]);
    }
}

TEST(FreqFactory, OnlyOneClaimNeedsNoTransform) {
    EXPECT_FALSE(CreateFreqDist(fqOne, {})->NeedsTransform());
    for (std::int32_t code : {fqPoisson, fqNegBinCt, fqPIGVM, fqEmp})
        EXPECT_TRUE(CreateFreqDist(code, std::vector<double>{1, 1})->NeedsTransform()) << code;
}

TEST(FreqFactory, RejectsUnknownCodes) {
    for (std::int32_t code : {0, 8, -1, 16}) {
        ExpectFailure([&] { CreateFreqDist(code, std::vector<double>{1, 2, 3}); }, "Invalid freq dist");
    }
}

TEST(FreqFactory, RejectsParameterArraysShorterThanTheFamilyReads) {
    const struct {
        std::int32_t code;
        std::vector<double> params;
    } cases[] = {
        {fqPoisson, {}}, {fqNegBinVM, {10}}, {fqNegBinCt, {10}}, {fqPIGVM, {5}}, {fqPIGCt, {}}, {fqEmp, {}},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(CreateFreqDist(c.code, c.params), InvalidArgument) << "code " << c.code;
    }
}

TEST(FreqFactory, RejectsParametersOutsideTheirRangesNamingThem) {
    const struct {
        std::int32_t code;
        std::vector<double> params;
        const char* message;
    } cases[] = {
        {fqPoisson, {-3}, "Poisson mean must be >= 0, got -3"},
        {fqPoisson, {kNaN}, "Poisson mean must be >= 0, got nan"},
        {fqPoisson, {kInf}, "Poisson mean must be finite, got inf"},
        {fqNegBinVM, {-1, 2}, "Negative binomial mean must be >= 0, got -1"},
        {fqNegBinVM, {10, 0.5}, "Negative binomial variance/mean must be >= 1, got 0.5"},
        {fqNegBinVM, {10, kNaN}, "Negative binomial variance/mean must be >= 1, got nan"},
        {fqNegBinCt, {10, -0.1}, "Negative binomial contagion must be >= 0, got -0.1"},
        {fqPIGVM, {5, 0.99}, "Poisson inverse-Gaussian variance/mean must be >= 1, got 0.99"},
        {fqPIGCt, {5, -2}, "Poisson inverse-Gaussian beta must be >= 0, got -2"},
        {fqPIGCt, {-5, 2}, "Poisson inverse-Gaussian mean must be >= 0, got -5"},
        {fqEmp, {0.5, -0.1, 0.6}, "Empirical claim count probability at index 1 must be >= 0, got -0.1"},
        {fqEmp, {0.5, kNaN}, "Empirical claim count probability at index 1 must be >= 0, got nan"},
        {fqEmp, {0, 0}, "Empirical claim count probability total must be > 0, got 0"},
    };
    for (const auto& c : cases) ExpectInvalidArgument([&] { CreateFreqDist(c.code, c.params); }, c.message);
}

TEST(FreqFactory, ParametersAtTheEdgesOfTheirRangesCompute) {
    const struct {
        std::int32_t code;
        std::vector<double> params;
    } cases[] = {
        {fqPoisson, {0}}, {fqNegBinVM, {0, 3}}, {fqNegBinVM, {5, 1 + 1e-12}}, {fqNegBinCt, {0, 0}},
        {fqPIGVM, {0, 2}}, {fqPIGCt, {5, 1e-12}}, {fqEmp, {0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " params " << testing::PrintToString(c.params));
        const auto f = CreateFreqDist(c.code, c.params);
        for (double m : f->Moments()) EXPECT_TRUE(std::isfinite(m));
        std::vector<double> x{1.0, 0.5, 0.25, -0.5};
        freqdist::ApplyPGF(*f, x);
        for (double v : x) EXPECT_TRUE(std::isfinite(v));
    }
}

TEST(FreqTransform, OneLeavesTransformsUnchanged) {
    const auto f = CreateFreqDist(fqOne, std::vector<double>{3, 4});
    const std::vector<double> in{0.3, -1.5, 2.0, 7.0, -0.25};
    std::vector<double> x = in;
    freqdist::ApplyPGF(*f, x);
    EXPECT_EQ(x, in);
    const std::vector<std::complex<double>> in2{{0.5, 1}, {2, -3}, {4, 0}, {1, 1}, {0, 2}, {-1, 0}};
    std::vector<std::complex<double>> z = in2;
    freqdist::ApplyPGF2D(*f, z.data(), 2, 4, 0.125);
    EXPECT_EQ(z, in2);
}

// Element 0 holds the severity's total mass; every family gives P of it, which is 1 only when the
// mass is 1.
TEST(FreqTransform, ElementZeroIsThePgfOfTheSeverityMass) {
    const double lambda = 1.5;
    const auto poisson = CreateFreqDist(fqPoisson, std::vector<double>{lambda});
    const auto negbin = CreateFreqDist(fqNegBinVM, std::vector<double>{4, 2.5});  // p = 0.4, r = 8/3
    const auto pig = CreateFreqDist(fqPIGCt, std::vector<double>{4, 2.5});
    for (double x0 : {1.0, 0.7, -0.2}) {
        const double expected[] = {
            std::exp(lambda * (x0 - 1.0)),
            std::pow(0.4 / (1.0 - 0.6 * x0), 8.0 / 3),
            std::exp(-(4 / 2.5) * (std::sqrt(1.0 + 5.0 * (1.0 - x0)) - 1.0)),
        };
        const freqdist::CAbstractFreq* families[] = {poisson.get(), negbin.get(), pig.get()};
        for (int i = 0; i < 3; ++i) {
            std::vector<double> x{x0, 0.2, 0.1, -0.3};
            freqdist::ApplyPGF(*families[i], x);
            EXPECT_NEAR(x[0], expected[i], 1e-15) << "family " << i << " x0 " << x0;
        }
    }
}

TEST(FreqTransform, PoissonWithZeroMeanGivesTheTransformOfNoClaims) {
    const auto f = CreateFreqDist(fqPoisson, std::vector<double>{0});
    for (std::size_t n : {8u, 7u, 2u, 1u}) {
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i) x[i] = std::sin(1.0 + static_cast<double>(i));
        freqdist::ApplyPGF(*f, x);
        for (std::size_t k = 0; k < n; ++k) {
            const bool imaginary = k > n / 2;
            EXPECT_EQ(x[k], imaginary ? 0.0 : 1.0) << "n " << n << " k " << k;
        }
    }
    std::vector<std::complex<double>> z(3 * (4 / 2 + 1), {0.3, -0.8});
    freqdist::ApplyPGF2D(*f, z.data(), 3, 4, 1.0 / 12);
    for (const auto& w : z) EXPECT_EQ(w, std::complex<double>(1.0 / 12, 0.0));
}

TEST(FreqContagion, ConvertsBetweenVarianceMultiplierAndContagion) {
    const struct {
        std::int32_t code;
        double mean, vm, c;
    } cases[] = {
        {fqNegBinVM, 10, 3, 0.2}, {fqNegBinCt, 10, 3, 0.2}, {fqPIGVM, 5, 3, 2}, {fqPIGCt, 5, 3, 2},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(freqdist::VMtoCont(c.code, c.mean, c.vm), c.c) << "code " << c.code;
        EXPECT_DOUBLE_EQ(freqdist::CtgToVM(c.code, c.mean, c.c), c.vm) << "code " << c.code;
    }
    EXPECT_EQ(freqdist::VMtoCont(fqPoisson, 4, 3), 0.0);
    EXPECT_EQ(freqdist::CtgToVM(fqPoisson, 4, 0.5), 1.0);
    // The factory's conversion agrees: fqNegBinCt with the converted contagion is fqNegBinVM.
    const double c = freqdist::VMtoCont(fqNegBinVM, 7, 2.5);
    EXPECT_DOUBLE_EQ(CreateFreqDist(fqNegBinCt, std::vector<double>{7, c})->Moments()[2],
                     CreateFreqDist(fqNegBinVM, std::vector<double>{7, 2.5})->Moments()[2]);
}

TEST(FreqContagion, RejectsFamiliesWithoutContagionAndUnknownCodes) {
    for (std::int32_t code : {fqOne, fqEmp}) {
        EXPECT_THROW(freqdist::VMtoCont(code, 1, 2), InvalidArgument);
        EXPECT_THROW(freqdist::CtgToVM(code, 1, 2), InvalidArgument);
    }
    for (std::int32_t code : {0, 8}) {
        ExpectFailure([&] { freqdist::VMtoCont(code, 1, 2); }, "Invalid freq dist");
        ExpectFailure([&] { freqdist::CtgToVM(code, 1, 2); }, "Invalid freq dist");
    }
}

TEST(FreqEmp, UsesTheProbabilitiesAsGiven) {
    // Probabilities that do not sum to 1 are not normalised: P(1) = 0.5.
    const std::vector<double> p{0.1, 0.0, 0.4};
    const auto f = CreateFreqDist(fqEmp, p);
    const auto m = f->Moments();
    EXPECT_DOUBLE_EQ(m[0], 0.8);
    EXPECT_DOUBLE_EQ(m[1], 1.6);
    EXPECT_DOUBLE_EQ(m[2], 3.2);
    std::vector<double> x{1.0, 0.5, 0.0, -2.0};  // n = 4: reals x[0], x[2]; z_1 = 0.5 - 2i
    freqdist::ApplyPGF(*f, x);
    const std::complex<double> z(0.5, -2.0);
    const std::complex<double> pz = 0.1 + 0.4 * z * z;
    EXPECT_DOUBLE_EQ(x[0], 0.5);
    EXPECT_DOUBLE_EQ(x[2], 0.1);
    EXPECT_DOUBLE_EQ(x[1], pz.real());
    EXPECT_DOUBLE_EQ(x[3], pz.imag());
}

}  // namespace
