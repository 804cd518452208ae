#include "Corvane/numerics/frequency/freq_one.h"

namespace freqdist {

std::vector<double> COne::GetParams() const { return {}; }

void COne::SetParams(std::span<const double>) {}

std::u16string_view COne::Name() const { return u"One with certainty"; }

std::array<double, 3> COne::Moments() const { return {1.0, 1.0, 1.0}; }

void COne::ApplyPGF(double*, std::size_t) const {}

void COne::ApplyPGF2D(std::complex<double>*, std::size_t, std::size_t) const {}

bool COne::NeedsTransform() const { return false; }

}  // namespace freqdist
