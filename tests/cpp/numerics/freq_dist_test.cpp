// Frequency families as the factory makes them: parameters, moments, names, codes and the
// simple transform cases that pin down the real positions.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <stdexcept>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_contagion.h"
#include "Corvane/numerics/frequency/freq_factory.h"

namespace {

using namespace corvane;
using freqdist::CreateFreqDist;

struct FactoryCase {
    std::int32_t code;
    std::vector<double> params;
    std::vector<double> stored;
    std::array<double, 3> moments;
};

TEST(FreqFactory, ConvertsParametersAndGivesMoments) {
    const FactoryCase cases[] = {
        {fqOne, {}, {}, {1, 1, 1}},
        {fqOne, {7, 8}, {}, {1, 1, 1}},
        {fqPoisson, {2}, {2}, {2, 6, 22}},
        {fqPoisson, {2, 99}, {2}, {2, 6, 22}},
        {fqNegBinVM, {10, 3}, {5, 1.0 / 3}, {10, 130, 2050}},
        {fqNegBinCt, {10, 0.2}, {5, 1.0 / 3}, {10, 130, 2050}},
        {fqPIGVM, {5, 3}, {5, 2}, {5, 40, 445}},
        {fqPIGCt, {5, 2}, {5, 2}, {5, 40, 445}},
        {fqEmp, {0.2, 0.5, 0.3}, {0.2, 0.5, 0.3}, {1.1, 1.7, 2.9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code);
        const auto f = CreateFreqDist(c.code, c.params);
        const auto stored = f->GetParams();
        ASSERT_EQ(stored.size(), c.stored.size());
        for (std::size_t i = 0; i < stored.size(); ++i) EXPECT_NEAR(stored[i], c.stored[i], 1e-12);
        const auto m = f->Moments();
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(m[j], c.moments[j], 1e-9 * c.moments[j]);
    }
}

TEST(FreqFactory, NamesAndTransformFlag) {
    const struct {
        std::int32_t code;
        std::vector<double> params;
        std::u16string_view name;
        bool needsTransform;
    } cases[] = {
        {fqOne, {}, u"One with certainty", false},
        {fqPoisson, {1}, u"Poisson", true},
        {fqNegBinCt, {1, 1}, u"Negative Binomial (r, p)", true},
        {fqPIGVM, {1, 2}, u"Poisson Inverse-Gaussian (mu, beta)", true},
        {fqEmp, {1}, u"Empirical", true},
    };
    for (const auto& c : cases) {
        const auto f = CreateFreqDist(c.code, c.params);
        EXPECT_EQ(f->Name(), c.name);
        EXPECT_EQ(f->NeedsTransform(), c.needsTransform);
    }
}

TEST(FreqFactory, RejectsUnknownCodes) {
    for (std::int32_t code : {0, 8, -1, 16}) {
        try {
            CreateFreqDist(code, std::vector<double>{1, 2, 3});
            ADD_FAILURE() << "code " << code << " accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Invalid freq dist");
        }
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
        EXPECT_THROW(CreateFreqDist(c.code, c.params), std::invalid_argument) << "code " << c.code;
    }
}

TEST(FreqFactory, OutOfDomainParametersGiveNonFiniteResultsNotFailures) {
    // vm = 1 makes r = mean/0; c = 0 makes beta = 0 and mu/beta infinite.
    const auto negbin = CreateFreqDist(fqNegBinVM, std::vector<double>{10, 1});
    EXPECT_FALSE(std::isfinite(negbin->GetParams()[0]));
    const auto pig = CreateFreqDist(fqPIGCt, std::vector<double>{5, 0});
    std::vector<double> x{1.0, 0.5, 0.25, 0.125};
    pig->ApplyPGF(x.data(), x.size());
    EXPECT_FALSE(std::isfinite(x[2]));
}

TEST(FreqTransform, OneLeavesTransformsUnchanged) {
    const auto f = CreateFreqDist(fqOne, std::vector<double>{3, 4});
    const std::vector<double> in{0.3, -1.5, 2.0, 7.0, -0.25};
    std::vector<double> x = in;
    f->ApplyPGF(x.data(), x.size());
    EXPECT_EQ(x, in);
    const std::vector<std::complex<double>> in2{{0.5, 1}, {2, -3}, {4, 0}, {1, 1}, {0, 2}, {-1, 0}};
    std::vector<std::complex<double>> z = in2;
    f->ApplyPGF2D(z.data(), 2, 4);
    EXPECT_EQ(z, in2);
}

TEST(FreqTransform, ElementZero) {
    for (std::int32_t code : {fqNegBinVM, fqNegBinCt, fqPIGVM, fqPIGCt}) {
        const auto f = CreateFreqDist(code, std::vector<double>{4, 2.5});
        std::vector<double> x{0.7, 0.2, 0.1, -0.3};
        f->ApplyPGF(x.data(), x.size());
        EXPECT_EQ(x[0], 1.0) << "code " << code;
    }
    const double lambda = 1.5;
    const auto poisson = CreateFreqDist(fqPoisson, std::vector<double>{lambda});
    for (double x0 : {1.0, 0.7, -0.2}) {
        std::vector<double> x{x0, 0.2, 0.1, -0.3};
        poisson->ApplyPGF(x.data(), x.size());
        EXPECT_DOUBLE_EQ(x[0], std::exp(lambda * (x0 - 1.0)));
    }
}

TEST(FreqTransform, PoissonWithZeroMeanGivesTheTransformOfNoClaims) {
    const auto f = CreateFreqDist(fqPoisson, std::vector<double>{0});
    for (std::size_t n : {8u, 7u, 2u, 1u}) {
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i) x[i] = std::sin(1.0 + static_cast<double>(i));
        f->ApplyPGF(x.data(), n);
        for (std::size_t k = 0; k < n; ++k) {
            const bool imaginary = k > n / 2;
            EXPECT_EQ(x[k], imaginary ? 0.0 : 1.0) << "n " << n << " k " << k;
        }
    }
    std::vector<std::complex<double>> z(3 * (4 / 2 + 1), {0.3, -0.8});
    f->ApplyPGF2D(z.data(), 3, 4);
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
        EXPECT_THROW(freqdist::VMtoCont(code, 1, 2), std::invalid_argument);
        EXPECT_THROW(freqdist::CtgToVM(code, 1, 2), std::invalid_argument);
    }
    for (std::int32_t code : {0, 8}) {
        try {
            freqdist::VMtoCont(code, 1, 2);
            ADD_FAILURE() << "VMtoCont accepted code " << code;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Invalid freq dist");
        }
        try {
            freqdist::CtgToVM(code, 1, 2);
            ADD_FAILURE() << "CtgToVM accepted code " << code;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Invalid freq dist");
        }
    }
}

TEST(FreqEmp, UsesTheProbabilitiesAsGiven) {
    // Probabilities that do not sum to 1 are not normalised: P(1) = 0.5.
    const std::vector<double> p{0.1, 0.0, 0.4};
    const auto f = CreateFreqDist(fqEmp, p);
    EXPECT_EQ(f->GetParams(), p);
    const auto m = f->Moments();
    EXPECT_DOUBLE_EQ(m[0], 0.8);
    EXPECT_DOUBLE_EQ(m[1], 1.6);
    EXPECT_DOUBLE_EQ(m[2], 3.2);
    std::vector<double> x{1.0, 0.5, 0.0, -2.0};  // n = 4: reals x[0], x[2]; z_1 = 0.5 - 2i
    f->ApplyPGF(x.data(), x.size());
    const std::complex<double> z(0.5, -2.0);
    const std::complex<double> pz = 0.1 + 0.4 * z * z;
    EXPECT_DOUBLE_EQ(x[0], 0.5);
    EXPECT_DOUBLE_EQ(x[2], 0.1);
    EXPECT_DOUBLE_EQ(x[1], pz.real());
    EXPECT_DOUBLE_EQ(x[3], pz.imag());
}

}  // namespace
