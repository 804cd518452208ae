#include "convert.h"

#include <pybind11/numpy.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "automation/bstr.h"
#include "conventions.h"
#include "errors.h"

namespace scripthost {

using namespace automation;

namespace {

std::uint32_t Extent(py::ssize_t n) {
    if (n < 0 || static_cast<std::uint64_t>(n) > std::numeric_limits<std::uint32_t>::max())
        throw py::value_error("array too large for an automation array");
    return static_cast<std::uint32_t>(n);
}

// A numeric numpy array (0, 1 or 2 dimensions) as VT_R8 values in column-major order: one copy.
Variant FromNumericArray(const py::array& in) {
    auto a = py::array_t<double, py::array::forcecast>::ensure(in);
    if (!a) throw py::error_already_set();
    const py::ssize_t nd = a.ndim();
    if (nd == 0) return Variant(*a.data());
    if (nd > 2) throw py::type_error("arrays of more than two dimensions are not supported");
    const py::ssize_t rows = a.shape(0), cols = nd == 2 ? a.shape(1) : 1;
    const std::size_t count = static_cast<std::size_t>(rows * cols);
    std::vector<double> values;
    const char* base = reinterpret_cast<const char*>(a.data());
    const py::ssize_t s0 = a.strides(0), s1 = nd == 2 ? a.strides(1) : 0;
    if (s0 == sizeof(double) && (nd == 1 || s1 == rows * static_cast<py::ssize_t>(sizeof(double)))) {
        values.assign(a.data(), a.data() + count);
    } else {
        values.resize(count);
        for (py::ssize_t j = 0; j < cols; ++j)
            for (py::ssize_t i = 0; i < rows; ++i)
                std::memcpy(&values[static_cast<std::size_t>(i + j * rows)], base + i * s0 + j * s1, sizeof(double));
    }
    std::vector<SafeArrayBound> bounds{{Extent(rows), 0}};
    if (nd == 2) bounds.push_back({Extent(cols), 0});
    return Variant(SafeArray(std::move(values), std::move(bounds)));
}

// Any other sequence: an array of variants, each element converted on its own.
Variant FromObjectArray(const py::array& a) {
    const py::ssize_t nd = a.ndim();
    if (nd == 0 || nd > 2) throw py::type_error("cannot pass this sequence as an automation array");
    const py::ssize_t rows = a.shape(0), cols = nd == 2 ? a.shape(1) : 1;
    std::vector<SafeArrayBound> bounds{{Extent(rows), 0}};
    if (nd == 2) bounds.push_back({Extent(cols), 0});
    SafeArray out(VT_VARIANT, std::move(bounds));
    auto elements = out.variants();
    auto get = a.attr("item");
    for (py::ssize_t j = 0; j < cols; ++j)
        for (py::ssize_t i = 0; i < rows; ++i)
            elements[static_cast<std::size_t>(i + j * rows)] = ToVariant(nd == 2 ? get(i, j) : get(i));
    return Variant(std::move(out));
}

bool IsNumericKind(char kind) { return kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f'; }

Variant FromSequence(py::handle seq) {
    py::module_ np = py::module_::import("numpy");
    py::array a;
    try {
        a = np.attr("asarray")(seq);
    } catch (py::error_already_set&) {
        a = np.attr("asarray")(seq, py::arg("dtype") = "object");
    }
    if (IsNumericKind(a.dtype().kind())) return FromNumericArray(a);
    if (a.dtype().kind() != 'O') a = a.attr("astype")("object");
    return FromObjectArray(a);
}

// The doubles of a VT_R8 array, or of an array of variants held as doubles, handed to numpy
// without a copy.
py::object NumpyFromDoubles(SafeArray& a) {
    std::vector<SafeArrayBound> bounds;
    for (std::size_t d = 0; d < a.dims(); ++d) bounds.push_back(a.bound(d));
    auto* values = new std::vector<double>(a.TakeDoubles());
    py::capsule owner(values, [](void* p) { delete static_cast<std::vector<double>*>(p); });
    std::vector<py::ssize_t> shape, strides;
    py::ssize_t stride = sizeof(double);
    for (const auto& b : bounds) {
        shape.push_back(b.cElements);
        strides.push_back(stride);
        stride *= b.cElements;
    }
    return py::array_t<double>(shape, strides, values->data(), owner);
}

bool IsNumber(const Variant& v) {
    switch (v.vt()) {
        case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4:
        case VT_I8: case VT_UI8: case VT_INT: case VT_UINT: case VT_DATE:
            return true;
        default:
            return false;
    }
}

std::vector<py::ssize_t> ShapeOf(const SafeArray& a) {
    std::vector<py::ssize_t> shape;
    for (std::size_t d = 0; d < a.dims(); ++d) shape.push_back(a.bound(d).cElements);
    return shape;
}

// An array of arbitrary values as a numpy object array of the array's shape.
py::object ArrayOfObjects(const SafeArray& a, std::vector<py::object>&& items) {
    py::module_ np = py::module_::import("numpy");
    py::object flat = np.attr("empty")(items.size(), py::arg("dtype") = "object");
    for (std::size_t k = 0; k < items.size(); ++k) flat[py::int_(k)] = std::move(items[k]);
    return flat.attr("reshape")(py::tuple(py::cast(ShapeOf(a))), py::arg("order") = "F");
}

py::object FromArray(Variant& v) {
    SafeArray& a = v.array();
    if (a.doubles()) return NumpyFromDoubles(a);
    switch (a.elementType()) {
        case VT_I4: {
            auto shape = ShapeOf(a);
            std::vector<py::ssize_t> strides;
            py::ssize_t stride = sizeof(std::int32_t);
            for (auto n : shape) {
                strides.push_back(stride);
                stride *= n;
            }
            return py::array_t<std::int32_t>(shape, strides, a.i4().data());
        }
        case VT_VARIANT: {
            auto elements = a.variants();
            bool numeric = true;
            for (const Variant& e : elements) numeric = numeric && IsNumber(e.Deref());
            if (numeric) {
                std::vector<double> values;
                values.reserve(elements.size());
                for (const Variant& e : elements) values.push_back(ToDouble(e));
                SafeArray r8(std::move(values), [&] {
                    std::vector<SafeArrayBound> b;
                    for (std::size_t d = 0; d < a.dims(); ++d) b.push_back(a.bound(d));
                    return b;
                }());
                return NumpyFromDoubles(r8);
            }
            std::vector<py::object> items;
            for (Variant& e : elements) items.push_back(FromVariant(std::move(e)));
            return ArrayOfObjects(a, std::move(items));
        }
        case VT_BSTR: {
            std::vector<py::object> items;
            for (const auto& s : a.bstr()) items.push_back(py::str(Utf16ToUtf8(s)));
            return ArrayOfObjects(a, std::move(items));
        }
        default: throw py::type_error("unsupported automation array");
    }
}

}  // namespace

namespace {

PyObject* g_missing = nullptr;

}  // namespace

void SetMissing(py::object missing) { g_missing = missing.release().ptr(); }

Variant ToVariant(py::handle o) {
    if (o.is_none()) return Variant();
    if (o.ptr() == g_missing) return Variant::Missing();
    if (PyBool_Check(o.ptr())) return Variant::Bool(o.ptr() == Py_True);
    if (py::isinstance<Dispatch>(o)) return Variant(o.cast<Dispatch&>().object.get());
    if (py::isinstance<py::str>(o)) return Variant(Utf8ToUtf16(Utf8Of(o)));
    if (py::isinstance<py::array>(o)) {
        auto a = py::reinterpret_borrow<py::array>(o);
        if (IsNumericKind(a.dtype().kind())) return FromNumericArray(a);
        return FromSequence(o);
    }
    if (py::isinstance<py::float_>(o)) return Variant(o.cast<double>());
    if (PyIndex_Check(o.ptr())) {
        PyObject* index = PyNumber_Index(o.ptr());
        if (!index) throw py::error_already_set();
        py::int_ i = py::reinterpret_steal<py::int_>(index);
        long long v = PyLong_AsLongLong(i.ptr());
        if (v == -1 && PyErr_Occurred()) {
            PyErr_Clear();
            double d = PyLong_AsDouble(i.ptr());
            if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
            return Variant(d);
        }
        if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
            return Variant(static_cast<std::int32_t>(v));
        return Variant(static_cast<double>(v));
    }
    if (py::isinstance<py::sequence>(o)) return FromSequence(o);
    if (PyNumber_Check(o.ptr())) {
        double v = PyFloat_AsDouble(o.ptr());
        if (v == -1.0 && PyErr_Occurred()) throw py::error_already_set();
        return Variant(v);
    }
    throw py::type_error("cannot pass a " + std::string(py::str(o.get_type().attr("__name__"))) +
                         " to an automation method");
}

py::object FromVariant(Variant&& in) {
    Variant v = std::move(in.Deref());
    if (v.IsArray()) return FromArray(v);
    switch (v.vt()) {
        case VT_EMPTY: case VT_NULL: case VT_ERROR: return py::none();
        case VT_BOOL: return py::bool_(v.boolVal() != 0);
        case VT_BSTR: return py::str(Utf16ToUtf8(v.bstr()));
        case VT_DISPATCH:
            if (!v.dispatch()) return py::none();
            return WrapObject(ComPtr<IDispatch>(v.dispatch()));
        case VT_UNKNOWN: return FromUnknown(v.unknown());
        case VT_I8: return py::int_(v.i8());
        case VT_UI8: return py::int_(v.ui8());
        case VT_I2: case VT_I4: case VT_INT: case VT_I1: case VT_UI1: case VT_UI2:
            return py::int_(ToInt32(v));
        case VT_UI4: case VT_UINT: return py::int_(v.ui4());
        case VT_R4: case VT_R8: case VT_DATE: return py::float_(ToDouble(v));
        default: throw py::type_error("unsupported automation value");
    }
}

}  // namespace scripthost
