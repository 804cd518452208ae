// Comparison of a sample with a theoretical density on the same grid.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace corvane {

struct DistComparison {
    std::vector<double> den_fe;  // histogram of the sample (n)
    std::vector<double> Fe, Ft;  // distribution functions, sample and theory (n)
    std::vector<double> Se, St;  // survival functions 1 - F (n)
    std::vector<double> XSe, XSt;  // mean excess unit TS_k / S_k, 0 where S_k <= 1e-14 and in the last bucket (n)
    std::vector<double> QQe, QQt;  // the percentiles at 1 %, 2 %, ..., 99 % (99)
};

// n = 2^numL2 buckets of width unit; thy holds the theoretical density. Sample values outside the
// grid go to the end buckets. A thy of another length than n is an invalid argument without
// text; numL2 outside 0..30, a bucket width that is not positive and finite, an
// empty sample and a NaN sample value are invalid arguments.
DistComparison DistCompare(std::span<const double> emp, std::int32_t numL2, double unit, std::span<const double> thy);

}  // namespace corvane
