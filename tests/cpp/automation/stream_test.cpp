// Streams and the stream forms of texts and variants: positions, short reads, every variant type
// code, and the malformed records a reader must refuse without reading past the end.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "automation/persist.h"
#include "automation/stream.h"
#include "automation/variant_stream.h"

namespace {

using namespace automation;

template <class F>
HRESULT StatusOf(F&& f) {
    try {
        f();
        return S_OK;
    } catch (const StatusError& e) {
        return e.code();
    }
}

TEST(MemoryStream, WritesReadsAndSeeks) {
    auto s = MemoryStream::Create();
    StreamWriter(s.get()).Value<std::int32_t>(-5);
    StreamWriter(s.get()).Value(2.5);
    EXPECT_EQ(s->bytes().size(), 12u);
    std::uint64_t pos = 99;
    ASSERT_EQ(s->Seek(0, SeekOrigin::Set, &pos), S_OK);
    EXPECT_EQ(pos, 0u);
    StreamReader in(s.get());
    EXPECT_EQ(in.Value<std::int32_t>(), -5);
    EXPECT_EQ(in.Value<double>(), 2.5);
    EXPECT_EQ(StatusOf([&] { in.Value<std::uint8_t>(); }), STG_E_READFAULT);
    EXPECT_EQ(s->Seek(-13, SeekOrigin::End, &pos), STG_E_INVALIDFUNCTION);
    ASSERT_EQ(s->Seek(-4, SeekOrigin::Current, &pos), S_OK);
    EXPECT_EQ(pos, 8u);
    std::uint64_t size = 0;
    EXPECT_EQ(s->GetSize(&size), S_OK);
    EXPECT_EQ(size, 12u);
}

TEST(MemoryStream, LyingLengthsEndAtTheStreamsEnd) {
    auto s = MemoryStream::Create(std::vector<std::uint8_t>(10, 1));
    EXPECT_EQ(StatusOf([&] { StreamReader(s.get()).Block(std::size_t{1} << 31); }), STG_E_READFAULT);
    auto text = MemoryStream::Create({0xFE, 0xFF, 0xFF, 0x7F, 'a', 0});
    EXPECT_EQ(StatusOf([&] { ReadCountedText(text.get()); }), STG_E_READFAULT);
}

TEST(FileStream, RoundTripAndMissingFile) {
    const std::string path = (std::filesystem::temp_directory_path() / ("stream_test." + std::to_string(getpid()))).string();
    {
        auto out = OpenFileStream(path, FileMode::Create);
        WriteCountedText(out.get(), u"Grüße");
    }
    {
        auto in = OpenFileStream(path, FileMode::Read);
        std::uint64_t size = 0;
        ASSERT_EQ(in->GetSize(&size), S_OK);
        EXPECT_EQ(size, 4u + 12u);
        EXPECT_EQ(ReadCountedText(in.get()), u"Grüße");
    }
    std::filesystem::remove(path);
    EXPECT_EQ(StatusOf([&] { OpenFileStream(path, FileMode::Read); }), STG_E_FILENOTFOUND);
}

TEST(CountedText, LayoutAndMalformedCounts) {
    auto s = MemoryStream::Create();
    WriteCountedText(s.get(), u"ab");
    WriteCountedText(s.get(), u"");
    EXPECT_EQ(s->bytes(), (std::vector<std::uint8_t>{6, 0, 0, 0, 'a', 0, 'b', 0, 0, 0, 0, 0, 0, 0}));
    for (const std::vector<std::uint8_t>& bad : {std::vector<std::uint8_t>{3, 0, 0, 0, 'a', 0, 0},
                                                 std::vector<std::uint8_t>{4, 0, 0, 0, 'a', 0, 'b', 0}}) {
        auto in = MemoryStream::Create(bad);
        EXPECT_EQ(StatusOf([&] { ReadCountedText(in.get()); }), E_INVALIDARG);
    }
}

Variant RoundTrip(const Variant& v, std::size_t expectBytes) {
    auto s = MemoryStream::Create();
    WriteVariantForm(s.get(), v);
    EXPECT_EQ(s->bytes().size(), expectBytes) << "type " << v.vt();
    EXPECT_EQ(s->Seek(0, SeekOrigin::Set, nullptr), S_OK);
    Variant back = ReadVariantForm(s.get());
    EXPECT_EQ(back.vt(), v.vt());
    return back;
}

TEST(VariantForm, EveryFixedSizeType) {
    struct Case {
        VARTYPE vt;
        std::uint64_t bits;
        std::size_t payload;
    };
    const Case cases[] = {
        {VT_UI1, 0xF0, 1},       {VT_I2, 0x8001, 2},          {VT_BOOL, 0xFFFF, 2},
        {VT_UI2, 0xBEEF, 2},     {VT_I4, 0x80000001, 4},      {VT_R4, 0x3FC00000, 4},
        {VT_ERROR, 0x80020004, 4}, {VT_UI4, 0xFFFFFFFF, 4},   {VT_INT, 7, 4},
        {VT_UINT, 9, 4},         {VT_R8, 0x400921FB54442D18, 8}, {VT_CY, 0x0123456789ABCDEF, 8},
        {VT_DATE, 0x40E5F4C000000000, 8},
    };
    for (const Case& c : cases) EXPECT_EQ(RoundTrip(Variant::FromBits(c.vt, c.bits), 2 + c.payload).bits(), c.bits);
    const Variant minusTwo = RoundTrip(Variant::FromBits(VT_I1, 0xFE), 3);
    EXPECT_EQ(ToInt32(minusTwo), -2);
    EXPECT_EQ(ToDouble(RoundTrip(Variant(2.5), 10)), 2.5);
}

TEST(VariantForm, TextFormsAndObjects) {
    EXPECT_EQ(RoundTrip(Variant(u"3,5"), 2 + 4 + 8).bstr(), u"3,5");
    RoundTrip(Variant(), 6);
    EXPECT_EQ(RoundTrip(Variant::FromBits(VT_I8, static_cast<std::uint64_t>(-12345678901234LL)), 2 + 4 + 32).i8(),
              -12345678901234LL);
    EXPECT_EQ(RoundTrip(Variant::FromBits(VT_UI8, 18446744073709551615ULL), 2 + 4 + 42).ui8(),
              18446744073709551615ULL);
    EXPECT_EQ(RoundTrip(Variant(static_cast<IDispatch*>(nullptr)), 2 + 16).dispatch(), nullptr);
}

TEST(VariantForm, ArraysCannotBeWrittenAndBadCodesCannotBeRead) {
    auto s = MemoryStream::Create();
    EXPECT_EQ(StatusOf([&] { WriteVariantForm(s.get(), Variant(SafeArray(std::vector<double>{1, 2}, {{2, 0}}))); }),
              DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(s->bytes().empty());
    for (std::uint16_t code : {12, 15, 0x2005, 0x4005, 0xFFFF}) {
        auto in = MemoryStream::Create({static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code >> 8), 0, 0, 0, 0});
        EXPECT_EQ(StatusOf([&] { ReadVariantForm(in.get()); }), DISP_E_BADVARTYPE) << code;
    }
    auto i8 = MemoryStream::Create({20, 0, 4, 0, 0, 0, 'x', 0, 0, 0});
    EXPECT_EQ(StatusOf([&] { ReadVariantForm(i8.get()); }), E_INVALIDARG);
}

TEST(ObjectStream, NullObjectsWriteTheNullIdentity) {
    auto s = MemoryStream::Create();
    SaveObject(s.get(), nullptr);
    EXPECT_EQ(s->bytes(), std::vector<std::uint8_t>(16, 0));
    s->Seek(0, SeekOrigin::Set, nullptr);
    EXPECT_FALSE(LoadObject(s.get()));
}

}  // namespace
