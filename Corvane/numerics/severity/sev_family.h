// The parametric claim-size families: each is made with its parameters, checked by its
// constructor, and gives its distribution function and the moments of its loss in an
// excess-of-loss layer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "Corvane/numerics/moments/moments.h"

namespace corvane {

class CSeverityFamily {
public:
    virtual ~CSeverityFamily() = default;
    virtual double CDF(double x) const = 0;
    virtual double Survival(double x) const = 0;  // 1 - F(x)
    // E[Y^k | X > A] for Y = min(max(X - A, 0), L), k = 1, 2, 3. The share is not used.
    virtual MomentTriple LayerMoments(double layer, double attach, double share) const = 0;
};

using SeverityFamily = std::unique_ptr<const CSeverityFamily>;

// True for svMED, svTLognormal and svPareto, the codes that have a family.
bool HasSeverityFamily(std::int32_t sevDist);

// The family of code svMED, svTLognormal or svPareto made with values (and checked by its
// constructor); any other code fails with "Invalid sev dist".
SeverityFamily MakeSeverityFamily(std::int32_t sevDist, std::span<const double> values);

}  // namespace corvane
