#include "Corvane/numerics/grid/grid_transforms.h"

#include <stdexcept>
#include <string>

#include "Corvane/numerics/grid/empdist.h"
#include "Corvane/numerics/require.h"

namespace corvane {

namespace {

CEmpDist Grid(std::vector<double>&& v) { return CEmpDist(std::move(v), 0.0); }

void RequireTransformProduct(std::size_t na, std::size_t nb) {
    if (na != nb) throw std::runtime_error("Invalid input vector lengths");
    if (na == 0 || na % 2 != 0)
        throw InvalidArgument("a transform product needs an even length, not " + std::to_string(na));
}

}  // namespace

std::vector<double> FFT(std::vector<double> v) {
    if (v.empty()) throw InvalidArgument("a transform needs at least one value");
    return Grid(std::move(v)).ForwardFFT().ReleaseValues();
}

std::vector<double> IFFT(std::vector<double> v) {
    if (v.empty()) throw InvalidArgument("a transform needs at least one value");
    CEmpDist x = Grid(std::move(v)).InverseFFT();
    x.ClampTiny();
    return x.ReleaseValues();
}

std::vector<double> ComplexProduct(std::vector<double> a, std::vector<double> b) {
    RequireTransformProduct(a.size(), b.size());
    CEmpDist product = Grid(std::move(a));
    product.MultiplyTransform(Grid(std::move(b)));
    return product.ReleaseValues();
}

std::vector<double> SumConvDist(std::vector<double> p, std::vector<double> q) {
    RequireTransformProduct(p.size(), q.size());
    CEmpDist P = Grid(std::move(p)).ForwardFFT();
    P.MultiplyTransform(Grid(std::move(q)).ForwardFFT());
    return P.InverseFFT().ReleaseValues();
}

}  // namespace corvane
