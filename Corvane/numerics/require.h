// Preconditions of the numerics: every parameter is checked where it enters a computation, and a
// violation fails with the numerics' own invalid-argument error, whose text names the family, the
// parameter, its value and the allowed range ("Pareto alpha must be > 0, got -2.5"). The
// automation boundary reports it as E_INVALIDARG with that text (no description when it is empty).
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class InvalidArgument : public std::invalid_argument {
public:
    explicit InvalidArgument(const std::string& what) : std::invalid_argument(what) {}
};

// Fails with InvalidArgument(message) unless ok.
inline void Require(bool ok, std::string_view message) {
    if (!ok) throw InvalidArgument(std::string(message));
}

// Fails with an InvalidArgument without text: the failures published as a bare E_INVALIDARG.
[[noreturn]] inline void RejectWithoutText() { throw InvalidArgument(std::string()); }

// A value as the messages show it: the shortest text that reads back exactly ("2.5", "-inf", "nan").
std::string FormatValue(double v);

// The parameter `what` (for example "Pareto alpha") is finite and satisfies its range, otherwise:
//   "<what> must be finite, got inf"      for an infinite value,
//   "<what> must be <range>, got <v>"     for a value outside the range (NaN included).
void RequireFinite(double v, std::string_view what);
void RequirePositive(double v, std::string_view what);     // v > 0
void RequireNonNegative(double v, std::string_view what);  // v >= 0
void RequireAtLeast(double v, double lo, std::string_view what);  // v >= lo
// lo <= v < hi when upperOpen, else lo <= v <= hi.
void RequireWithin(double v, double lo, double hi, bool upperOpen, std::string_view what);
// 0 < v <= 1.
void RequireFraction(double v, std::string_view what);

// An excess-of-loss layer: limit > 0, attachment >= 0, 0 < share <= 1, all finite.
void RequireLayer(double layer, double attach, double share);

// A bucket width: positive and finite.
void RequireUnit(double unit);

// A density on a grid: every value finite and >= 0 and a positive, finite total; `what` names it
// ("Severity density at index 3 must be >= 0, got nan", "Severity density total must be > 0, got 0").
void RequireDensity(std::span<const double> p, std::string_view what);
// A copy of p, checked as RequireDensity checks it in the same pass over memory.
std::vector<double> CheckedDensity(std::span<const double> p, std::string_view what);

}  // namespace corvane
