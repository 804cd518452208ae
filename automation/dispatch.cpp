#include "automation/dispatch.h"

#include <strings.h>

namespace automation {

const MemberInfo* InterfaceInfo::Find(DISPID id, InvokeKind kind) const {
    for (const auto& m : members)
        if (m.dispid == id && m.kind == kind) return &m;
    return nullptr;
}

const MemberInfo* InterfaceInfo::FindByName(std::string_view name) const {
    for (const auto& m : members) {
        std::string_view n = m.name;
        if (n.size() == name.size() && strncasecmp(n.data(), name.data(), n.size()) == 0) return &m;
    }
    return nullptr;
}

namespace detail {

bool IsOutDir(ParamDir d) { return d == ParamDir::Out || d == ParamDir::InOut; }

void ThrowArgumentError(const StatusError& e, const ParamInfo& p) {
    std::string what = e.description().empty() ? "Invalid argument" : e.description();
    throw StatusError(e.code(), what + " in parameter '" + p.name + "'");
}

void ThrowNotOptional(const ParamInfo& p) {
    throw StatusError(DISP_E_PARAMNOTOPTIONAL, std::string("Parameter '") + p.name + "' is not optional");
}

void TableError(const char* member, const char* what) {
    std::fprintf(stderr, "member table error in %s: %s\n", member, what);
    std::abort();
}

}  // namespace detail
}  // namespace automation
