#include "Corvane/numerics/triangle/factor_store.h"

#include <cmath>
#include <string>

#include "Corvane/numerics/require.h"

namespace corvane {

bool IsTriangleCell(std::size_t index, std::size_t nYears) { return index % nYears + index / nYears < nYears; }

std::vector<double> FactorStore(std::span<const double> C, std::size_t nYears) {
    Require(C.size() == nYears * nYears, "varTrg must hold nYears x nYears values");
    std::vector<double> store(nYears * nYears, 0.0);
    for (std::size_t k = 0; k < nYears; ++k) {
        for (std::size_t a = 0; a + k < nYears; ++a) {
            const double c = C[a + nYears * k];
            if (!std::isfinite(c))
                throw InvalidArgument("varTrg: the cell of accident year " + std::to_string(a) +
                                            ", development period " + std::to_string(k) +
                                            " (counted from 0) is not a finite number");
            store[a * nYears + k] = c;
            if (k == 0) continue;
            const double previous = C[a + nYears * (k - 1)];
            store[(nYears - k) * nYears + k + a] = previous > 0.0 ? c / previous : 0.0;
        }
    }
    return store;
}

std::span<const double> StepFactors(std::span<const double> store, std::size_t nYears, std::size_t k) {
    return store.subspan((nYears - k) * nYears + k, nYears - k);
}

}  // namespace corvane
