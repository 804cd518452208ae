#include "Corvane/numerics/special/specialfunctions.h"

#include <cmath>
#include <stdexcept>

namespace corvane {

namespace {

constexpr int ITMAX = 100;
constexpr double EPS = 3.0e-7;
constexpr double FPMIN = 1.0e-30;

// erfc(z) for z >= 0:
//   t = 1 / (1 + z/2),  E(z) = t exp(-z^2 - 1.26551223 + t (1.00002368 + t (0.37409196 + ...))).
double ErfcFit(double z) {
    const double t = 1.0 / (1.0 + 0.5 * z);
    return t * std::exp(-z * z - 1.26551223 +
                        t * (1.00002368 +
                             t * (0.37409196 +
                                  t * (0.09678418 +
                                       t * (-0.18628806 +
                                            t * (0.27886807 +
                                                 t * (-1.13520398 +
                                                      t * (1.48851587 + t * (-0.82215223 + t * 0.17087277)))))))));
}

}  // namespace

double gammp(double a, double x) {
    if (x < 0.0 || a <= 0.0) throw std::runtime_error("Invalid arguments in routine gammp");
    if (x < a + 1.0) return gser(a, x);
    return 1.0 - gcf(a, x);
}

double gser(double a, double x) {
    const double g = LogGamma(a);
    if (x <= 0.0) {
        if (x < 0.0) throw std::runtime_error("x less than 0 in routine gser");
        return 0.0;
    }
    double ap = a;
    double del = 1.0 / a;
    double sum = del;
    for (int n = 1; n <= ITMAX; ++n) {
        ap += 1.0;
        del *= x / ap;
        sum += del;
        if (std::fabs(del) < std::fabs(sum) * EPS) return sum * std::exp(-x + a * std::log(x) - g);
    }
    throw std::runtime_error("a too large, ITMAX too small in routine gser");
}

double gcf(double a, double x) {
    const double g = LogGamma(a);
    double b = x + 1.0 - a;
    double c = 1.0 / FPMIN;
    double d = 1.0 / b;
    double h = d;
    int i = 1;
    for (; i <= ITMAX; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < FPMIN) d = FPMIN;
        c = b + an / c;
        if (std::fabs(c) < FPMIN) c = FPMIN;
        d = 1.0 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1.0) < EPS) break;
    }
    if (i > ITMAX) throw std::runtime_error("a too large, ITMAX too small in gcf");
    return std::exp(-x + a * std::log(x) - g) * h;
}

double LogGamma(double x) {
    static constexpr double cof[6] = {76.18009172947146,     -86.50532032941678,    24.01409824083091,
                                      -1.231739572450155,    0.001208650973866179, -5.395239384953e-06};
    double tmp = x + 5.5;
    tmp -= (x + 0.5) * std::log(tmp);
    double ser = 1.000000000190015;
    double y = x;
    for (const double c : cof) ser += c / ++y;
    return -tmp + std::log(2.5066282746310007 * ser / x);
}

double NormalCDF(double x) {
    const double z = std::fabs(x / 1.4142135623730951);
    const double e = ErfcFit(z);
    return x < 0.0 ? 0.5 * e : 0.5 * (2.0 - e);
}

double Erf(double x) {
    const double e = ErfcFit(std::fabs(x));
    return x < 0.0 ? e - 1.0 : 1.0 - e;
}

double NormalPDF(double x) { return 0.398942280401433 * std::exp(-0.5 * x * x); }

}  // namespace corvane
