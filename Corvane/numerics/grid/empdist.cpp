#include "Corvane/numerics/grid/empdist.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "Corvane/numerics/require.h"

namespace corvane {

CEmpDist::CEmpDist() = default;

CEmpDist::CEmpDist(std::size_t n) : CEmpDist(n, 0.0) {}

CEmpDist::CEmpDist(std::size_t n, double value)
    : owned_(n, value), data_(owned_.data()), num_(n), capacity_(n) {}

CEmpDist::CEmpDist(std::vector<double>&& data, double unit)
    : owned_(std::move(data)), data_(owned_.data()), num_(owned_.size()), capacity_(owned_.size()), unit_(unit) {}

CEmpDist::CEmpDist(const CEmpDist& other)
    : owned_(other.values().begin(), other.values().end()),
      data_(owned_.data()),
      num_(owned_.size()),
      capacity_(owned_.size()),
      unit_(other.unit_) {}

// A moved vector keeps its buffer, so data_ stays valid in the new grid.
CEmpDist::CEmpDist(CEmpDist&& other) noexcept
    : owned_(std::move(other.owned_)),
      data_(std::exchange(other.data_, nullptr)),
      num_(std::exchange(other.num_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      unit_(other.unit_),
      forward_(std::move(other.forward_)),
      inverse_(std::move(other.inverse_)) {
    other.owned_.clear();
}

CEmpDist& CEmpDist::operator=(CEmpDist&& other) noexcept {
    if (this != &other) {
        owned_ = std::move(other.owned_);
        other.owned_.clear();
        data_ = std::exchange(other.data_, nullptr);
        num_ = std::exchange(other.num_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        unit_ = other.unit_;
        forward_ = std::move(other.forward_);
        inverse_ = std::move(other.inverse_);
    }
    return *this;
}

void CEmpDist::Attach(std::span<double> array) {
    owned_ = {};
    data_ = array.data();
    num_ = capacity_ = array.size();
}

void CEmpDist::Detach() {
    owned_ = {};
    data_ = nullptr;
    num_ = capacity_ = 0;
}

void CEmpDist::Resize(std::size_t n) {
    if (n == num_) return;
    owned_ = std::vector<double>(n);
    data_ = owned_.data();
    num_ = capacity_ = n;
}

// The copy is made before the own data are let go: other may borrow part of this grid's array.
void CEmpDist::Assign(const CEmpDist& other) {
    if (data_ == other.data_) return;
    std::vector<double> copy(other.values().begin(), other.values().end());
    owned_ = std::move(copy);
    data_ = owned_.data();
    num_ = capacity_ = owned_.size();
}

void CEmpDist::SetNum(std::size_t n) {
    if (n > capacity_)
        throw InvalidArgument("grid length " + std::to_string(n) + " exceeds its array of " +
                                    std::to_string(capacity_) + " values");
    num_ = n;
}

std::vector<double> CEmpDist::ReleaseValues() {
    std::vector<double> v;
    if (!owned_.empty() && data_ == owned_.data()) {
        owned_.resize(num_);
        v = std::move(owned_);
    } else {
        v.assign(data_, data_ + num_);
    }
    Detach();
    return v;
}

void CEmpDist::Scale(double f) {
    for (double& p : values()) p *= f;
}

CEmpDist CEmpDist::ForwardFFT() {
    CEmpDist t(num_);
    forward_.Execute(values(), t.values());
    return t;
}

CEmpDist CEmpDist::InverseFFT() {
    CEmpDist x(num_);
    inverse_.Execute(values(), x.values());
    x.Scale(1.0 / static_cast<double>(num_));
    return x;
}

// (a_k + i a_{n-k}) (b_k + i b_{n-k}) at every frequency 1 <= k < n/2; the real values at
// frequencies 0 and n/2 multiply as reals.
void CEmpDist::MultiplyTransform(const CEmpDist& other) {
    if (other.num_ != num_) throw std::runtime_error("Invalid input vector lengths");
    if (num_ == 0 || num_ % 2 != 0)
        throw InvalidArgument("a transform product needs an even length, not " + std::to_string(num_));
    const std::size_t n = num_;
    double* a = data_;
    const double* b = other.data_;
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
