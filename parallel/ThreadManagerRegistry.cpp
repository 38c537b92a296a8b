#include "parallel/FmrParallel.h"

#include "platform/CriticalSection.h"

namespace FMRUtils {

namespace {

// Created on the first push, deleted when the last entry is popped.
FmrArray<ZUtils::ThreadManager*>* g_registry = nullptr;

// Initialisation and finalisation come from one host thread, but runners on other threads read the
// current manager, so the registry is locked all the same.
Platform::CriticalSection& registryLock() {
    static Platform::CriticalSection lock;
    return lock;
}

}  // namespace

bool pushThreadManager(ZUtils::ThreadManager* manager) {
    Platform::ScopedLock lock(registryLock());
    if (g_registry == nullptr) {
        g_registry = new (std::nothrow) FmrArray<ZUtils::ThreadManager*>(0, 4);
        if (g_registry == nullptr) return false;
    }
    return g_registry->Append(manager);
}

void popThreadManager() {
    Platform::ScopedLock lock(registryLock());
    if (g_registry == nullptr) return;
    if (g_registry->count() > 0) g_registry->SetSize(g_registry->count() - 1);
    if (g_registry->count() == 0) {
        delete g_registry;
        g_registry = nullptr;
    }
}

ZUtils::ThreadManager* currentThreadManager() {
    Platform::ScopedLock lock(registryLock());
    if (g_registry == nullptr || g_registry->count() == 0) return nullptr;
    return (*g_registry)[g_registry->count() - 1];
}

}  // namespace FMRUtils
