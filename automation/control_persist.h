// The persistence interfaces of an embeddable control: a stream it initialises or loads itself
// from, and a property bag of named values.
#pragma once

#include <cstdint>

#include "automation/persist.h"
#include "automation/stream.h"
#include "automation/unknown.h"
#include "automation/variant.h"

namespace automation {

inline constexpr IID IID_IPersistStreamInit = MakeGuid("{7FD52380-4E07-101B-AE2D-08002B2EC713}");
inline constexpr IID IID_IPropertyBag = MakeGuid("{55272A00-42CB-11CE-8135-00AA004BB851}");
inline constexpr IID IID_IPersistPropertyBag = MakeGuid("{37D84F60-42CB-11CE-8135-00AA004BB851}");

struct IPersistStreamInit : IPersist {
    // S_OK when the object changed since it was last saved with clearDirty, S_FALSE otherwise.
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, bool clearDirty) = 0;
    virtual HRESULT GetSizeMax(std::uint64_t* size) = 0;
    // Puts the object in its initial persistent state.
    virtual HRESULT InitNew() = 0;

protected:
    ~IPersistStreamInit() = default;
};

// Named values a host keeps for an object.
struct IPropertyBag : IUnknown {
    // `value` comes in holding the type the reader wants (VT_EMPTY: any) and goes out with the
    // value; E_INVALIDARG when the bag has no value of that name.
    virtual HRESULT Read(const char16_t* name, Variant* value) = 0;
    virtual HRESULT Write(const char16_t* name, const Variant& value) = 0;

protected:
    ~IPropertyBag() = default;
};

struct IPersistPropertyBag : IPersist {
    virtual HRESULT InitNew() = 0;
    virtual HRESULT Load(IPropertyBag* bag) = 0;
    virtual HRESULT Save(IPropertyBag* bag, bool clearDirty, bool saveAllProperties) = 0;

protected:
    ~IPersistPropertyBag() = default;
};

}  // namespace automation
