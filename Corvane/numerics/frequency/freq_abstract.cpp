#include "Corvane/numerics/frequency/freq_abstract.h"

#include <stdexcept>
#include <string>

namespace freqdist {

void RequireParams(std::span<const double> v, std::size_t needed, const char* family) {
    if (v.size() < needed) {
        throw std::invalid_argument(std::string(family) + " needs " + std::to_string(needed) +
                                    " parameter(s), got " + std::to_string(v.size()));
    }
}

}  // namespace freqdist
