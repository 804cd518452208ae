#include "automation/trace.h"

#include <cstdio>
#include <cstdlib>

namespace automation {

bool TraceEnabled() {
    static const bool enabled = std::getenv("AUTOMATION_TRACE") != nullptr;
    return enabled;
}

void Trace(std::string_view line) {
    if (!TraceEnabled()) return;
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

}  // namespace automation
