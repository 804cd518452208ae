#include "Corvane/numerics/correlation/scores.h"

#include <cmath>
#include <string>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/correlation/shared_generator.h"
#include "Corvane/numerics/require.h"

namespace corvane {

void CheckScoreType(std::int32_t st, double param1, double param2) {
    switch (st) {
        case scNormal: case scUniform: case scExponential: return;
        case scGamma: RequirePositive(param1, "Gamma score mean param1"); return;
        case scBeta:
            RequirePositive(param1, "Beta score param1");
            RequirePositive(param2, "Beta score param2");
            return;
        default: Require(false, "Unknown score type " + std::to_string(st));
    }
}

namespace {

double Rounded(double x, bool single) { return single ? static_cast<float>(x) : x; }

template <class Draw>
void Fill(std::span<double> out, bool single, Draw draw) {
    for (double& x : out) x = Rounded(draw(), single);
}

}  // namespace

void DrawScores(std::mt19937& g, std::int32_t st, double param1, double param2, bool single, std::span<double> out) {
    switch (st) {
        case scNormal: {
            std::normal_distribution<double> normal;
            Fill(out, true, [&] { return normal(g); });
            return;
        }
        case scUniform: Fill(out, true, [&] { return UniformScore(g); }); return;
        case scExponential:
            Fill(out, true, [&] {
                std::uint32_t k;
                while ((k = g()) == 0) {}
                return -std::log(static_cast<double>(k) * 2.3283064365386963e-10);
            });
            return;
        case scGamma: {
            std::gamma_distribution<double> gamma(param1, 1.0);
            Fill(out, single, [&] { return gamma(g); });
            return;
        }
        case scBeta: {
            std::gamma_distribution<double> x(param1, 1.0), y(param2, 1.0);
            Fill(out, single, [&] {
                for (;;) {
                    const double a = x(g), b = y(g);
                    if (a + b > 0.0) return a / (a + b);
                }
            });
            return;
        }
        default: Require(false, "Unknown score type " + std::to_string(st));
    }
}

}  // namespace corvane
