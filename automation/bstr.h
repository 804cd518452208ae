// Automation strings are UTF-16; the rest of the runtime speaks UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace automation {

using BSTR = std::u16string;

std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

}  // namespace automation
