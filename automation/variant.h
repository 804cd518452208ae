// Variants and safe arrays with the platform's type codes and storage order.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "automation/bstr.h"
#include "automation/status.h"

namespace automation {

struct IUnknown;
struct IDispatch;
class SafeArray;

using VARTYPE = std::uint16_t;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

constexpr std::int16_t VARIANT_TRUE = -1;
constexpr std::int16_t VARIANT_FALSE = 0;

// A tagged value of one of the automation types. Owns its string, array or object reference.
// By-reference variants point at storage their creator keeps alive for the call; a by-reference
// VT_R8 may point at a caller's array of `extent()` doubles.
class Variant {
public:
    Variant() noexcept { u_.i8 = 0; }
    Variant(double v) noexcept : vt_(VT_R8) { u_.r8 = v; }
    Variant(std::int32_t v) noexcept : vt_(VT_I4) { u_.i4 = v; }
    Variant(std::u16string v);
    Variant(const char16_t* v) : Variant(std::u16string(v)) {}
    Variant(IDispatch* object);  // takes a new reference
    Variant(SafeArray&& array);
    static Variant Bool(bool v) noexcept;
    static Variant Short(std::int16_t v) noexcept;
    static Variant Error(HRESULT code) noexcept;
    // An omitted optional argument.
    static Variant Missing() noexcept { return Error(DISP_E_PARAMNOTFOUND); }
    static Variant Float(float v) noexcept;
    static Variant UInt4(std::uint32_t v) noexcept;
    static Variant RefVariant(Variant* target) noexcept;
    static Variant RefDoubles(double* data, std::uint32_t extent) noexcept;
    static Variant RefInt32s(std::int32_t* data, std::uint32_t extent) noexcept;
    // An object reference that need not answer IDispatch (VT_UNKNOWN); takes a new reference.
    static Variant Unknown(IUnknown* object);
    // A fixed-size scalar of type vt (numbers, Booleans, error codes, currency, dates) from the
    // bytes of its value, little-endian in the low bytes of `bits`.
    static Variant FromBits(VARTYPE vt, std::uint64_t bits) noexcept;

    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant();

    VARTYPE vt() const noexcept { return vt_; }
    bool IsMissing() const noexcept { return vt_ == VT_ERROR && u_.scode == DISP_E_PARAMNOTFOUND; }
    bool IsArray() const noexcept { return (vt_ & VT_ARRAY) != 0; }
    void Clear() noexcept;

    // Follows a by-reference VT_VARIANT to the variant it names; otherwise this variant.
    const Variant& Deref() const noexcept;
    Variant& Deref() noexcept;

    // Raw accessors; callers check vt() first.
    double r8() const noexcept { return u_.r8; }
    float r4() const noexcept { return u_.r4; }
    std::int32_t i4() const noexcept { return u_.i4; }
    std::uint32_t ui4() const noexcept { return static_cast<std::uint32_t>(u_.i4); }
    std::int16_t i2() const noexcept { return u_.i2; }
    std::int64_t i8() const noexcept { return u_.i8; }
    std::uint64_t ui8() const noexcept { return u_.ui8; }
    std::int16_t boolVal() const noexcept { return u_.i2; }
    HRESULT scode() const noexcept { return u_.scode; }
    const std::u16string& bstr() const noexcept { return *u_.bstr; }
    IDispatch* dispatch() const noexcept { return u_.disp; }
    IUnknown* unknown() const noexcept { return u_.unk; }
    SafeArray& array() const noexcept { return *u_.array; }
    double* refDoubles() const noexcept { return static_cast<double*>(u_.ref); }
    std::int32_t* refInt32s() const noexcept { return static_cast<std::int32_t*>(u_.ref); }
    // The bytes of a fixed-size scalar's value, as FromBits takes them.
    std::uint64_t bits() const noexcept { return u_.ui8; }
    std::uint32_t extent() const noexcept { return extent_; }

private:
    VARTYPE vt_ = VT_EMPTY;
    std::uint32_t extent_ = 0;
    union {
        double r8;
        float r4;
        std::int64_t i8;
        std::uint64_t ui8;
        std::int32_t i4;
        std::int16_t i2;
        HRESULT scode;
        std::u16string* bstr;
        IUnknown* unk;
        IDispatch* disp;
        SafeArray* array;
        void* ref;
    } u_;
};

struct SafeArrayBound {
    std::uint32_t cElements = 0;
    std::int32_t lLbound = 0;
};

// A one- or two-dimensional array of VT_R8, VT_I4, VT_BSTR or VT_VARIANT elements.
// The first index runs fastest; each dimension keeps its lower bound.
class SafeArray {
public:
    SafeArray(VARTYPE elementType, std::vector<SafeArrayBound> bounds);
    // Takes the values without copying them.
    SafeArray(std::vector<double>&& values, std::vector<SafeArrayBound> bounds);
    SafeArray(std::vector<std::int32_t>&& values, std::vector<SafeArrayBound> bounds);
    // An array of VT_VARIANT elements that all hold VT_R8, made from the doubles without a copy.
    // It keeps them as doubles until variants() is first asked for, so that results of millions
    // of values pass on to a caller that reads numbers without a cost per element.
    static SafeArray VariantsOfDoubles(std::vector<double>&& values, std::vector<SafeArrayBound> bounds);

    VARTYPE elementType() const noexcept { return vt_; }
    std::size_t dims() const noexcept { return bounds_.size(); }
    const SafeArrayBound& bound(std::size_t dim) const { return bounds_.at(dim); }
    std::size_t count() const noexcept;

    std::span<double> r8() { return std::get<std::vector<double>>(data_); }
    std::span<std::int32_t> i4() { return std::get<std::vector<std::int32_t>>(data_); }
    std::span<std::u16string> bstr() { return std::get<std::vector<std::u16string>>(data_); }
    std::span<Variant> variants();
    // The values of a VT_R8 array, or of a VT_VARIANT array still held as its doubles; null otherwise.
    const std::vector<double>* doubles() const noexcept;
    // Moves those doubles out, leaving an empty array; for handing results on without a copy.
    std::vector<double> TakeDoubles();

private:
    VARTYPE vt_;
    std::vector<SafeArrayBound> bounds_;
    // The doubles of a VT_VARIANT array whose elements all hold VT_R8 (see VariantsOfDoubles).
    struct DoublesAsVariants {
        std::vector<double> values;
    };
    std::variant<std::vector<double>, std::vector<std::int32_t>, std::vector<std::u16string>, std::vector<Variant>,
                 DoublesAsVariants>
        data_;
};

// The platform's type changes between numbers, Booleans and text; throws StatusError with
// DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW when the value does not convert.
Variant ChangeType(const Variant& v, VARTYPE to);
double ToDouble(const Variant& v);
std::int32_t ToInt32(const Variant& v);
std::u16string ToText(const Variant& v);
bool ToBool(const Variant& v);

}  // namespace automation
