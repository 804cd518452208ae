#include "Corvane/numerics/triangle/crt_random.h"

namespace corvane {

std::uint32_t& ThreadCrtState() {
    thread_local std::uint32_t state = 1;
    return state;
}

}  // namespace corvane
