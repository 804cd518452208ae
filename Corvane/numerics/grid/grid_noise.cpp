#include "Corvane/numerics/grid/grid_noise.h"

#include <stdexcept>
#include <string>

#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/grid/grid_checks.h"
#include "Corvane/numerics/require.h"
#include "Corvane/numerics/special/specialfunctions.h"

namespace corvane {

namespace {

// g_k = phi(k s) with s = unit/sdNoise, symmetric around bucket 0 and wrapped around the grid
// (g_{n-k} = g_k), built from bucket n/2 down, and divided by its sum
// g_0 + g_{n/2} + 2 sum_{k=1}^{n/2-1} g_k.
std::vector<double> NormalKernel(std::size_t n, double s) {
    std::vector<double> g(n);
    const std::size_t half = n / 2;
    g[0] = NormalPDF(0.0);
    double x = static_cast<double>(n) / 2.0 * s;
    g[half] = NormalPDF(x);
    double sum = 0.0;
    for (std::size_t k = half - 1; k >= 1; --k) {
        x -= s;
        g[k] = g[n - k] = NormalPDF(x);
        sum += g[k];
    }
    sum = g[0] + g[half] + 2.0 * sum;
    for (double& v : g) v /= sum;
    return g;
}

}  // namespace

std::vector<double> AddNoise(std::span<const double> p, double unit, double sdNoise) {
    if (sdNoise == 0.0) RejectWithoutText();
    const std::size_t n = p.size();
    if (n == 0 || n % 2 != 0) throw InvalidArgument("noise needs an even length, not " + std::to_string(n));
    RequireBucketWidth(unit);
    CEmpDist P = CEmpDist(std::vector<double>(p.begin(), p.end()), unit).ForwardFFT();
    P.MultiplyTransform(CEmpDist(NormalKernel(n, unit / sdNoise), unit).ForwardFFT());
    return P.InverseFFT().ReleaseValues();
}

}  // namespace corvane
