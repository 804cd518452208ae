#include "Corvane/numerics/grid/grid_transforms.h"

#include <complex>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/grid/grid_array.h"
#include "Corvane/numerics/grid/real_fft.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

void RequireValues(std::span<const double> v) {
    if (v.empty()) throw InvalidArgument("a transform needs at least one value");
}

void RequireTransformProduct(std::size_t na, std::size_t nb) {
    if (na != nb) throw std::runtime_error("Invalid input vector lengths");
    if (na == 0 || na % 2 != 0)
        throw InvalidArgument("a transform product needs an even length, not " + std::to_string(na));
}

}  // namespace

std::vector<double> FFT(std::span<const double> v) {
    RequireValues(v);
    std::vector<double> out = GridArray(v.size());
    HalfcomplexForward(v, out);
    return out;
}

// The 1/n and the clamp in the pass that reads the inverse.
std::vector<double> IFFT(std::span<const double> v) {
    RequireValues(v);
    std::vector<double> x = GridArray(v.size());
    HalfcomplexInverse(v, x);
    const double f = 1.0 / static_cast<double>(v.size());
    for (double& t : x) {
        t *= f;
        if (t < 1e-16) t = 0.0;
    }
    return x;
}

std::vector<double> ComplexProduct(std::vector<double> a, std::vector<double> b) {
    RequireTransformProduct(a.size(), b.size());
    CEmpDist product(std::move(a), 0.0);
    product.MultiplyTransform(CEmpDist(std::move(b), 0.0));
    return product.ReleaseValues();
}

// P in the result's own padded array, Q in a spectrum of work; the product P Q / n transformed back
// in place.
std::vector<double> SumConvDist(std::span<const double> p, std::span<const double> q) {
    RequireTransformProduct(p.size(), q.size());
    const std::size_t n = p.size();
    std::vector<double> out = GridArray(SpectrumDoubles(n));
    const auto P = SpectrumIn(out);
    RealToComplex(p, P);
    {
        std::vector<double> work = GridArray(SpectrumDoubles(n));
        const auto Q = SpectrumIn(work);
        RealToComplex(q, Q);
        const double f = 1.0 / static_cast<double>(n);
        for (std::size_t k = 0; k < P.size(); ++k) P[k] *= Q[k] * f;
    }
    ComplexToReal(P, std::span(out).first(n));
    out.resize(n);
    return out;
}

}  // namespace corvane
