// The grid: n probabilities p_0 ... p_{n-1} on the loss amounts 0, u, 2u, ..., (n-1) u, where u is
// the bucket width (unit). A loss x belongs to bucket trunc(x/u + 1/2). The same class holds a
// grid's transform vector in halfcomplex order: element 0 = Re X_0, element k = Re X_k and
// element n - k = Im X_k for 1 <= k < n/2, element n/2 = Re X_{n/2} (n even).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Corvane/numerics/moments/moments.h"

namespace corvane {

class CEmpDist {
public:
    // Empty: num 0, no data, unit 0.
    CEmpDist();
    // n zeros.
    explicit CEmpDist(std::size_t n);
    // n elements equal to value.
    CEmpDist(std::size_t n, double value);
    // Takes the array as its data (no copy).
    CEmpDist(std::vector<double>&& data, double unit);
    // A copy of the other grid's data, num and unit.
    CEmpDist(const CEmpDist& other);
    CEmpDist(CEmpDist&& other) noexcept;
    CEmpDist& operator=(CEmpDist&& other) noexcept;
    CEmpDist& operator=(const CEmpDist&) = delete;
    ~CEmpDist() = default;

    // Histogram of a sample on 2^numL2 buckets: bucket k = (number of x_i in bucket k) / m.
    // Values outside the grid go to the end buckets. Fails (invalid argument) for numL2 outside
    // 0..30, a bucket width that is not positive and finite, an empty sample or a NaN value.
    static CEmpDist FromSample(std::span<const double> x, std::int32_t numL2, double unit);
    // Point masses q_i at the amounts x_i on 2^numL2 buckets, renormalised by 1/T when their total
    // T is not exactly 1. Amounts outside the grid go to the end buckets. Fails (invalid argument)
    // for lists of different lengths, a total of 0 and the cases of FromSample.
    static CEmpDist FromPoints(std::span<const double> x, std::span<const double> q, std::int32_t numL2,
                               double unit);

    double* data() { return data_.data(); }
    const double* data() const { return data_.data(); }
    std::span<double> values() { return data_; }
    std::span<const double> values() const { return data_; }
    std::size_t num() const { return data_.size(); }
    double unit() const { return unit_; }
    void SetUnit(double unit) { unit_ = unit; }
    // The values moved out as an array of the caller's; the grid is left empty.
    std::vector<double> ReleaseValues();

    // p_k = f p_k.
    void Scale(double f);
    // A new grid holding the transform vector (unit 0). num must be at least 1.
    CEmpDist ForwardFFT();
    // A new grid holding the inverse transform times 1/num (unit 0). num must be at least 1.
    CEmpDist InverseFFT();
    // This transform vector becomes the complex product of itself and other's. Fails with
    // "Invalid input vector lengths" when the lengths differ; an odd or zero length is an invalid
    // argument.
    void MultiplyTransform(const CEmpDist& other);
    // Every element below 1e-16 (every negative one too) becomes 0.
    void ClampTiny();
    // ClampTiny, then every element times 1/(sum of the elements); an all-zero grid stays zero.
    void ClampAndNormalise();
    // sum_k p_k (k u)^j, j = 1, 2, 3, not divided by the total mass.
    MomentTriple RawMoments() const;
    // The grid on m = 2^numL2 buckets of width r u (r = num/m), each bucket collecting the mass
    // nearest to it (a bucket half-way between two is split). The same size gives a copy; m = 1
    // gives the whole mass in one bucket. Fails with "Cannot interpolate..." when m > num; numL2
    // outside 0..30 and an m that does not divide num are invalid arguments.
    CEmpDist Coarsen(std::int32_t numL2) const;
    // The net (rNet), ceded (rCeded) or gross (rGross, a copy) distribution of the excess-of-loss
    // layer L xs A, on the same buckets. Fails with "Partial shares NYI" for net or ceded with a
    // share other than 1, "Wrong input" for another ncg code; a bucket width that is not positive
    // and finite is an invalid argument.
    CEmpDist ApplyLayer(double layer, double attach, double share, std::int32_t ncg) const;
    // The inverse distribution function at t_j = (j + 1)/(count + 1), interpolated linearly
    // between the points (k u, F_k); targets above the total mass get (num - 1) u. A grid of no
    // buckets has no quantiles (invalid argument).
    std::vector<double> Quantiles(std::size_t count) const;
    void Quantiles(std::span<double> out) const;

private:
    std::vector<double> data_;
    double unit_ = 0.0;
};

}  // namespace corvane
