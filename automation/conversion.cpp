#include "automation/conversion.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "automation/failure.h"
#include "automation/guid.h"

namespace automation {

namespace {

constexpr std::int32_t kColumn = 0;
constexpr std::int32_t kScript = 1;
constexpr std::int32_t kObject = 2;

[[noreturn]] void Mismatch() { throw StatusError(DISP_E_TYPEMISMATCH, "Type mismatch: numbers expected"); }

double ElementValue(const Variant& e) {
    const Variant& v = e.Deref();
    switch (v.vt()) {
        case VT_EMPTY: return 0.0;
        case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BOOL: case VT_I1: case VT_UI1: case VT_UI2:
        case VT_UI4: case VT_I8: case VT_UI8: case VT_INT: case VT_UINT: case VT_DATE:
            return ToDouble(v);
        default: Mismatch();
    }
}

// Calls sink(index, value) for every value of v in storage order; returns the count.
template <class Sink>
std::size_t ForEachValue(const Variant& in, Sink&& sink) {
    const Variant& v = in.Deref();
    if (v.vt() == VT_EMPTY || v.IsMissing()) return 0;
    if (v.vt() == (VT_BYREF | VT_R8)) {
        for (std::size_t i = 0; i < v.extent(); ++i) sink(i, v.refDoubles()[i]);
        return v.extent();
    }
    if (!v.IsArray()) {
        sink(0, ElementValue(v));
        return 1;
    }
    SafeArray& a = v.array();
    if (a.dims() > 2) Mismatch();
    std::size_t n = a.count();
    if (const std::vector<double>* d = a.doubles()) {
        for (std::size_t i = 0; i < n; ++i) sink(i, (*d)[i]);
        return n;
    }
    switch (a.elementType()) {
        case VT_I4: {
            auto d = a.i4();
            for (std::size_t i = 0; i < n; ++i) sink(i, d[i]);
            break;
        }
        case VT_VARIANT: {
            auto d = a.variants();
            for (std::size_t i = 0; i < n; ++i) sink(i, ElementValue(d[i]));
            break;
        }
        default: Mismatch();
    }
    return n;
}

[[noreturn]] void DimensionMismatch() {
    throw StatusError(E_INVALIDARG, "Array dimensions do not match what was expected");
}

// The element count of an array whose dimension sizes are exactly `dims` (1 or 2 of them).
std::size_t CheckedCount(const Variant& in, std::span<const std::size_t> dims) {
    const Variant& v = in.Deref();
    bool match = v.IsArray() && v.array().dims() == dims.size() && (dims.size() == 1 || dims.size() == 2);
    std::size_t total = 1;
    for (std::size_t k = 0; match && k < dims.size(); ++k) {
        match = v.array().bound(k).cElements == dims[k];
        total *= dims[k];
    }
    if (!match) DimensionMismatch();
    return total;
}

void CheckShape(std::int32_t rt) {
    if (rt != kColumn && rt != kScript && rt != kObject)
        throw StatusError(E_INVALIDARG, "Invalid return type " + std::to_string(rt));
}

std::uint32_t Extent(std::size_t n) {
    if (n > std::numeric_limits<std::uint32_t>::max()) throw StatusError(E_INVALIDARG, "Array too large");
    return static_cast<std::uint32_t>(n);
}

// Variants holding doubles, kept as the doubles themselves (SafeArray::VariantsOfDoubles).
Variant ScriptArray(std::vector<double>&& data, std::vector<SafeArrayBound> bounds) {
    return Variant(SafeArray::VariantsOfDoubles(std::move(data), std::move(bounds)));
}

}  // namespace

std::vector<double> VariantToDouble(const Variant& v) {
    std::vector<double> out;
    const Variant& d = v.Deref();
    if (d.IsArray() && d.array().dims() <= 2) {
        if (const std::vector<double>* values = d.array().doubles()) return *values;
    }
    if (d.IsArray()) out.reserve(d.array().count());
    ForEachValue(v, [&](std::size_t, double x) { out.push_back(x); });
    return out;
}

std::span<const double> VariantToDoubleView(const Variant& v, std::vector<double>& storage) {
    const Variant& d = v.Deref();
    if (d.vt() == (VT_BYREF | VT_R8)) return {d.refDoubles(), d.extent()};
    if (d.IsArray() && d.array().dims() <= 2) {
        if (const std::vector<double>* values = d.array().doubles()) return *values;
    }
    storage = VariantToDouble(v);
    return storage;
}

std::size_t VariantToDouble(const Variant& v, std::span<double> buffer) {
    return ForEachValue(v, [&](std::size_t i, double x) {
        if (i < buffer.size()) buffer[i] = x;
    });
}

std::vector<double> VariantToDoubleWithDimensionCheck(const Variant& in, std::span<const std::size_t> dims,
                                                      StorageOrder order) {
    CheckedCount(in, dims);
    const Variant& v = in.Deref();
    if (order == StorageOrder::ColumnMajor || dims.size() == 1) return VariantToDouble(v);
    const std::size_t rows = dims[0], cols = dims[1];
    std::vector<double> out(rows * cols);
    ForEachValue(v, [&](std::size_t k, double x) { out[(k % rows) * cols + k / rows] = x; });
    return out;
}

void VariantToDoubleWithDimensionCheck(const Variant& in, std::span<const std::size_t> dims, std::span<double> buffer) {
    if (CheckedCount(in, dims) > buffer.size()) DimensionMismatch();
    std::vector<double> values = VariantToDouble(in);
    std::copy(values.begin(), values.end(), buffer.begin());
}

std::vector<double> VariantToDoubleWithDimensionCheck(const Variant& in, std::span<const std::size_t> dims,
                                                      const std::function<bool(std::size_t)>& read) {
    const std::size_t n = CheckedCount(in, dims);
    SafeArray& a = in.Deref().array();
    std::vector<double> values(n, 0.0);
    if (a.elementType() == VT_VARIANT) {
        auto d = a.variants();
        for (std::size_t i = 0; i < n; ++i)
            if (read(i)) values[i] = ElementValue(d[i]);
        return values;
    }
    values = VariantToDouble(in);
    for (std::size_t i = 0; i < n; ++i)
        if (!read(i)) values[i] = 0.0;
    return values;
}

Variant DoubleToVariant(std::int32_t rt, std::span<const double> data) {
    return DoubleToVariant(rt, std::vector<double>(data.begin(), data.end()));
}

Variant DoubleToVariant(std::int32_t rt, std::vector<double>&& data) {
    CheckShape(rt);
    if (rt == kColumn) {
        std::uint32_t n = Extent(data.size());
        return Variant(SafeArray(std::move(data), {{n, 0}, {1, 0}}));
    }
    std::uint32_t n = Extent(data.size());
    return ScriptArray(std::move(data), {{n, 0}});
}

Variant Double2DToVariant(std::int32_t rt, std::size_t rows, std::size_t cols, std::span<const double> data,
                          StorageOrder order) {
    CheckShape(rt);
    if (rows != 0 && cols > data.size() / rows) throw StatusError(E_INVALIDARG, "Matrix larger than its data");
    std::uint32_t r = Extent(rows), c = Extent(cols);
    auto at = [&](std::size_t i, std::size_t j) {
        return order == StorageOrder::ColumnMajor ? data[i + j * rows] : data[i * cols + j];
    };
    std::vector<double> values(rows * cols);
    if (order == StorageOrder::ColumnMajor) {
        std::copy_n(data.begin(), rows * cols, values.begin());
    } else {
        for (std::size_t j = 0; j < cols; ++j)
            for (std::size_t i = 0; i < rows; ++i) values[i + j * rows] = at(i, j);
    }
    if (rt == kScript || rt == kObject) return ScriptArray(std::move(values), {{r, 0}, {c, 0}});
    return Variant(SafeArray(std::move(values), {{r, 0}, {c, 0}}));
}

Variant Int2DToVariant(std::int32_t rt, std::size_t rows, std::size_t cols, std::vector<std::int32_t>&& data) {
    if (data.size() != rows * cols) throw StatusError(E_INVALIDARG, "Matrix size does not match its data");
    std::uint32_t r = Extent(rows), c = Extent(cols);
    if (rt == kScript) {
        SafeArray a(VT_VARIANT, {{r, 0}, {c, 0}});
        auto out = a.variants();
        for (std::size_t k = 0; k < data.size(); ++k) out[k] = Variant(static_cast<double>(data[k]));
        return Variant(std::move(a));
    }
    return Variant(SafeArray(std::move(data), {{r, 0}, {c, 0}}));
}

std::u16string GUIDasBSTR() {
    std::string text = GuidText(NewGuid());
    return std::u16string(text.begin(), text.end());
}

}  // namespace automation
