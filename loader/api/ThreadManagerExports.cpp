// The exported functions that make and destroy the built-in thread manager.
#include "loader/api/IOvr.h"

#include "parallel/WinThreadManager.h"
#include "utils/FmrArray.h"

#include <new>

namespace {

// The managers made by createDefaultThreadManager and not yet destroyed: only these may be
// destroyed, so that a host's own manager handed in by mistake is left alone.
FMRUtils::FmrArray<ZUtils::WinThreadManager*>& defaultManagers() {
    static FMRUtils::FmrArray<ZUtils::WinThreadManager*> managers;
    return managers;
}

} // namespace

ZUtils::ThreadManager* createDefaultThreadManager() {
    try {
        ZUtils::WinThreadManager* manager = new (std::nothrow) ZUtils::WinThreadManager();
        if (!manager) return nullptr;
        if (!defaultManagers().Append(manager)) {
            delete manager;
            return nullptr;
        }
        return manager;
    } catch (...) {
        return nullptr;
    }
}

void destroyDefaultThreadManager(ZUtils::ThreadManager* threadManager) {
    FMRUtils::FmrArray<ZUtils::WinThreadManager*>& managers = defaultManagers();
    for (int i = 0; i < managers.count(); ++i) {
        ZUtils::WinThreadManager* manager = managers[i];
        if (static_cast<ZUtils::ThreadManager*>(manager) != threadManager) continue;
        managers.Remove(i, 1, false, true);
        delete manager;
        return;
    }
}
