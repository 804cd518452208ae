// Variants and safe arrays: who owns what across copy, move and clear, the platform's type
// changes, omitted arguments and the array layout.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/dispatch.h"
#include "automation/failure.h"
#include "automation/variant.h"

namespace {

using namespace automation;

// An object that only counts its references; the test holds the first one.
struct CountedObject final : IDispatch {
    int refs = 1;
    HRESULT QueryInterface(const IID&, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return static_cast<std::uint32_t>(++refs); }
    std::uint32_t Release() override { return static_cast<std::uint32_t>(--refs); }
    const InterfaceInfo& GetInterfaceInfo() override {
        static const InterfaceInfo none{};
        return none;
    }
    HRESULT GetIDsOfNames(std::string_view, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT Invoke(DISPID, InvokeKind, Variant*, std::size_t, Variant*, ExcepInfo*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

TEST(VariantOwnership, ObjectReferencesFollowCopyMoveAndClear) {
    CountedObject obj;
    {
        Variant a(&obj);
        EXPECT_EQ(obj.refs, 2);
        Variant b(a);
        EXPECT_EQ(obj.refs, 3);
        Variant c(std::move(b));
        EXPECT_EQ(obj.refs, 3);
        EXPECT_EQ(b.vt(), VT_EMPTY);
        a = c;
        EXPECT_EQ(obj.refs, 3);
        a = a;
        EXPECT_EQ(obj.refs, 3);
        c = Variant(1.0);
        EXPECT_EQ(obj.refs, 2);
        b = std::move(a);
        EXPECT_EQ(obj.refs, 2);
        b.Clear();
        EXPECT_EQ(obj.refs, 1);
        EXPECT_EQ(b.vt(), VT_EMPTY);
        Variant d(&obj);
        d = Variant(u"replaced");
        EXPECT_EQ(obj.refs, 1);
    }
    EXPECT_EQ(obj.refs, 1);
}

TEST(VariantOwnership, ArraysOfVariantsCopyTheirElementsDeeply) {
    CountedObject obj;
    SafeArray sa(VT_VARIANT, {{3, 0}});
    sa.variants()[0] = Variant(&obj);
    sa.variants()[1] = Variant(u"text");
    sa.variants()[2] = Variant(&obj);
    Variant a(std::move(sa));
    EXPECT_EQ(obj.refs, 3);
    {
        Variant copy(a);
        EXPECT_EQ(obj.refs, 5);
        copy.array().variants()[1] = Variant(2.0);
        EXPECT_EQ(a.array().variants()[1].bstr(), u"text");
    }
    EXPECT_EQ(obj.refs, 3);
    a.Clear();
    EXPECT_EQ(obj.refs, 1);
}

TEST(VariantOwnership, StringsAndDoubleArraysAreOwnedPerVariant) {
    Variant s(u"abc");
    Variant t(s);
    t = Variant(u"other");
    EXPECT_EQ(s.bstr(), u"abc");

    Variant a(SafeArray(std::vector<double>{1, 2, 3}, {{3, 1}}));
    Variant b;
    b = a;
    b.array().r8()[0] = 9;
    EXPECT_EQ(a.array().r8()[0], 1);
    EXPECT_EQ(b.array().bound(0).lLbound, 1);
}

// Unwrapping a one-element array into the variant that holds it: the element must be taken
// before the array it lives in is released.
TEST(VariantOwnership, MoveAssignFromAValueNestedInsideItself) {
    SafeArray sa(VT_VARIANT, {{1, 0}});
    sa.variants()[0] = Variant(u"inner");
    Variant v(std::move(sa));
    v = std::move(v.array().variants()[0]);
    ASSERT_EQ(v.vt(), VT_BSTR);
    EXPECT_EQ(v.bstr(), u"inner");
}

TEST(VariantMissing, IsAnErrorHoldingParamNotFound) {
    Variant m = Variant::Missing();
    EXPECT_EQ(m.vt(), VT_ERROR);
    EXPECT_EQ(m.scode(), DISP_E_PARAMNOTFOUND);
    EXPECT_TRUE(m.IsMissing());
    EXPECT_TRUE(Variant(m).IsMissing());
    EXPECT_FALSE(Variant::Error(E_FAIL).IsMissing());
    EXPECT_FALSE(Variant().IsMissing());
    Variant target = Variant::Missing();
    EXPECT_TRUE(Variant::RefVariant(&target).Deref().IsMissing());
}

// One type change: the input, the type asked for, and the value or the failure expected.
struct Change {
    const char* name;
    Variant in;
    VARTYPE to;
    Variant expected;
    HRESULT failure = S_OK;
};

bool SameValue(const Variant& a, const Variant& b) {
    if (a.vt() != b.vt()) return false;
    switch (a.vt()) {
        case VT_EMPTY: return true;
        case VT_R8: return a.r8() == b.r8();
        case VT_R4: return a.r4() == b.r4();
        case VT_I4: return a.i4() == b.i4();
        case VT_I2: return a.i2() == b.i2();
        case VT_BOOL: return a.boolVal() == b.boolVal();
        case VT_BSTR: return a.bstr() == b.bstr();
        default: return false;
    }
}

std::string Show(const Variant& v) {
    switch (v.vt()) {
        case VT_R8: return "R8 " + std::to_string(v.r8());
        case VT_R4: return "R4 " + std::to_string(v.r4());
        case VT_I4: return "I4 " + std::to_string(v.i4());
        case VT_I2: return "I2 " + std::to_string(v.i2());
        case VT_BOOL: return "BOOL " + std::to_string(v.boolVal());
        case VT_BSTR: return "BSTR '" + Utf16ToUtf8(v.bstr()) + "'";
        default: return "vt " + std::to_string(v.vt());
    }
}

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ChangeType, FollowsThePlatformRules) {
    const Change cases[] = {
        // Doubles to integers round half to even.
        {"2.5 to I4", Variant(2.5), VT_I4, Variant(2)},
        {"3.5 to I4", Variant(3.5), VT_I4, Variant(4)},
        {"-2.5 to I4", Variant(-2.5), VT_I4, Variant(-2)},
        {"2.4999 to I4", Variant(2.4999), VT_I4, Variant(2)},
        {"-0.5 to I4", Variant(-0.5), VT_I4, Variant(0)},
        {"1.5 to I2", Variant(1.5), VT_I2, Variant::Short(2)},
        {"largest I4", Variant(2147483647.4), VT_I4, Variant(2147483647)},
        {"smallest I4", Variant(-2147483648.5), VT_I4, Variant(-2147483647 - 1)},
        {"smallest I2", Variant(-32768.5), VT_I2, Variant::Short(-32768)},
        // Out of range.
        {"above I4", Variant(2147483647.5), VT_I4, {}, DISP_E_OVERFLOW},
        {"below I4", Variant(-2147483649.0), VT_I4, {}, DISP_E_OVERFLOW},
        {"above I2", Variant(32767.5), VT_I2, {}, DISP_E_OVERFLOW},
        {"I4 above I2", Variant(40000), VT_I2, {}, DISP_E_OVERFLOW},
        {"infinity to I4", Variant(kInf), VT_I4, {}, DISP_E_OVERFLOW},
        {"NaN to I4", Variant(kNaN), VT_I4, {}, DISP_E_OVERFLOW},
        {"1e39 to R4", Variant(1e39), VT_R4, {}, DISP_E_OVERFLOW},
        // Numbers to numbers.
        {"I4 to R8", Variant(-7), VT_R8, Variant(-7.0)},
        {"I2 to R8", Variant::Short(-3), VT_R8, Variant(-3.0)},
        {"R4 to R8", Variant::Float(0.5f), VT_R8, Variant(0.5)},
        {"R8 to R4", Variant(0.25), VT_R4, Variant::Float(0.25f)},
        {"empty to R8", Variant(), VT_R8, Variant(0.0)},
        // Booleans.
        {"true to I4", Variant::Bool(true), VT_I4, Variant(-1)},
        {"false to R8", Variant::Bool(false), VT_R8, Variant(0.0)},
        {"0 to BOOL", Variant(0.0), VT_BOOL, Variant::Bool(false)},
        {"0.25 to BOOL", Variant(0.25), VT_BOOL, Variant::Bool(true)},
        {"-3 to BOOL", Variant(-3), VT_BOOL, Variant::Bool(true)},
        {"'True' to BOOL", Variant(u"True"), VT_BOOL, Variant::Bool(true)},
        {"'FALSE' to BOOL", Variant(u"FALSE"), VT_BOOL, Variant::Bool(false)},
        {"'yes' to BOOL", Variant(u"yes"), VT_BOOL, {}, DISP_E_TYPEMISMATCH},
        // Text to numbers.
        {"'  12.5 ' to R8", Variant(u"  12.5 "), VT_R8, Variant(12.5)},
        {"'-1e3' to I4", Variant(u"-1e3"), VT_I4, Variant(-1000)},
        {"'2.5' to I4", Variant(u"2.5"), VT_I4, Variant(2)},
        {"'3000000000' to I4", Variant(u"3000000000"), VT_I4, {}, DISP_E_OVERFLOW},
        {"'1e999' to R8", Variant(u"1e999"), VT_R8, {}, DISP_E_OVERFLOW},
        {"'abc' to R8", Variant(u"abc"), VT_R8, {}, DISP_E_TYPEMISMATCH},
        {"'' to R8", Variant(u""), VT_R8, {}, DISP_E_TYPEMISMATCH},
        {"'12abc' to I4", Variant(u"12abc"), VT_I4, {}, DISP_E_TYPEMISMATCH},
        {"'1 2' to R8", Variant(u"1 2"), VT_R8, {}, DISP_E_TYPEMISMATCH},
        {"'inf' to R8", Variant(u"inf"), VT_R8, {}, DISP_E_TYPEMISMATCH},
        {"'nan' to R8", Variant(u"nan"), VT_R8, {}, DISP_E_TYPEMISMATCH},
        {"'0x10' to I4", Variant(u"0x10"), VT_I4, {}, DISP_E_TYPEMISMATCH},
        // Numbers to text.
        {"R8 to text", Variant(0.1), VT_BSTR, Variant(u"0.1")},
        {"1/3 to text", Variant(1.0 / 3.0), VT_BSTR, Variant(u"0.333333333333333")},
        {"1e20 to text", Variant(1e20), VT_BSTR, Variant(u"1E+20")},
        {"I4 to text", Variant(-42), VT_BSTR, Variant(u"-42")},
        {"empty to text", Variant(), VT_BSTR, Variant(u"")},
        // What is not a number.
        {"missing to R8", Variant::Missing(), VT_R8, {}, DISP_E_TYPEMISMATCH},
        {"array to R8", Variant(SafeArray(VT_R8, {{1, 0}})), VT_R8, {}, DISP_E_TYPEMISMATCH},
    };
    for (const Change& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.failure != S_OK) {
            try {
                Variant r = ChangeType(c.in, c.to);
                ADD_FAILURE() << "converted to " << Show(r);
            } catch (const StatusError& e) {
                EXPECT_EQ(e.code(), c.failure);
            }
        } else {
            try {
                Variant r = ChangeType(c.in, c.to);
                EXPECT_TRUE(SameValue(r, c.expected)) << Show(r) << " instead of " << Show(c.expected);
            } catch (const StatusError& e) {
                ADD_FAILURE() << "failed with " << std::hex << e.code() << " " << e.description();
            }
        }
    }
}

TEST(ChangeType, ReadsThroughAReferenceAndLeavesItsSourceAlone) {
    Variant target(u"17");
    Variant ref = Variant::RefVariant(&target);
    EXPECT_EQ(ToInt32(ref), 17);
    EXPECT_EQ(target.vt(), VT_BSTR);
    EXPECT_EQ(ToText(Variant(2.0)), u"2");
    EXPECT_TRUE(ToBool(Variant(u"true")));
}

TEST(SafeArrayLayout, KeepsBoundsAndStoresTheFirstIndexFastest) {
    // A 3 x 2 spreadsheet range (lower bounds 1): element (i, j) sits at i + 3 j.
    SafeArray a(VT_I4, {{3, 1}, {2, 1}});
    EXPECT_EQ(a.dims(), 2u);
    EXPECT_EQ(a.count(), 6u);
    EXPECT_EQ(a.bound(0).cElements, 3u);
    EXPECT_EQ(a.bound(1).cElements, 2u);
    EXPECT_EQ(a.bound(0).lLbound, 1);
    EXPECT_EQ(a.i4().size(), 6u);
    Variant v(std::move(a));
    EXPECT_EQ(v.vt(), VT_ARRAY | VT_I4);
    Variant copy(v);
    EXPECT_EQ(copy.array().bound(1).lLbound, 1);
    EXPECT_EQ(copy.array().count(), 6u);

    EXPECT_THROW(SafeArray(std::vector<double>(5), {{3, 0}, {2, 0}}), StatusError);
}

TEST(SafeArrayLayout, TakeDoublesHandsTheValuesOnWithoutACopy) {
    std::vector<double> values{1, 2, 3, 4};
    const double* data = values.data();
    SafeArray a(std::move(values), {{2, 0}, {2, 0}});
    EXPECT_EQ(a.r8().data(), data);
    std::vector<double> out = a.TakeDoubles();
    EXPECT_EQ(out.data(), data);
    EXPECT_EQ(out, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(a.count(), 0u);
    EXPECT_TRUE(a.r8().empty());
}

TEST(SafeArrayLayout, VariantsOfDoublesAreVariantsHoldingDoubles) {
    std::vector<double> values{1.5, 2.5, 3.5, 4.5, 5.5, 6.5};
    const double* data = values.data();
    SafeArray a = SafeArray::VariantsOfDoubles(std::move(values), {{3, 0}, {2, 0}});
    EXPECT_EQ(a.elementType(), VT_VARIANT);
    ASSERT_NE(a.doubles(), nullptr);
    EXPECT_EQ(a.doubles()->data(), data);

    // A copy keeps the compact form; asking for the variants gives each value as VT_R8.
    SafeArray b = a;
    auto elements = b.variants();
    ASSERT_EQ(elements.size(), 6u);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        EXPECT_EQ(elements[i].vt(), VT_R8);
        EXPECT_EQ(elements[i].r8(), 1.5 + static_cast<double>(i));
    }
    EXPECT_EQ(b.doubles(), nullptr) << "once the variants were handed out, they are the array";
    elements[0] = Variant(u"text");
    EXPECT_EQ(b.variants()[0].vt(), VT_BSTR);

    std::vector<double> out = a.TakeDoubles();
    EXPECT_EQ(out.data(), data);
    EXPECT_EQ(a.count(), 0u);
    EXPECT_EQ(a.elementType(), VT_VARIANT);
    EXPECT_TRUE(a.variants().empty());
}

}  // namespace
