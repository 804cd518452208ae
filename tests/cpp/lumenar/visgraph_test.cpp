// The control's persistence and its printed page, without a window or a printer.
#include <gtest/gtest.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "Lumenar/Printer.h"
#include "Lumenar/VisGraph.h"

namespace {

using namespace automation;
using lumenar::CVisGraph;

std::vector<std::uint8_t> Record(std::uint32_t version, std::uint32_t cx, std::uint32_t cy) {
    std::vector<std::uint8_t> bytes(12);
    const std::uint32_t words[] = {version, cx, cy};
    std::memcpy(bytes.data(), words, sizeof words);
    return bytes;
}

std::vector<std::uint8_t> Saved(CVisGraph& g) {
    auto stream = MemoryStream::Create();
    EXPECT_EQ(static_cast<IPersistStreamInit&>(g).Save(stream.get(), true), S_OK);
    return stream->bytes();
}

TEST(VisGraphPersistence, StreamRecordRoundTripsAndRefusesLaterVersions) {
    auto g = std::make_unique<CVisGraph>();
    IPersistStreamInit& persist = *g;
    EXPECT_EQ(Saved(*g), Record(0x0300, 5080, 5080));
    std::uint64_t size = 0;
    EXPECT_EQ(persist.GetSizeMax(&size), S_OK);
    EXPECT_EQ(size, 12u);

    EXPECT_EQ(persist.Load(MemoryStream::Create(Record(0x0300, 1, 2)).get()), S_OK);
    EXPECT_EQ(Saved(*g), Record(0x0300, 1, 2));
    EXPECT_EQ(persist.Load(MemoryStream::Create(Record(0x0301, 3, 4)).get()), E_FAIL);
    EXPECT_NE(persist.Load(MemoryStream::Create({0x00, 0x03, 0x00, 0x00, 9}).get()), S_OK);
    EXPECT_EQ(Saved(*g), Record(0x0300, 1, 2));
    EXPECT_EQ(persist.InitNew(), S_OK);
    EXPECT_EQ(Saved(*g), Record(0x0300, 5080, 5080));
    EXPECT_EQ(persist.Load(static_cast<IStream*>(nullptr)), E_POINTER);
    TakeErrorInfo();
}

struct Bag final : IPropertyBag {
    HRESULT QueryInterface(const IID&, void**) override { return E_NOINTERFACE; }
    std::uint32_t AddRef() override { return 1; }
    std::uint32_t Release() override { return 1; }
    HRESULT Read(const char16_t* name, Variant* value) override {
        auto it = values.find(name);
        if (it == values.end()) return E_INVALIDARG;
        *value = it->second;
        return S_OK;
    }
    HRESULT Write(const char16_t* name, const Variant& value) override {
        values[name] = value;
        return S_OK;
    }
    std::map<std::u16string, Variant> values;
};

TEST(VisGraphPersistence, PropertyBagHoldsCxAndCyAsUnsignedWords) {
    auto g = std::make_unique<CVisGraph>();
    IPersistPropertyBag& persist = *g;
    Bag bag;
    ASSERT_EQ(persist.Save(&bag, true, true), S_OK);
    ASSERT_EQ(bag.values.size(), 2u);
    EXPECT_EQ(bag.values[u"_cx"].vt(), VT_UI4);
    EXPECT_EQ(bag.values[u"_cy"].ui4(), 5080u);

    Bag in;
    in.values[u"_cx"] = Variant::UInt4(4000000000u);
    ASSERT_EQ(persist.Load(&in), S_OK);
    EXPECT_EQ(Saved(*g), Record(0x0300, 4000000000u, 5080));
}

// Cairo and fontconfig keep their font caches for the life of the process; they are let go at the
// end of the test so that the leak checker sees only what the page left behind.
struct FontCaches {
    ~FontCaches() {
        cairo_debug_reset_static_data();
        FcFini();
    }
};

TEST(PrintedPage, HoldsTheCaptionAndThePicture) {
    FontCaches caches;
    const lumenar::PageArea a4{595.0, 842.0, 18.0, 18.0, 18.0, 18.0};
    const int side = 8;
    std::vector<std::uint8_t> rgb(side * side * 3, 200);
    const std::string page = lumenar::ComposePdfPage(a4, "Here is my first printed picture", rgb, side);
    ASSERT_EQ(page.rfind("%PDF", 0), 0u);
    EXPECT_NE(page.find("/Width 8"), std::string::npos);
    EXPECT_NE(page.find("/MediaBox [ 0 0 595 842 ]"), std::string::npos);

    const std::string captionOnly = lumenar::ComposePdfPage(a4, "Here is my first printed picture", {}, side);
    EXPECT_EQ(captionOnly.find("/Subtype /Image"), std::string::npos);
}

}  // namespace
