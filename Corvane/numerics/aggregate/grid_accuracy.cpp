#include "Corvane/numerics/aggregate/grid_accuracy.h"

#include <cmath>
#include <cstdio>

namespace corvane {

namespace {

constexpr double kWrappedLimit = 1e-6;
constexpr double kMeanErrorLimit = 1e-4;
constexpr double kLayerBucketsLimit = 8;

// Three significant digits.
std::string Figure(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", v);
    return text;
}

}  // namespace

bool GridAccuracy::Doubtful() const {
    return wrapped > kWrappedLimit || meanError > kMeanErrorLimit || layerBuckets < kLayerBucketsLimit;
}

std::string GridAccuracy::Describe() const {
    std::string text;
    auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    if (wrapped > kWrappedLimit)
        add(Figure(wrapped) + " of the mass wrapped around the grid onto small losses (a larger unit, numL2 or "
                              "Padding helps)");
    if (meanError > kMeanErrorLimit) add("the grid mean is off the exact mean by " + Figure(meanError) + " relative");
    if (layerBuckets < kLayerBucketsLimit)
        add("the severity's layer spans only " + Figure(layerBuckets) + " bucket(s) (a smaller unit helps)");
    if (beyond > 0) add(Figure(beyond) + " of the mass lies beyond the grid, kept in its last bucket");
    return text.empty() ? "The grid holds the aggregate" : text;
}

double WrappedMass(double unwrappedMean, double gridMean, double span) {
    const double w = (unwrappedMean - gridMean) / span;
    return w > 0 ? w : 0.0;
}

double RelativeMeanError(double gridMean, double exactMean) {
    if (exactMean == 0) return std::fabs(gridMean);
    return std::fabs(gridMean - exactMean) / std::fabs(exactMean);
}

}  // namespace corvane
