// IEnumVARIANT: the enumerator a collection hands out from its DISPID -4 member (_NewEnum),
// which script hosts walk with for-each.
#pragma once

#include <vector>

#include "automation/unknown.h"
#include "automation/variant.h"

namespace automation {

inline constexpr DISPID DISPID_NEWENUM = -4;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr IID IID_IEnumVARIANT = MakeGuid("{00020404-0000-0000-C000-000000000046}");

struct IEnumVARIANT : IUnknown {
    // Copies up to `celt` items into `items`; S_FALSE when fewer were left.
    virtual HRESULT Next(std::uint32_t celt, Variant* items, std::uint32_t* fetched) = 0;
    virtual HRESULT Skip(std::uint32_t celt) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumVARIANT** out) = 0;

protected:
    ~IEnumVARIANT() = default;
};

// An enumerator over its own copy of `items`.
ComPtr<IEnumVARIANT> CreateVariantEnumerator(std::vector<Variant> items);

}  // namespace automation
