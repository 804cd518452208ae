#include "Corvane/numerics/bivariate/biv_claim_devel.h"

#include <stdexcept>

#include "Corvane/numerics/bivariate/biv_frequency.h"

namespace corvane {

void ClaimDevelCounts(const freqdist::CAbstractFreq& family, CFFT2D& fft, std::span<double> p, double p00,
                      double p01, double p10, double p11) {
    const std::size_t n = fft.ny();
    if (fft.nx() != n || n < 2 || p.size() != n * n)
        throw std::invalid_argument("a claim-development grid is square with at least 2 x 2 cells");
    p[0] = p00;
    p[1] = p01;
    p[n] = p10;
    p[n + 1] = p11;
    ApplyFrequency2D(family, fft, p);
}

}  // namespace corvane
