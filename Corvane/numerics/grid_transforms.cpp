#include "Corvane/numerics/grid_transforms.h"

#include <stdexcept>
#include <string>

#include "Corvane/numerics/empdist.h"

namespace corvane {

namespace {

CEmpDist Grid(std::span<const double> v) { return CEmpDist(std::vector<double>(v.begin(), v.end()), 0.0); }

void RequireTransformProduct(std::size_t na, std::size_t nb) {
    if (na != nb) throw std::runtime_error("Invalid input vector lengths");
    if (na == 0 || na % 2 != 0)
        throw std::invalid_argument("a transform product needs an even length, not " + std::to_string(na));
}

}  // namespace

std::vector<double> FFT(std::span<const double> v) {
    if (v.empty()) throw std::invalid_argument("a transform needs at least one value");
    return Grid(v).ForwardFFT().ReleaseValues();
}

std::vector<double> IFFT(std::span<const double> v) {
    if (v.empty()) throw std::invalid_argument("a transform needs at least one value");
    CEmpDist x = Grid(v).InverseFFT();
    x.ClampTiny();
    return x.ReleaseValues();
}

std::vector<double> ComplexProduct(std::span<const double> a, std::span<const double> b) {
    RequireTransformProduct(a.size(), b.size());
    CEmpDist product = Grid(a);
    product.MultiplyTransform(Grid(b));
    return product.ReleaseValues();
}

std::vector<double> SumConvDist(std::span<const double> p, std::span<const double> q) {
    RequireTransformProduct(p.size(), q.size());
    CEmpDist P = Grid(p).ForwardFFT();
    P.MultiplyTransform(Grid(q).ForwardFFT());
    return P.InverseFFT().ReleaseValues();
}

}  // namespace corvane
