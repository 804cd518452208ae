#include "Corvane/numerics/bivariate/biv_frequency.h"

#include "Corvane/numerics/frequency/freq_pgf.h"

namespace corvane {

void ApplyFrequency2D(const freqdist::CAbstractFreq& family, CFFT2D& fft, std::span<double> p) {
    if (!family.NeedsTransform()) return;
    fft.Forward(p);
    freqdist::ApplyPGF2D(family, fft.Transform().data(), fft.nx(), fft.ny());
    fft.Inverse(p);
}

}  // namespace corvane
