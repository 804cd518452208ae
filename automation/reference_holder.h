// Objects that keep references their callers hand them (a risk's parameters, a collection's
// elements, an enumerator's items) list what they hold, so that a call about to store a reference
// can refuse one that would close a ring: objects holding each other in a ring are never released.
#pragma once

#include <functional>

#include "automation/unknown.h"
#include "automation/variant.h"

namespace automation {

// A private interface of the runtime's and the modules' own classes; no type library names it.
inline constexpr IID IID_IReferenceHolder = MakeGuid("{35EE1C6C-BD80-49DF-8F88-A8DE5709141A}");

struct IReferenceHolder : IUnknown {
    // What keeps the references: the object itself, or storage that several objects share (a
    // collection and the enumerators over its live elements name the same list).
    virtual const void* Holder() = 0;
    // Calls visit for every object held.
    virtual void ForEachHeld(const std::function<void(IUnknown*)>& visit) = 0;

protected:
    ~IReferenceHolder() = default;
};

// Calls visit for the object `value` holds, itself or by reference, or for each one among the
// elements of an array of variants (arrays within it included).
void ForEachObject(const Variant& value, const std::function<void(IUnknown*)>& visit);

// True when `from` is `holder`, or holds it through the references its holders keep.
bool Reaches(IUnknown* from, const void* holder);
// True when an object `value` holds reaches `holder`.
bool Reaches(const Variant& value, const void* holder);

}  // namespace automation
