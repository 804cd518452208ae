
#include <charconv>
#include <cmath>

#include "Corvane/numerics/require.h"

namespace corvane {
namespace {

[[noreturn]] void Reject(double v, std::string_view what, std::string_view range) {
    if (std::isinf(v)) throw InvalidArgument(std::string(what) + " must be finite, got " + FormatValue(v));
    throw InvalidArgument(std::string(what) + " must be " + std::string(range) + ", got " + FormatValue(v));
}

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
    double total = 0.0;
    for (std::size_t k = 0; k < p.size(); ++k) {
        if (!(p[k] >= 0.0) || std::isinf(p[k]))
            Reject(p[k], std::string(what) + " at index " + std::to_string(k), ">= 0");
        total += p[k];
    }
    if (!(total > 0.0) || std::isinf(total)) Reject(total, std::string(what) + " total", "> 0");
}

}  // namespace corvane
