// The debug trace: lines go to standard error when AUTOMATION_TRACE is set, nowhere otherwise.
#pragma once

#include <string_view>

namespace automation {

bool TraceEnabled();
void Trace(std::string_view line);

}  // namespace automation
