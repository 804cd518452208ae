// Identifiers: the text form read and written back, the platform's field layout, refused texts.
#include <gtest/gtest.h>

#include <string>

#include "automation/guid.h"
#include "automation/unknown.h"

namespace {

using namespace automation;

TEST(Guid, TextRoundTripsInUpperCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"{00020400-0000-0000-C000-000000000046}", "{00020400-0000-0000-C000-000000000046}"},
        {"{fef1fed9-e48d-471c-ab3b-6f82f69e8de5}", "{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}"},
        {"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
    };
    for (const auto& [text, upper] : cases) {
        auto g = ParseGuid(text);
        ASSERT_TRUE(g.has_value()) << text;
        EXPECT_EQ(GuidText(*g), upper);
    }
    for (int k = 0; k < 100; ++k) {
        GUID g = NewGuid();
        EXPECT_EQ(ParseGuid(GuidText(g)), g);
    }
}

TEST(Guid, FieldsHaveThePlatformLayout) {
    constexpr GUID g = MakeGuid("{12345678-9ABC-DEF0-0102-030405060708}");
    static_assert(g.Data1 == 0x12345678u && g.Data2 == 0x9ABC && g.Data3 == 0xDEF0);
    EXPECT_EQ(g.Data4, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(IID_IDispatch.Data4[0], 0xC0);
    EXPECT_EQ(IID_IDispatch.Data4[7], 0x46);
}

TEST(Guid, MalformedTextIsRefused) {
    const char* cases[] = {
        "",
        "00020400-0000-0000-C000-000000000046",
        "{00020400-0000-0000-C000-000000000046",
        "{00020400-0000-0000-C000-000000000046}x",
        "(00020400-0000-0000-C000-000000000046)",
        "{00020400-0000-0000-C000-00000000004}",
        "{000204000-000-0000-C000-000000000046}",
        "{00020400-0000-0000-C0000000000000046}",
        "{00020400_0000-0000-C000-000000000046}",
        "{0002040G-0000-0000-C000-000000000046}",
        "{00020400-0000-0000-C000-00000000004 }",
        "{+0020400-0000-0000-C000-000000000046}",
        "{00020400-0000-0000-C000-0000000000x6}",
    };
    for (const char* text : cases) EXPECT_FALSE(ParseGuid(text).has_value()) << "'" << text << "'";
}

}  // namespace
