// The object model: reference-counted objects answering queries by interface identifier,
// dispatch interfaces called by name or DISPID, class factories.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/guid.h"
#include "automation/status.h"
#include "automation/variant.h"

namespace automation {

using DISPID = std::int32_t;
constexpr DISPID DISPID_UNKNOWN = -1;

inline constexpr IID IID_IUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");
inline constexpr IID IID_IDispatch = MakeGuid("{00020400-0000-0000-C000-000000000046}");
inline constexpr IID IID_ISupportErrorInfo = MakeGuid("{DF0B3D60-548F-101B-8E65-08002B2BC07C}");
inline constexpr IID IID_IClassFactory = MakeGuid("{00000001-0000-0000-C000-000000000046}");

struct IUnknown {
    virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

// What a successful call tells its caller besides its results: a line of text, named figures, and
// whether the caller should be warned.
struct CallNote {
    std::string text;
    std::vector<std::pair<std::string, double>> figures;
    bool warn = false;
};

// What a failed call tells its caller besides the status code, and what a successful one notes.
struct ExcepInfo {
    HRESULT scode = S_OK;
    std::string source;       // the failing class's ProgID
    std::u16string description;
    bool hasDescription = false;
    CLSID clsid{};
    IID iid{};
    std::optional<CallNote> note;  // after a successful call: the note it left, if any
};

enum class InvokeKind : std::uint8_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };

struct InterfaceInfo;

struct IDispatch : IUnknown {
    // The member table of the object's dispatch interface.
    virtual const InterfaceInfo& GetInterfaceInfo() = 0;
    // Case-insensitive look-up; DISP_E_UNKNOWNNAME when no member has the name.
    virtual HRESULT GetIDsOfNames(std::string_view name, DISPID* id) = 0;
    // args: one variant per parameter of the member except its result, in published order;
    // out parameters come in empty and are written, omitted optional ones are Missing.
    virtual HRESULT Invoke(DISPID id, InvokeKind kind, Variant* args, std::size_t nargs, Variant* result,
                           ExcepInfo* excep) = 0;

protected:
    ~IDispatch() = default;
};

struct ISupportErrorInfo : IUnknown {
    virtual HRESULT InterfaceSupportsErrorInfo(const IID& iid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

struct IClassFactory : IUnknown {
    // excep, when given, receives the error record of a failed creation.
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out, ExcepInfo* excep) = 0;
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

// An owning interface pointer.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adopts a reference the caller already holds.
    static ComPtr Adopt(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    // Takes a new reference.
    explicit ComPtr(T* p) : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() {
        if (p_) p_->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Hands the reference to the caller.
    T* Detach() { return std::exchange(p_, nullptr); }
    // For out parameters: releases what is held and returns the slot.
    T** Receive() {
        *this = nullptr;
        return &p_;
    }

private:
    T* p_ = nullptr;
};

// Queries `from` for interface `iid` of C++ type T; null when it is not answered.
template <class T>
ComPtr<T> Query(IUnknown* from, const IID& iid) {
    void* out = nullptr;
    if (!from || Failed(from->QueryInterface(iid, &out))) return nullptr;
    return ComPtr<T>::Adopt(static_cast<T*>(out));
}

}  // namespace automation
