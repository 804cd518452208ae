// 16-byte identifiers of classes and interfaces, in the platform's layout.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace automation {

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    friend bool operator==(const GUID&, const GUID&) = default;
};
using CLSID = GUID;
using IID = GUID;

namespace guid_detail {
constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
constexpr bool Hex(std::string_view t, std::size_t pos, int digits, std::uint32_t& v) {
    v = 0;
    for (int i = 0; i < digits; ++i) {
        int d = HexDigit(t[pos + i]);
        if (d < 0) return false;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    return true;
}
}  // namespace guid_detail

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (either case); nothing on a malformed text.
constexpr std::optional<GUID> ParseGuid(std::string_view t) {
    using guid_detail::Hex;
    if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' || t[19] != '-' ||
        t[24] != '-')
        return std::nullopt;
    GUID g;
    std::uint32_t v = 0;
    if (!Hex(t, 1, 8, v)) return std::nullopt;
    g.Data1 = v;
    if (!Hex(t, 10, 4, v)) return std::nullopt;
    g.Data2 = static_cast<std::uint16_t>(v);
    if (!Hex(t, 15, 4, v)) return std::nullopt;
    g.Data3 = static_cast<std::uint16_t>(v);
    constexpr std::size_t byteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!Hex(t, byteAt[i], 2, v)) return std::nullopt;
        g.Data4[i] = static_cast<std::uint8_t>(v);
    }
    return g;
}

// An identifier written in the source; a malformed text does not compile in a constant expression.
consteval GUID MakeGuid(std::string_view text) { return ParseGuid(text).value(); }
// The upper-case text form with braces.
std::string GuidText(const GUID& g);
// A fresh random (version 4) identifier.
GUID NewGuid();

}  // namespace automation
