#include "Corvane/numerics/require.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace corvane {
namespace {

[[noreturn]] void Reject(double v, std::string_view what, std::string_view range) {
    if (std::isinf(v)) throw InvalidArgument(std::string(what) + " must be finite, got " + FormatValue(v));
    throw InvalidArgument(std::string(what) + " must be " + std::string(range) + ", got " + FormatValue(v));
}

// Running sums and minima of a density pass, four of each so that the additions and comparisons
// of neighbouring values do not wait on one another. A NaN or infinite value makes its sum
// non-finite and a negative one its minimum negative, so the pass needs no test per value.
struct DensityPass {
    double s[4] = {0, 0, 0, 0};
    double lo[4] = {0, 0, 0, 0};

    void Add(std::span<const double> p) {
        const std::size_t n = p.size(), blocks = n / 4 * 4;
        for (std::size_t k = 0; k < blocks; k += 4)
            for (std::size_t j = 0; j < 4; ++j) {
                const double v = p[k + j];
                s[j] += v;
                lo[j] = v < lo[j] ? v : lo[j];
            }
        for (std::size_t k = blocks; k < n; ++k) {
            s[0] += p[k];
            lo[0] = p[k] < lo[0] ? p[k] : lo[0];
        }
    }

    bool ok() const {
        return std::isfinite(s[0]) && std::isfinite(s[1]) && std::isfinite(s[2]) && std::isfinite(s[3]) &&
               std::min(std::min(lo[0], lo[1]), std::min(lo[2], lo[3])) >= 0.0;
    }

    // Only a failing density is walked again, to name its first bad value.
    void Finish(std::span<const double> p, std::string_view what) const {
        if (!ok())
            for (std::size_t k = 0; k < p.size(); ++k)
                if (!(p[k] >= 0.0 && p[k] <= std::numeric_limits<double>::max()))
                    Reject(p[k], std::string(what) + " at index " + std::to_string(k), ">= 0");
        const double total = (s[0] + s[1]) + (s[2] + s[3]);
        if (!(total > 0.0) || std::isinf(total)) Reject(total, std::string(what) + " total", "> 0");
    }
};

}  // namespace

std::string FormatValue(double v) {
    if (std::isnan(v)) return "nan";
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

void RequireFinite(double v, std::string_view what) {
    if (!std::isfinite(v)) Reject(v, what, "finite");
}

void RequirePositive(double v, std::string_view what) {
    if (!(v > 0.0) || std::isinf(v)) Reject(v, what, "> 0");
}

void RequireNonNegative(double v, std::string_view what) {
    if (!(v >= 0.0) || std::isinf(v)) Reject(v, what, ">= 0");
}

void RequireAtLeast(double v, double lo, std::string_view what) {
    if (!(v >= lo) || std::isinf(v)) Reject(v, what, ">= " + FormatValue(lo));
}

void RequireWithin(double v, double lo, double hi, bool upperOpen, std::string_view what) {
    const bool ok = v >= lo && (upperOpen ? v < hi : v <= hi);
    if (!ok || std::isinf(v))
        Reject(v, what, "in [" + FormatValue(lo) + ", " + FormatValue(hi) + (upperOpen ? ")" : "]"));
}

void RequireFraction(double v, std::string_view what) {
    if (!(v > 0.0 && v <= 1.0)) Reject(v, what, "in (0, 1]");
}

void RequireLayer(double layer, double attach, double share) {
    RequirePositive(layer, "Layer limit");
    RequireNonNegative(attach, "Layer attachment");
    RequireFraction(share, "Layer share");
}

void RequireUnit(double unit) { RequirePositive(unit, "Bucket width unit"); }

void RequireDensity(std::span<const double> p, std::string_view what) {
    DensityPass pass;
    pass.Add(p);
    pass.Finish(p, what);
}

std::vector<double> CheckedDensity(std::span<const double> p, std::string_view what) {
    constexpr std::size_t kChunk = 2048;  // checked while it is still in the first-level cache
    std::vector<double> copy;
    copy.reserve(p.size());
    DensityPass pass;
    for (std::size_t k = 0; k < p.size(); k += kChunk) {
        const std::size_t len = std::min(kChunk, p.size() - k);
        copy.insert(copy.end(), p.begin() + static_cast<std::ptrdiff_t>(k),
                    p.begin() + static_cast<std::ptrdiff_t>(k + len));
        pass.Add(std::span<const double>(copy).subspan(k, len));
    }
    pass.Finish(p, what);
    return copy;
}

}  // namespace corvane
