#include "automation/reference_holder.h"

#include <unordered_set>
#include <vector>

namespace automation {

void ForEachObject(const Variant& in, const std::function<void(IUnknown*)>& visit) {
    const Variant& v = in.Deref();
    if ((v.vt() == VT_DISPATCH || v.vt() == VT_UNKNOWN) && v.unknown()) {
        visit(v.unknown());
        return;
    }
    if (v.vt() != (VT_ARRAY | VT_VARIANT) || v.array().doubles()) return;  // no element can hold an object
    for (const Variant& element : v.array().variants()) ForEachObject(element, visit);
}

// A walk over the holders reachable from `from`, each visited once, with a list of its own rather
// than the call stack: a chain of objects may be long.
bool Reaches(IUnknown* from, const void* holder) {
    std::vector<ComPtr<IReferenceHolder>> pending;
    std::unordered_set<const void*> seen;
    auto follow = [&](IUnknown* object) {
        if (auto h = Query<IReferenceHolder>(object, IID_IReferenceHolder)) pending.push_back(std::move(h));
    };
    follow(from);
    while (!pending.empty()) {
        const ComPtr<IReferenceHolder> h = std::move(pending.back());
        pending.pop_back();
        const void* id = h->Holder();
        if (id == holder) return true;
        if (seen.insert(id).second) h->ForEachHeld(follow);
    }
    return false;
}

bool Reaches(const Variant& value, const void* holder) {
    bool found = false;
    ForEachObject(value, [&](IUnknown* object) { found = found || Reaches(object, holder); });
    return found;
}

}  // namespace automation
