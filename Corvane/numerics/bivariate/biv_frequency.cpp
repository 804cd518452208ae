#include "Corvane/numerics/bivariate/biv_frequency.h"

#include "Corvane/numerics/frequency/freq_pgf.h"

namespace corvane {

void ApplyFrequency2D(const freqdist::CAbstractFreq& family, CFFT2D& fft, std::span<double> p) {
    if (!family.NeedsTransform()) return;
    fft.Forward(p);
    // The inverse transform is unnormalised: the generating function's values are divided by nx ny.
    const double scale = 1.0 / (static_cast<double>(fft.nx()) * static_cast<double>(fft.ny()));
    freqdist::ApplyPGF2D(family, fft.Transform().data(), fft.nx(), fft.ny(), scale);
    fft.Inverse(p);
}

}  // namespace corvane
