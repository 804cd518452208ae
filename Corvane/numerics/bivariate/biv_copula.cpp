#include "Corvane/numerics/bivariate/biv_copula.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

constexpr double kFrankThetaBound = 700.0;

// F(k) = p_0 + ... + p_k, kept within [0, 1] so that rounding never leaves the copula's domain.
std::vector<double> Cumulative(std::span<const double> p) {
    std::vector<double> F(p.size());
    double s = 0.0;
    for (std::size_t k = 0; k < p.size(); ++k) {
        s += p[k];
        F[k] = std::clamp(s, 0.0, 1.0);
    }
    return F;
}

// Rows x0 .. x1 - 1 of the rectangle probabilities p(x, y) = C(x, y) - C(x-1, y) - C(x, y-1) +
// C(x-1, y-1), with C = 0 at index -1, from the copula written as C(a_x, b_y) = combine(a_x, b_y).
// One row of C is kept at a time: D(y) = C(x, y) - C(x-1, y) and p(x, y) = D(y) - D(y-1).
template <class Combine>
void RectangleRows(const std::vector<double>& a, const std::vector<double>& b, std::span<double> p,
                   Combine combine, std::size_t x0, std::size_t x1) {
    const std::size_t ny = b.size();
    std::vector<double> previous(ny, 0.0), current(ny), D(ny);
    if (x0 > 0)
        for (std::size_t y = 0; y < ny; ++y) previous[y] = combine(a[x0 - 1], b[y]);
    for (std::size_t x = x0; x < x1; ++x) {
        for (std::size_t y = 0; y < ny; ++y) current[y] = combine(a[x], b[y]);
        for (std::size_t y = 0; y < ny; ++y) D[y] = current[y] - previous[y];
        double* row = p.data() + x * ny;
        row[0] = D[0];
        for (std::size_t y = 1; y < ny; ++y) row[y] = D[y] - D[y - 1];
        previous.swap(current);
    }
}

// The rectangle probabilities on per-axis values a_x = phi(F_X(x)) and b_y = phi(F_Y(y)). Each
// cell costs a copula evaluation, so a large grid shares its rows with a second thread.
template <class Phi, class Combine>
void Rectangles(std::span<const double> pX, std::span<const double> pY, std::span<double> p, Phi phi,
                Combine combine) {
    const std::size_t nx = pX.size(), ny = pY.size();
    std::vector<double> a = Cumulative(pX), b = Cumulative(pY);
    for (double& t : a) t = phi(t);
    for (double& t : b) t = phi(t);
    if (nx * ny < (std::size_t{1} << 16) || nx < 2 || std::thread::hardware_concurrency() < 2) {
        RectangleRows(a, b, p, combine, 0, nx);
        return;
    }
    std::thread worker([&] { RectangleRows(a, b, p, combine, 0, nx / 2); });
    RectangleRows(a, b, p, combine, nx / 2, nx);
    worker.join();
}

// Frank's copula evaluated where it keeps its precision, theta > 0; a negative theta is the same
// copula turned over in v, C_theta(u, v) = u - C_-theta(u, 1 - v), so its rectangles are those of
// -theta on the Y marginal reversed, each row reversed back.
void Frank(double theta, std::span<const double> pX, std::span<const double> pY, std::span<double> p) {
    if (theta < 0) {
        const std::vector<double> reversed(pY.rbegin(), pY.rend());
        Frank(-theta, pX, reversed, p);
        for (std::size_t x = 0; x < pX.size(); ++x) std::reverse(p.begin() + x * pY.size(), p.begin() + (x + 1) * pY.size());
        return;
    }
    const double scale = 1.0 / std::expm1(theta);
    Rectangles(pX, pY, p, [theta](double t) { return std::expm1(theta * t); },
               [theta, scale](double a, double b) { return std::log1p(a * (b * scale)) / theta; });
}

void Independent(std::span<const double> pX, std::span<const double> pY, std::span<double> p) {
    const std::size_t ny = pY.size();
    for (std::size_t x = 0; x < pX.size(); ++x) {
        double* row = p.data() + x * ny;
        const double px = pX[x];
        for (std::size_t y = 0; y < ny; ++y) row[y] = px * pY[y];
    }
}

// Each family's parameter range, so that C is a copula: a joint distribution whose rectangles all
// have probability >= 0 and whose grid sums to 1. Frank's theta is bounded where 1 + (e^(theta u) - 1)
// (e^(theta v) - 1)/(e^theta - 1) stays distinct from 0 in doubles (|theta| <= 35, Kendall's tau
// about 0.89 in size).
void RequireCopulaParameter(std::int32_t dep, double tau) {
    switch (dep) {
        case bvClayton: RequireWithin(tau, 0.0, 1.0, true, "Clayton tau"); break;
        case bvCook: RequireWithin(tau, 0.0, 1.0, true, "Cook tau"); break;
        case bvGumbel: RequireWithin(tau, 0.0, 1.0, true, "Gumbel tau"); break;
        case bvFrank: RequireWithin(tau, -kFrankThetaBound, kFrankThetaBound, false, "Frank theta"); break;
        case bvFGM:
            RequireFinite(tau, "FGM tau");
            Require(std::fabs(4.5 * tau) <= 1.0, "FGM tau must be in [-2/9, 2/9] (theta = 9 tau/2 in [-1, 1]), got " +
                                                     FormatValue(tau));
            break;
        default: break;  // bvIndep, bvMin, bvMax do not read tau
    }
}

}  // namespace

void CopulaDensity(std::int32_t dep, double tau, std::span<const double> pX, std::span<const double> pY,
                   std::span<double> p) {
    if (dep < bvIndep || dep > bvCook) throw InvalidArgument("no copula for dependency code " + std::to_string(dep));
    if (p.size() != pX.size() * pY.size())
        throw InvalidArgument("copula density of " + std::to_string(p.size()) + " values for marginals of " +
                                    std::to_string(pX.size()) + " and " + std::to_string(pY.size()));
    RequireCopulaParameter(dep, tau);
    if (dep == bvIndep || (tau == 0.0 && dep != bvMin && dep != bvMax)) {
        Independent(pX, pY, p);
        return;
    }
    const auto identity = [](double t) { return t; };
    switch (dep) {
        case bvMin:
            Rectangles(pX, pY, p, identity, [](double u, double v) { return std::max(u + v - 1.0, 0.0); });
            break;
        case bvMax:
            Rectangles(pX, pY, p, identity, [](double u, double v) { return std::min(u, v); });
            break;
        case bvClayton: {
            const double theta = 2.0 * tau / (1.0 - tau);
            Rectangles(pX, pY, p, [theta](double t) { return std::pow(t, -theta); },
                       [theta](double a, double b) { return std::pow(a + b - 1.0, -1.0 / theta); });
            break;
        }
        case bvFrank:
            Frank(tau, pX, pY, p);
            break;
        case bvFGM: {
            const double theta = 4.5 * tau;
            Rectangles(pX, pY, p, identity,
                       [theta](double u, double v) { return u * v * (1.0 + theta * (1.0 - u) * (1.0 - v)); });
            break;
        }
        case bvGumbel: {
            const double theta = 1.0 / (1.0 - tau);
            Rectangles(pX, pY, p, [theta](double t) { return std::pow(-std::log(t), theta); },
                       [theta](double a, double b) { return std::exp(-std::pow(a + b, 1.0 / theta)); });
            break;
        }
        case bvCook: {
            const double thetaP = (1.0 / tau - 1.0) / 2.0;
            Rectangles(pX, pY, p, [thetaP](double t) { return std::pow(t, -1.0 / thetaP); },
                       [thetaP](double a, double b) { return std::pow(a + b - 1.0, -thetaP); });
            break;
        }
    }
}

}  // namespace corvane
