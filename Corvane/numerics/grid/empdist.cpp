#include "Corvane/numerics/grid/empdist.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "Corvane/numerics/grid/grid_array.h"
#include "Corvane/numerics/grid/real_fft.h"
#include "Corvane/numerics/require.h"

namespace corvane {

CEmpDist::CEmpDist() = default;

CEmpDist::CEmpDist(std::size_t n) : data_(GridArray(n)) {}

CEmpDist::CEmpDist(std::size_t n, double value) : data_(n, value) {}

CEmpDist::CEmpDist(std::vector<double>&& data, double unit) : data_(std::move(data)), unit_(unit) {}

CEmpDist::CEmpDist(const CEmpDist& other) : data_(other.data_), unit_(other.unit_) {}

CEmpDist::CEmpDist(CEmpDist&& other) noexcept = default;

CEmpDist& CEmpDist::operator=(CEmpDist&& other) noexcept = default;

std::vector<double> CEmpDist::ReleaseValues() { return std::exchange(data_, {}); }

void CEmpDist::Scale(double f) {
    for (double& p : values()) p *= f;
}

CEmpDist CEmpDist::ForwardFFT() {
    CEmpDist t(num());
    HalfcomplexForward(values(), t.values());
    return t;
}

CEmpDist CEmpDist::InverseFFT() {
    CEmpDist x(num());
    HalfcomplexInverse(values(), x.values());
    x.Scale(1.0 / static_cast<double>(num()));
    return x;
}

// (a_k + i a_{n-k}) (b_k + i b_{n-k}) at every frequency 1 <= k < n/2; the real values at
// frequencies 0 and n/2 multiply as reals.
void CEmpDist::MultiplyTransform(const CEmpDist& other) {
    if (other.num() != num()) throw std::runtime_error("Invalid input vector lengths");
    const std::size_t n = num();
    if (n == 0 || n % 2 != 0)
        throw InvalidArgument("a transform product needs an even length, not " + std::to_string(n));
    double* a = data_.data();
    const double* b = other.data_.data();
    a[0] *= b[0];
    a[n / 2] *= b[n / 2];
    for (std::size_t k = 1; k < n / 2; ++k) {
        const std::size_t s = n - k;
        const double re = a[k] * b[k] - a[s] * b[s];
        const double im = a[k] * b[s] + a[s] * b[k];
        a[k] = re;
        a[s] = im;
    }
}

void CEmpDist::ClampTiny() {
    for (double& p : values())
        if (p < 1e-16) p = 0.0;
}

void CEmpDist::ClampAndNormalise() {
    ClampTiny();
    double sum = 0.0;
    for (const double p : values()) sum += p;
    if (sum != 0.0) Scale(1.0 / sum);
}

MomentTriple CEmpDist::RawMoments() const { return GridRawMoments(values(), unit_); }

}  // namespace corvane
