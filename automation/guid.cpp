#include "automation/guid.h"

#include <sys/random.h>

#include <cstdio>
#include <ctime>
#include <random>

namespace automation {

std::string GuidText(const GUID& g) {
    char buf[39];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

GUID NewGuid() {
    std::uint8_t b[16];
    if (getrandom(b, sizeof b, 0) != static_cast<ssize_t>(sizeof b)) {
        std::mt19937_64 gen(static_cast<std::uint64_t>(std::time(nullptr)) ^ std::random_device{}());
        for (auto& x : b) x = static_cast<std::uint8_t>(gen());
    }
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40);  // version 4
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);  // variant 1
    GUID g;
    g.Data1 = (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
    g.Data2 = static_cast<std::uint16_t>((b[4] << 8) | b[5]);
    g.Data3 = static_cast<std::uint16_t>((b[6] << 8) | b[7]);
    for (int i = 0; i < 8; ++i) g.Data4[i] = b[8 + i];
    return g;
}

}  // namespace automation
