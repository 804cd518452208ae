#include "automation/object.h"

namespace automation {

std::atomic<long>& ModuleObjectCount() {
    static std::atomic<long> count{0};
    return count;
}

std::atomic<long>& ModuleLockCount() {
    static std::atomic<long> count{0};
    return count;
}

}  // namespace automation
