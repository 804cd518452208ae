// Member tables: one declarative table per dispatch interface serves name look-up, DISPIDs,
// invocation and introspection. A row names the typed C++ method it calls; arguments are
// coerced generically from the method's signature, so no class converts its arguments by hand.
//
//   const DispatchTable<CAggCo> CAggCo::table{IID_IAggCo, "IAggCo", {
//       Method<&CAggCo::FreqMoms>(1, "FreqMoms", {In("fqDist"), In("params"), In("rt"), Result("varOut")},
//                                 "Raw moments of a claim-count distribution"),
//       PropGet<&CAggCo::get_DefaultParamFile>(57, "DefaultParamFile", {Result("pVal")},
//                                              "Path of the default parameter file"),
//   }};
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "automation/failure.h"
#include "automation/unknown.h"
#include "automation/variant.h"

namespace automation {

enum class ParamDir : std::uint8_t { In, Out, InOut, Optional, Result };

struct ParamInfo {
    const char* name;
    ParamDir dir;
    VARTYPE vt;  // VT_VARIANT for variants, VT_DISPATCH for objects, VT_BYREF|VT_R8 for raw arrays
};

struct MemberInfo {
    DISPID dispid;
    InvokeKind kind;
    const char* name;
    std::vector<ParamInfo> params;  // every parameter except the result, in published order
    const char* resultName;         // null when the member has no result
    VARTYPE resultVt;
    const char* help;               // one line: what the member does, as a type library's help string
};

struct InterfaceInfo {
    IID iid;
    const char* name;
    std::vector<MemberInfo> members;

    const MemberInfo* Find(DISPID id, InvokeKind kind) const;
    // Case-insensitive; every row of a name shares its DISPID.
    const MemberInfo* FindByName(std::string_view name) const;
};

// A caller's array of doubles passed by reference; the method never writes past `extent`.
struct RawDoubles {
    double* data;
    std::size_t extent;
};

// A caller's array of doubles that the method only reads.
struct ConstRawDoubles {
    const double* data;
    std::size_t extent;
};

// A caller's array of 32-bit integers passed by reference; the method never writes past `extent`.
struct RawInt32s {
    std::int32_t* data;
    std::size_t extent;
};

// One declared parameter of a row.
struct P {
    const char* name;
    ParamDir dir;
};
constexpr P In(const char* n) { return {n, ParamDir::In}; }
constexpr P Out(const char* n) { return {n, ParamDir::Out}; }
constexpr P InOut(const char* n) { return {n, ParamDir::InOut}; }
constexpr P Optional(const char* n) { return {n, ParamDir::Optional}; }
constexpr P Result(const char* n) { return {n, ParamDir::Result}; }

namespace detail {

[[noreturn]] void ThrowArgumentError(const StatusError& e, const ParamInfo& p);
[[noreturn]] void ThrowNotOptional(const ParamInfo& p);
[[noreturn]] void TableError(const char* member, const char* what);

bool IsOutDir(ParamDir d);

// How a parameter of declared C++ type T travels: its automation type, whether the method
// writes it, how it is read from its slot, passed to the method and written back.
template <class T>
struct Arg;

template <class Scalar, VARTYPE VT, Scalar (*Convert)(const Variant&)>
struct ScalarIn {
    static constexpr VARTYPE vt = VT;
    static constexpr bool writes = false;
    using Holder = Scalar;
    static Holder Load(Variant& slot, const ParamInfo&) { return Convert(slot); }
    static Scalar Pass(Holder& h) { return h; }
    static void Store(Variant&, Holder&) {}
};

inline std::int16_t ToInt16(const Variant& v) { return ChangeType(v, VT_I2).i2(); }

template <> struct Arg<std::int32_t> : ScalarIn<std::int32_t, VT_I4, ToInt32> {};
template <> struct Arg<std::int16_t> : ScalarIn<std::int16_t, VT_I2, ToInt16> {};
template <> struct Arg<double> : ScalarIn<double, VT_R8, ToDouble> {};
template <> struct Arg<bool> : ScalarIn<bool, VT_BOOL, ToBool> {};

template <>
struct Arg<const std::u16string&> {
    static constexpr VARTYPE vt = VT_BSTR;
    static constexpr bool writes = false;
    using Holder = std::u16string;
    static Holder Load(Variant& slot, const ParamInfo&) { return ToText(slot); }
    static const std::u16string& Pass(Holder& h) { return h; }
    static void Store(Variant&, Holder&) {}
};

template <>
struct Arg<const Variant&> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static constexpr bool writes = false;
    using Holder = const Variant*;
    static Holder Load(Variant& slot, const ParamInfo&) { return &slot.Deref(); }
    static const Variant& Pass(Holder h) { return *h; }
    static void Store(Variant&, Holder) {}
};

// Out and in-out variants are the caller's slot itself; an out slot is cleared first.
template <>
struct Arg<Variant&> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static constexpr bool writes = true;
    using Holder = Variant*;
    static Holder Load(Variant& slot, const ParamInfo& p) {
        Variant& target = slot.Deref();
        if (p.dir == ParamDir::Out) target.Clear();
        return &target;
    }
    static Variant& Pass(Holder h) { return *h; }
    static void Store(Variant&, Holder) {}
};

template <class Scalar, Scalar (*Convert)(const Variant&)>
struct ScalarOut {
    static constexpr bool writes = true;
    using Holder = Scalar;
    static Holder Load(Variant& slot, const ParamInfo& p) {
        if (p.dir != ParamDir::InOut) return Scalar{};
        if (slot.vt() == (VT_BYREF | VT_R8) && slot.extent() >= 1) return Convert(Variant(*slot.refDoubles()));
        return Convert(slot);
    }
    static Scalar& Pass(Holder& h) { return h; }
    static void Store(Variant& slot, Holder& h) {
        if (slot.vt() == (VT_BYREF | VT_R8) && slot.extent() >= 1) *slot.refDoubles() = static_cast<double>(h);
        else slot.Deref() = Variant(h);
    }
};

template <> struct Arg<double&> : ScalarOut<double, ToDouble> { static constexpr VARTYPE vt = VT_R8; };
template <> struct Arg<std::int32_t&> : ScalarOut<std::int32_t, ToInt32> { static constexpr VARTYPE vt = VT_I4; };

template <>
struct Arg<IDispatch*> {
    static constexpr VARTYPE vt = VT_DISPATCH;
    static constexpr bool writes = false;
    using Holder = IDispatch*;
    static Holder Load(Variant& slot, const ParamInfo&) {
        const Variant& v = slot.Deref();
        if (v.vt() == VT_DISPATCH) return v.dispatch();
        if (v.vt() == VT_EMPTY) return nullptr;
        throw StatusError(DISP_E_TYPEMISMATCH, "Type mismatch");
    }
    static IDispatch* Pass(Holder h) { return h; }
    static void Store(Variant&, Holder) {}
};

// A raw array parameter: the caller's doubles, by reference, with their extent.
template <>
struct Arg<RawDoubles> {
    static constexpr VARTYPE vt = VT_BYREF | VT_R8;
    static constexpr bool writes = true;
    using Holder = RawDoubles;
    static Holder Load(Variant& slot, const ParamInfo&) {
        if (slot.vt() != (VT_BYREF | VT_R8)) throw StatusError(DISP_E_TYPEMISMATCH, "Type mismatch");
        return {slot.refDoubles(), slot.extent()};
    }
    static RawDoubles Pass(Holder h) { return h; }
    static void Store(Variant&, Holder) {}
};

template <>
struct Arg<ConstRawDoubles> {
    static constexpr VARTYPE vt = VT_BYREF | VT_R8;
    static constexpr bool writes = false;
    using Holder = ConstRawDoubles;
    static Holder Load(Variant& slot, const ParamInfo&) {
        if (slot.vt() != (VT_BYREF | VT_R8)) throw StatusError(DISP_E_TYPEMISMATCH, "Type mismatch");
        return {slot.refDoubles(), slot.extent()};
    }
    static ConstRawDoubles Pass(Holder h) { return h; }
    static void Store(Variant&, Holder) {}
};

template <>
struct Arg<RawInt32s> {
    static constexpr VARTYPE vt = VT_BYREF | VT_I4;
    static constexpr bool writes = true;
    using Holder = RawInt32s;
    static Holder Load(Variant& slot, const ParamInfo&) {
        if (slot.vt() != (VT_BYREF | VT_I4)) throw StatusError(DISP_E_TYPEMISMATCH, "Type mismatch");
        return {slot.refInt32s(), slot.extent()};
    }
    static RawInt32s Pass(Holder h) { return h; }
    static void Store(Variant&, Holder) {}
};

// Results become variants.
inline Variant ToResult(Variant&& v) { return std::move(v); }
inline Variant ToResult(double v) { return Variant(v); }
inline Variant ToResult(std::int32_t v) { return Variant(v); }
inline Variant ToResult(std::int16_t v) { return Variant::Short(v); }
inline Variant ToResult(bool v) { return Variant::Bool(v); }
inline Variant ToResult(std::u16string&& v) { return Variant(std::move(v)); }
inline Variant ToResult(ComPtr<IDispatch>&& p) { return Variant(p.get()); }
inline Variant ToResult(ComPtr<IUnknown>&& p) { return Variant::Unknown(p.get()); }

template <class R> constexpr VARTYPE ResultVt() {
    if constexpr (std::is_same_v<R, double>) return VT_R8;
    else if constexpr (std::is_same_v<R, std::int32_t>) return VT_I4;
    else if constexpr (std::is_same_v<R, std::int16_t>) return VT_I2;
    else if constexpr (std::is_same_v<R, bool>) return VT_BOOL;
    else if constexpr (std::is_same_v<R, std::u16string>) return VT_BSTR;
    else if constexpr (std::is_same_v<R, ComPtr<IDispatch>>) return VT_DISPATCH;
    else if constexpr (std::is_same_v<R, ComPtr<IUnknown>>) return VT_UNKNOWN;
    else return VT_VARIANT;
}

template <class M>
struct MethodTraits;
template <class C, class R, class... A>
struct MethodTraits<R (C::*)(A...)> {
    using Class = C;
    using Return = R;
    static constexpr std::size_t arity = sizeof...(A);
    template <std::size_t I>
    using ArgType = std::tuple_element_t<I, std::tuple<A...>>;
};

template <class T>
typename Arg<T>::Holder LoadArg(Variant& slot, const ParamInfo& p) {
    if (!Arg<T>::writes && p.dir != ParamDir::Optional && slot.Deref().IsMissing()) ThrowNotOptional(p);
    try {
        return Arg<T>::Load(slot, p);
    } catch (const StatusError& e) {
        ThrowArgumentError(e, p);
    }
}

template <auto M, std::size_t... I>
void CallWith(typename MethodTraits<decltype(M)>::Class& obj, const MemberInfo& info, Variant* args,
              Variant* result, std::index_sequence<I...>) {
    using MT = MethodTraits<decltype(M)>;
    // Braced initialisation loads the arguments in published order.
    std::tuple<typename Arg<typename MT::template ArgType<I>>::Holder...> holders{
        LoadArg<typename MT::template ArgType<I>>(args[I], info.params[I])...};
    if constexpr (std::is_void_v<typename MT::Return>) {
        (obj.*M)(Arg<typename MT::template ArgType<I>>::Pass(std::get<I>(holders))...);
    } else {
        auto r = (obj.*M)(Arg<typename MT::template ArgType<I>>::Pass(std::get<I>(holders))...);
        if (result) *result = ToResult(std::move(r));
    }
    (Arg<typename MT::template ArgType<I>>::Store(args[I], std::get<I>(holders)), ...);
}

}  // namespace detail

template <class C>
struct Member {
    MemberInfo info;
    void (*invoke)(C& obj, const MemberInfo& info, Variant* args, Variant* result);
};

// C is the class whose table holds the row: the method's own class, or a class derived from it
// (several classes sharing one implementation of an interface's members).
template <auto M, class C = typename detail::MethodTraits<decltype(M)>::Class>
Member<C> Row(DISPID id, InvokeKind kind, const char* name, std::initializer_list<P> declared, const char* help) {
    using MT = detail::MethodTraits<decltype(M)>;
    static_assert(std::is_base_of_v<typename MT::Class, C>, "the row's class must derive from the method's");
    constexpr bool hasResult = !std::is_void_v<typename MT::Return>;
    if (!help || !*help) detail::TableError(name, "every member needs a help string");
    MemberInfo info{id, kind, name, {}, nullptr, VT_EMPTY, help};
    std::vector<VARTYPE> argVts;
    std::vector<bool> argWrites;
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (argVts.push_back(detail::Arg<typename MT::template ArgType<I>>::vt), ...);
        (argWrites.push_back(detail::Arg<typename MT::template ArgType<I>>::writes), ...);
    }(std::make_index_sequence<MT::arity>{});
    std::size_t i = 0;
    for (const P& p : declared) {
        if (p.dir == ParamDir::Result) {
            if (!hasResult || &p != declared.end() - 1) detail::TableError(name, "result must be last and returned");
            info.resultName = p.name;
            info.resultVt = detail::ResultVt<typename MT::Return>();
            continue;
        }
        if (i >= MT::arity) detail::TableError(name, "more parameters declared than the method takes");
        if (detail::IsOutDir(p.dir) != argWrites[i]) detail::TableError(name, "direction does not match the method");
        info.params.push_back(ParamInfo{p.name, p.dir, argVts[i]});
        ++i;
    }
    if (i != MT::arity) detail::TableError(name, "fewer parameters declared than the method takes");
    if (hasResult && !info.resultName) detail::TableError(name, "the method's return value needs a Result row");
    auto invoke = [](C& obj, const MemberInfo& mi, Variant* args, Variant* result) {
        detail::CallWith<M>(obj, mi, args, result, std::make_index_sequence<MT::arity>{});
    };
    return Member<C>{std::move(info), invoke};
}

template <auto M, class C = typename detail::MethodTraits<decltype(M)>::Class>
auto Method(DISPID id, const char* name, std::initializer_list<P> params, const char* help) {
    return Row<M, C>(id, InvokeKind::Method, name, params, help);
}
template <auto M, class C = typename detail::MethodTraits<decltype(M)>::Class>
auto PropGet(DISPID id, const char* name, std::initializer_list<P> params, const char* help) {
    return Row<M, C>(id, InvokeKind::PropertyGet, name, params, help);
}
template <auto M, class C = typename detail::MethodTraits<decltype(M)>::Class>
auto PropPut(DISPID id, const char* name, std::initializer_list<P> params, const char* help) {
    return Row<M, C>(id, InvokeKind::PropertyPut, name, params, help);
}

template <class C>
class DispatchTable {
public:
    DispatchTable(const IID& iid, const char* name, std::initializer_list<Member<C>> rows)
        : DispatchTable(iid, name, std::vector<Member<C>>(rows)) {}
    // Rows assembled from parts, e.g. an inherited interface's rows followed by the class's own.
    DispatchTable(const IID& iid, const char* name, std::vector<Member<C>> rows) : rows_(std::move(rows)) {
        info_.iid = iid;
        info_.name = name;
        for (const auto& r : rows_) info_.members.push_back(r.info);
    }
    const InterfaceInfo& info() const { return info_; }
    const Member<C>* Find(DISPID id, InvokeKind kind) const {
        for (const auto& r : rows_)
            if (r.info.dispid == id && r.info.kind == kind) return &r;
        return nullptr;
    }

private:
    std::vector<Member<C>> rows_;
    InterfaceInfo info_;
};

}  // namespace automation
