#include "Corvane/numerics/biv_frequency.h"

namespace corvane {

void ApplyFrequency2D(const freqdist::CAbstractFreq& family, CFFT2D& fft, std::span<double> p) {
    if (!family.NeedsTransform()) return;
    fft.Forward(p);
    family.ApplyPGF2D(fft.Transform().data(), fft.nx(), fft.ny());
    fft.Inverse(p);
}

}  // namespace corvane
