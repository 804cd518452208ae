// The conversion service: variants of numbers in every shape a caller passes, to contiguous
// doubles in storage order and back into the result shapes the return-type codes select.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "automation/conversion.h"
#include "automation/failure.h"
#include "automation/guid.h"

namespace {

using namespace automation;
using Values = std::vector<double>;

Variant R8Array(Values v, std::vector<SafeArrayBound> bounds) { return Variant(SafeArray(std::move(v), bounds)); }

Variant I4Array(std::vector<std::int32_t> v, std::vector<SafeArrayBound> bounds) {
    SafeArray a(VT_I4, bounds);
    std::copy(v.begin(), v.end(), a.i4().begin());
    return Variant(std::move(a));
}

Variant VariantArray(std::vector<Variant> v, std::vector<SafeArrayBound> bounds) {
    SafeArray a(VT_VARIANT, bounds);
    std::move(v.begin(), v.end(), a.variants().begin());
    return Variant(std::move(a));
}

// Storage that holds the variants referred to by the by-reference cases.
Variant g_refArray = R8Array({4, 5, 6}, {{3, 1}});
Variant g_refScalar(2.5);
Variant g_refMissing = Variant::Missing();
double g_refDouble = 7.5;

struct ToDoubles {
    const char* name;
    std::function<Variant()> make;
    Values expected;
    HRESULT failure = S_OK;
};

std::vector<ToDoubles> Cases() {
    return {
        {"double", [] { return Variant(2.5); }, {2.5}},
        {"long", [] { return Variant(3); }, {3}},
        {"short", [] { return Variant::Short(-4); }, {-4}},
        {"float", [] { return Variant::Float(0.5f); }, {0.5}},
        {"empty", [] { return Variant(); }, {}},
        {"missing", [] { return Variant::Missing(); }, {}},
        {"1-D doubles from 1", [] { return R8Array({1, 2, 3}, {{3, 1}}); }, {1, 2, 3}},
        {"2-D doubles 2x3", [] { return R8Array({0, 1, 2, 3, 4, 5}, {{2, 1}, {3, 1}}); }, {0, 1, 2, 3, 4, 5}},
        {"1-D longs", [] { return I4Array({7, -8}, {{2, 0}}); }, {7, -8}},
        {"2-D longs 3x1", [] { return I4Array({1, 2, 3}, {{3, 1}, {1, 1}}); }, {1, 2, 3}},
        {"1-D variants with an empty element",
         [] { return VariantArray({Variant(1.5), Variant(), Variant(4), Variant::Short(2)}, {{4, 0}}); },
         {1.5, 0, 4, 2}},
        {"2-D variants 2x2",
         [] { return VariantArray({Variant(1.0), Variant(2.0), Variant(3), Variant()}, {{2, 1}, {2, 1}}); },
         {1, 2, 3, 0}},
        {"empty array", [] { return R8Array({}, {{0, 0}}); }, {}},
        {"reference to an array", [] { return Variant::RefVariant(&g_refArray); }, {4, 5, 6}},
        {"reference to a number", [] { return Variant::RefVariant(&g_refScalar); }, {2.5}},
        {"reference to missing", [] { return Variant::RefVariant(&g_refMissing); }, {}},
        {"double by reference", [] { return Variant::RefDoubles(&g_refDouble, 1); }, {7.5}},
        {"text", [] { return Variant(u"1.5"); }, {}, DISP_E_TYPEMISMATCH},
        {"text element",
         [] { return VariantArray({Variant(1.0), Variant(u"2"), Variant(3.0)}, {{3, 0}}); },
         {},
         DISP_E_TYPEMISMATCH},
        {"error element", [] { return VariantArray({Variant(1.0), Variant::Error(E_FAIL)}, {{2, 0}}); }, {},
         DISP_E_TYPEMISMATCH},
        {"array of text", [] { return Variant(SafeArray(VT_BSTR, {{2, 0}})); }, {}, DISP_E_TYPEMISMATCH},
    };
}

template <class F>
void ExpectFailure(HRESULT code, F&& f) {
    try {
        f();
        ADD_FAILURE() << "no failure";
    } catch (const StatusError& e) {
        EXPECT_EQ(e.code(), code) << e.description();
    }
}

TEST(VariantToDouble, GivesTheValuesInStorageOrder) {
    for (const ToDoubles& c : Cases()) {
        SCOPED_TRACE(c.name);
        Variant v = c.make();
        if (c.failure != S_OK) {
            ExpectFailure(c.failure, [&] { VariantToDouble(v); });
            continue;
        }
        try {
            EXPECT_EQ(VariantToDouble(v), c.expected);
        } catch (const StatusError& e) {
            ADD_FAILURE() << "failed with " << std::hex << e.code() << " " << e.description();
        }
    }
}

// The caller's buffer: capacity 3 with a guard after it, as the callers' fixed buffers.
TEST(VariantToDouble, IntoABufferNeverWritesPastItAndReportsTheFullCount) {
    constexpr double guard = -12345.0;
    for (const ToDoubles& c : Cases()) {
        if (c.failure != S_OK) continue;
        SCOPED_TRACE(c.name);
        Variant v = c.make();
        std::array<double, 4> storage;
        storage.fill(guard);
        std::size_t n = 0;
        try {
            n = VariantToDouble(v, std::span<double>(storage.data(), 3));
        } catch (const StatusError& e) {
            ADD_FAILURE() << "failed with " << std::hex << e.code() << " " << e.description();
            continue;
        }
        EXPECT_EQ(n, c.expected.size());
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(storage[i], i < c.expected.size() ? c.expected[i] : guard) << "element " << i;
        EXPECT_EQ(storage[3], guard);
    }
    Values big(10);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<double>(i);
    Variant v = R8Array(big, {{5, 0}, {2, 0}});
    std::array<double, 4> storage;
    storage.fill(guard);
    EXPECT_EQ(VariantToDouble(v, std::span<double>(storage.data(), 3)), 10u);
    EXPECT_EQ(storage, (std::array<double, 4>{0, 1, 2, guard}));
}

TEST(VariantToDoubleWithDimensionCheck, FillsOnlyWhenTheSizesMatch) {
    constexpr double guard = -1.0;
    Variant m = R8Array({1, 2, 3, 4, 5, 6}, {{2, 1}, {3, 1}});
    Variant row = VariantArray({Variant(1.0), Variant(2.0), Variant(3.0), Variant(4.0)}, {{4, 0}});
    Variant badElement = VariantArray({Variant(1.0), Variant(u"x")}, {{2, 0}});
    struct Case {
        const char* name;
        const Variant* v;
        std::vector<std::size_t> dims;
        std::size_t capacity;
        HRESULT failure;
    };
    const Case cases[] = {
        {"2x3 as 2x3", &m, {2, 3}, 6, S_OK},
        {"1-D 4 as 4", &row, {4}, 8, S_OK},
        {"2x3 as 3x2", &m, {3, 2}, 6, E_INVALIDARG},
        {"2x3 as 6", &m, {6}, 6, E_INVALIDARG},
        {"1-D 4 as 5", &row, {5}, 8, E_INVALIDARG},
        {"1-D 4 as 4x1", &row, {4, 1}, 8, E_INVALIDARG},
        {"buffer too small", &m, {2, 3}, 5, E_INVALIDARG},
        {"no dimensions", &m, {}, 6, E_INVALIDARG},
        {"text element", &badElement, {2}, 2, DISP_E_TYPEMISMATCH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Values buffer(c.capacity + 1, guard);
        std::span<double> span(buffer.data(), c.capacity);
        if (c.failure == S_OK) {
            VariantToDoubleWithDimensionCheck(*c.v, c.dims, span);
            Values expected = VariantToDouble(*c.v);
            expected.resize(c.capacity + 1, guard);
            EXPECT_EQ(buffer, expected);
        } else {
            ExpectFailure(c.failure, [&] { VariantToDoubleWithDimensionCheck(*c.v, c.dims, span); });
            EXPECT_EQ(buffer, Values(c.capacity + 1, guard)) << "written although it failed";
        }
    }
    Values buffer(6, guard);
    VariantToDoubleWithDimensionCheck(Variant::RefVariant(&m), std::vector<std::size_t>{2, 3}, buffer);
    EXPECT_EQ(buffer, (Values{1, 2, 3, 4, 5, 6}));
}

TEST(VariantToDoubleWithDimensionCheck, IgnoresWhatUnreadElementsHold) {
    // 2 x 2, column-major: the element at index 1 (row 1, column 0) is not read.
    auto skipOne = [](std::size_t i) { return i != 1; };
    Variant texts = VariantArray({Variant(1.0), Variant(u"n/a"), Variant(3.0), Variant()}, {{2, 1}, {2, 1}});
    Variant numbers = R8Array({1, 9, 3, 4}, {{2, 0}, {2, 0}});
    EXPECT_EQ(VariantToDoubleWithDimensionCheck(texts, std::vector<std::size_t>{2, 2}, skipOne), (Values{1, 0, 3, 0}));
    EXPECT_EQ(VariantToDoubleWithDimensionCheck(Variant::RefVariant(&numbers), std::vector<std::size_t>{2, 2}, skipOne),
              (Values{1, 0, 3, 4}));
    ExpectFailure(DISP_E_TYPEMISMATCH,
                  [&] { VariantToDoubleWithDimensionCheck(texts, std::vector<std::size_t>{2, 2}, [](std::size_t) { return true; }); });
    ExpectFailure(E_INVALIDARG, [&] { VariantToDoubleWithDimensionCheck(numbers, std::vector<std::size_t>{4}, skipOne); });
}

TEST(VariantToDoubleWithDimensionCheck, GivesAMatrixInEitherOrder) {
    // Element (i, j) of the 2 x 3 matrix is 1 + i + 2 j, stored first index fastest.
    const Variant r8 = R8Array({1, 2, 3, 4, 5, 6}, {{2, 0}, {3, 0}});
    const Variant script = Double2DToVariant(1, 2, 3, Values{1, 3, 5, 2, 4, 6}, StorageOrder::RowMajor);
    const std::size_t dims[] = {2, 3};
    for (const Variant* v : {&r8, &script}) {
        EXPECT_EQ(VariantToDoubleWithDimensionCheck(*v, dims), (Values{1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(VariantToDoubleWithDimensionCheck(*v, dims, StorageOrder::RowMajor), (Values{1, 3, 5, 2, 4, 6}));
    }
    const std::size_t wrong[] = {3, 2};
    ExpectFailure(E_INVALIDARG, [&] { VariantToDoubleWithDimensionCheck(r8, wrong, StorageOrder::RowMajor); });
}

using ToVariantFn = Variant (*)(std::int32_t, const Values&);

TEST(DoubleToVariant, BuildsTheShapeTheCodeSelects) {
    const std::pair<const char*, ToVariantFn> functions[] = {
        {"DoubleToVariant span", [](std::int32_t rt, const Values& d) { return DoubleToVariant(rt, std::span(d)); }},
        {"DoubleToVariant vector", [](std::int32_t rt, const Values& d) { return DoubleToVariant(rt, Values(d)); }},
    };
    const Values data{1.5, -2, 3.25};
    for (const auto& [name, fn] : functions) {
        SCOPED_TRACE(name);
        // Code 0: a column of n rows and one column of doubles.
        Variant col = fn(0, data);
        ASSERT_EQ(col.vt(), VT_ARRAY | VT_R8);
        ASSERT_EQ(col.array().dims(), 2u);
        EXPECT_EQ(col.array().bound(0).cElements, 3u);
        EXPECT_EQ(col.array().bound(1).cElements, 1u);
        EXPECT_EQ(Values(col.array().r8().begin(), col.array().r8().end()), data);
        // Codes 1 and 2: a one-dimensional array of variants holding doubles.
        for (std::int32_t rt : {1, 2}) {
            Variant s = fn(rt, data);
            ASSERT_EQ(s.vt(), VT_ARRAY | VT_VARIANT);
            ASSERT_EQ(s.array().dims(), 1u);
            ASSERT_EQ(s.array().bound(0).cElements, 3u);
            for (std::size_t i = 0; i < data.size(); ++i) {
                ASSERT_EQ(s.array().variants()[i].vt(), VT_R8);
                EXPECT_EQ(s.array().variants()[i].r8(), data[i]);
            }
        }
        for (std::int32_t rt : {-1, 3, 99}) ExpectFailure(E_INVALIDARG, [&] { fn(rt, data); });
        Variant none = fn(1, {});
        EXPECT_EQ(none.array().count(), 0u);
    }
}

TEST(Double2DToVariant, ElementIJIsTheCallersElementIJ) {
    constexpr std::size_t rows = 2, cols = 3;
    auto m = [](std::size_t i, std::size_t j) { return 10.0 * static_cast<double>(i) + static_cast<double>(j); };
    Values colMajor(rows * cols), rowMajor(rows * cols);
    for (std::size_t i = 0; i < rows; ++i)
        for (std::size_t j = 0; j < cols; ++j) {
            colMajor[i + j * rows] = m(i, j);
            rowMajor[i * cols + j] = m(i, j);
        }
    const std::pair<StorageOrder, const Values*> inputs[] = {{StorageOrder::ColumnMajor, &colMajor},
                                                            {StorageOrder::RowMajor, &rowMajor}};
    for (const auto& [order, data] : inputs) {
        for (std::int32_t rt : {0, 1}) {
            SCOPED_TRACE("order " + std::to_string(static_cast<int>(order)) + ", rt " + std::to_string(rt));
            Variant v = Double2DToVariant(rt, rows, cols, *data, order);
            ASSERT_EQ(v.vt(), VT_ARRAY | (rt == 1 ? VT_VARIANT : VT_R8));
            SafeArray& a = v.array();
            ASSERT_EQ(a.dims(), 2u);
            EXPECT_EQ(a.bound(0).cElements, rows);
            EXPECT_EQ(a.bound(1).cElements, cols);
            for (std::size_t i = 0; i < rows; ++i)
                for (std::size_t j = 0; j < cols; ++j) {
                    double x = rt == 1 ? a.variants()[i + j * rows].r8() : a.r8()[i + j * rows];
                    EXPECT_EQ(x, m(i, j)) << "(" << i << ", " << j << ")";
                }
        }
    }
    ExpectFailure(E_INVALIDARG, [&] { Double2DToVariant(0, rows, cols + 1, colMajor, StorageOrder::ColumnMajor); });
    ExpectFailure(E_INVALIDARG, [&] { Double2DToVariant(5, rows, cols, colMajor, StorageOrder::ColumnMajor); });
}

TEST(GUIDasBSTR, GivesFreshIdentifiersInTheUpperCaseTextForm) {
    std::set<std::u16string> seen;
    for (int k = 0; k < 1000; ++k) {
        std::u16string text = GUIDasBSTR();
        std::string narrow = Utf16ToUtf8(text);
        ASSERT_TRUE(ParseGuid(narrow).has_value()) << narrow;
        EXPECT_EQ(narrow.find_first_of("abcdef"), std::string::npos) << narrow;
        EXPECT_EQ(narrow[15], '4') << narrow;
        EXPECT_NE(std::string("89AB").find(narrow[20]), std::string::npos) << narrow;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
