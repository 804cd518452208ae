#include "automation/variant.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "automation/failure.h"
#include "automation/unknown.h"

namespace automation {

Variant::Variant(std::u16string v) : vt_(VT_BSTR) { u_.bstr = new std::u16string(std::move(v)); }

Variant::Variant(IDispatch* object) : vt_(VT_DISPATCH) {
    u_.disp = object;
    if (object) object->AddRef();
}

Variant::Variant(SafeArray&& array) : vt_(static_cast<VARTYPE>(VT_ARRAY | array.elementType())) {
    u_.array = new SafeArray(std::move(array));
}

Variant Variant::Bool(bool v) noexcept {
    Variant r;
    r.vt_ = VT_BOOL;
    r.u_.i2 = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

Variant Variant::Short(std::int16_t v) noexcept {
    Variant r;
    r.vt_ = VT_I2;
    r.u_.i2 = v;
    return r;
}

Variant Variant::Float(float v) noexcept {
    Variant r;
    r.vt_ = VT_R4;
    r.u_.r4 = v;
    return r;
}

Variant Variant::UInt4(std::uint32_t v) noexcept {
    Variant r;
    r.vt_ = VT_UI4;
    r.u_.i4 = static_cast<std::int32_t>(v);
    return r;
}

Variant Variant::Error(HRESULT code) noexcept {
    Variant r;
    r.vt_ = VT_ERROR;
    r.u_.scode = code;
    return r;
}

Variant Variant::RefVariant(Variant* target) noexcept {
    Variant r;
    r.vt_ = VT_BYREF | VT_VARIANT;
    r.u_.ref = target;
    return r;
}

Variant Variant::RefDoubles(double* data, std::uint32_t extent) noexcept {
    Variant r;
    r.vt_ = VT_BYREF | VT_R8;
    r.u_.ref = data;
    r.extent_ = extent;
    return r;
}

Variant Variant::RefInt32s(std::int32_t* data, std::uint32_t extent) noexcept {
    Variant r;
    r.vt_ = VT_BYREF | VT_I4;
    r.u_.ref = data;
    r.extent_ = extent;
    return r;
}

Variant Variant::Unknown(IUnknown* object) {
    Variant r;
    r.vt_ = VT_UNKNOWN;
    r.u_.unk = object;
    if (object) object->AddRef();
    return r;
}

Variant Variant::FromBits(VARTYPE vt, std::uint64_t bits) noexcept {
    Variant r;
    r.vt_ = vt;
    r.u_.ui8 = bits;
    return r;
}

Variant::Variant(const Variant& o) : vt_(o.vt_), extent_(o.extent_), u_(o.u_) {
    if (vt_ == VT_BSTR) u_.bstr = new std::u16string(*o.u_.bstr);
    else if (vt_ & VT_ARRAY && !(vt_ & VT_BYREF)) u_.array = new SafeArray(*o.u_.array);
    else if ((vt_ == VT_DISPATCH || vt_ == VT_UNKNOWN) && u_.unk) u_.unk->AddRef();
}

Variant::Variant(Variant&& o) noexcept : vt_(o.vt_), extent_(o.extent_), u_(o.u_) {
    o.vt_ = VT_EMPTY;
    o.u_.i8 = 0;
}

Variant& Variant::operator=(const Variant& o) {
    if (this != &o) *this = Variant(o);
    return *this;
}

Variant& Variant::operator=(Variant&& o) noexcept {
    // Take the value before releasing the old one, which may own it (an element of our own array).
    Variant taken(std::move(o));
    std::swap(vt_, taken.vt_);
    std::swap(extent_, taken.extent_);
    std::swap(u_, taken.u_);
    return *this;
}

Variant::~Variant() { Clear(); }

void Variant::Clear() noexcept {
    if (vt_ == VT_BSTR) delete u_.bstr;
    else if (vt_ & VT_ARRAY && !(vt_ & VT_BYREF)) delete u_.array;
    else if ((vt_ == VT_DISPATCH || vt_ == VT_UNKNOWN) && u_.unk) u_.unk->Release();
    vt_ = VT_EMPTY;
    extent_ = 0;
    u_.i8 = 0;
}

const Variant& Variant::Deref() const noexcept {
    return vt_ == (VT_BYREF | VT_VARIANT) ? *static_cast<const Variant*>(u_.ref) : *this;
}

Variant& Variant::Deref() noexcept {
    return vt_ == (VT_BYREF | VT_VARIANT) ? *static_cast<Variant*>(u_.ref) : *this;
}

SafeArray::SafeArray(VARTYPE elementType, std::vector<SafeArrayBound> bounds)
    : vt_(elementType), bounds_(std::move(bounds)) {
    std::size_t n = count();
    switch (vt_) {
        case VT_R8: data_ = std::vector<double>(n); break;
        case VT_I4: data_ = std::vector<std::int32_t>(n); break;
        case VT_BSTR: data_ = std::vector<std::u16string>(n); break;
        case VT_VARIANT: data_ = std::vector<Variant>(n); break;
        default: throw StatusError(DISP_E_BADVARTYPE, "unsupported array element type");
    }
}

SafeArray::SafeArray(std::vector<double>&& values, std::vector<SafeArrayBound> bounds)
    : vt_(VT_R8), bounds_(std::move(bounds)), data_(std::move(values)) {
    if (std::get<std::vector<double>>(data_).size() != count())
        throw StatusError(E_INVALIDARG, "array bounds do not match its values");
}

SafeArray::SafeArray(std::vector<std::int32_t>&& values, std::vector<SafeArrayBound> bounds)
    : vt_(VT_I4), bounds_(std::move(bounds)), data_(std::move(values)) {
    if (std::get<std::vector<std::int32_t>>(data_).size() != count())
        throw StatusError(E_INVALIDARG, "array bounds do not match its values");
}

std::size_t SafeArray::count() const noexcept {
    if (bounds_.empty()) return 0;
    std::size_t n = 1;
    for (const auto& b : bounds_) n *= b.cElements;
    return n;
}

SafeArray SafeArray::VariantsOfDoubles(std::vector<double>&& values, std::vector<SafeArrayBound> bounds) {
    SafeArray a(std::move(values), std::move(bounds));
    a.vt_ = VT_VARIANT;
    a.data_ = DoublesAsVariants{std::move(std::get<std::vector<double>>(a.data_))};
    return a;
}

std::span<Variant> SafeArray::variants() {
    if (auto* d = std::get_if<DoublesAsVariants>(&data_)) {
        std::vector<Variant> elements(d->values.begin(), d->values.end());
        data_ = std::move(elements);
    }
    return std::get<std::vector<Variant>>(data_);
}

const std::vector<double>* SafeArray::doubles() const noexcept {
    if (auto* d = std::get_if<DoublesAsVariants>(&data_)) return &d->values;
    return std::get_if<std::vector<double>>(&data_);
}

std::vector<double> SafeArray::TakeDoubles() {
    std::vector<double> out;
    if (auto* d = std::get_if<DoublesAsVariants>(&data_)) out = std::move(d->values);
    else out = std::move(std::get<std::vector<double>>(data_));
    data_ = std::vector<double>();
    if (vt_ == VT_VARIANT) data_ = DoublesAsVariants{};
    for (auto& b : bounds_) b.cElements = 0;
    return out;
}

namespace {

[[noreturn]] void Mismatch() { throw StatusError(DISP_E_TYPEMISMATCH, "Type mismatch"); }
[[noreturn]] void Overflow() { throw StatusError(DISP_E_OVERFLOW, "Overflow"); }

bool IsScalar(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
        case VT_INT: case VT_UINT: case VT_I8: case VT_UI8: case VT_R4: case VT_R8: case VT_DATE:
        case VT_BOOL: case VT_BSTR:
            return true;
        default:
            return false;
    }
}

// Text to number as the platform reads it: surrounding blanks allowed, the whole text must parse.
double ParseNumber(const std::u16string& text) {
    std::string s = Utf16ToUtf8(text);
    // Decimal forms only: strtod also reads "inf", "infinity", "nan" and hexadecimal numbers.
    std::size_t first = s.find_first_not_of(" \t");
    if (first != std::string::npos && (s[first] == '+' || s[first] == '-')) ++first;
    if (first >= s.size() || !(std::isdigit(static_cast<unsigned char>(s[first])) || s[first] == '.') ||
        s.find_first_of("xX") != std::string::npos)
        Mismatch();
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(begin, &end);
    if (end == begin) Mismatch();
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0' || std::isnan(v)) Mismatch();
    if (errno == ERANGE && std::isinf(v)) Overflow();
    return v;
}

double NumberOf(const Variant& v) {
    switch (v.vt()) {
        case VT_EMPTY: return 0.0;
        case VT_I1: case VT_I2: return v.i2();
        case VT_UI1: case VT_UI2: return static_cast<std::uint16_t>(v.i2());
        case VT_I4: case VT_INT: return v.i4();
        case VT_UI4: case VT_UINT: return static_cast<std::uint32_t>(v.i4());
        case VT_I8: return static_cast<double>(v.i8());
        case VT_UI8: return static_cast<double>(v.ui8());
        case VT_R4: return v.r4();
        case VT_R8: case VT_DATE: return v.r8();
        case VT_BOOL: return v.boolVal() ? -1.0 : 0.0;
        case VT_BSTR: return ParseNumber(v.bstr());
        default: Mismatch();
    }
}

// Doubles become integers rounded half to even, as on the platform.
std::int64_t RoundToInteger(double x, double lo, double hi) {
    if (std::isnan(x)) Overflow();
    double r = std::nearbyint(x);
    if (r < lo || r > hi) Overflow();
    return static_cast<std::int64_t>(r);
}

std::u16string FormatNumber(const Variant& v) {
    char buf[64];
    switch (v.vt()) {
        case VT_R4: std::snprintf(buf, sizeof buf, "%.7G", static_cast<double>(v.r4())); break;
        case VT_R8: case VT_DATE: std::snprintf(buf, sizeof buf, "%.15G", v.r8()); break;
        case VT_BOOL: return v.boolVal() ? u"True" : u"False";
        case VT_I8: std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v.i8())); break;
        case VT_UI8: std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(v.ui8())); break;
        default: std::snprintf(buf, sizeof buf, "%.0f", NumberOf(v)); break;
    }
    return Utf8ToUtf16(buf);
}

}  // namespace

Variant ChangeType(const Variant& in, VARTYPE to) {
    if (in.vt() == (VT_BYREF | VT_R8) && in.extent() >= 1) return ChangeType(Variant(*in.refDoubles()), to);
    const Variant& v = in.Deref();
    if (v.vt() == to) return v;
    if (!IsScalar(v.vt())) Mismatch();
    switch (to) {
        case VT_R8: return Variant(NumberOf(v));
        case VT_R4: {
            double x = NumberOf(v);
            if (std::isfinite(x) && std::fabs(x) > std::numeric_limits<float>::max()) Overflow();
            return Variant::Float(static_cast<float>(x));
        }
        case VT_I4: case VT_INT:
            return Variant(static_cast<std::int32_t>(RoundToInteger(NumberOf(v), INT32_MIN, INT32_MAX)));
        case VT_UI4:
            return Variant::UInt4(static_cast<std::uint32_t>(RoundToInteger(NumberOf(v), 0, UINT32_MAX)));
        case VT_I2:
            return Variant::Short(static_cast<std::int16_t>(RoundToInteger(NumberOf(v), INT16_MIN, INT16_MAX)));
        case VT_BOOL:
            if (v.vt() == VT_BSTR) {
                std::string s = Utf16ToUtf8(v.bstr());
                if (strcasecmp(s.c_str(), "true") == 0) return Variant::Bool(true);
                if (strcasecmp(s.c_str(), "false") == 0) return Variant::Bool(false);
            }
            return Variant::Bool(NumberOf(v) != 0.0);
        case VT_BSTR:
            if (v.vt() == VT_EMPTY) return Variant(std::u16string());
            return Variant(FormatNumber(v));
        default: Mismatch();
    }
}

double ToDouble(const Variant& v) { return ChangeType(v, VT_R8).r8(); }
std::int32_t ToInt32(const Variant& v) { return ChangeType(v, VT_I4).i4(); }
std::u16string ToText(const Variant& v) { return ChangeType(v, VT_BSTR).bstr(); }
bool ToBool(const Variant& v) { return ChangeType(v, VT_BOOL).boolVal() != 0; }

}  // namespace automation
