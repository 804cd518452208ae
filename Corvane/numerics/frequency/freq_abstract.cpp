#include "Corvane/numerics/frequency/freq_abstract.h"

namespace freqdist {

void CAbstractFreq::ScaledPgfInPlace(std::span<std::complex<double>> z, double scale) const {
    for (std::complex<double>& w : z) w = Pgf(w) * scale;
}

}  // namespace freqdist
