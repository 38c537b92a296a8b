// Access to the fake cache plug-ins that tests/plugins/fakes builds.
#pragma once

#include "tests/plugins/fakes/FakePluginCalls.h"

#include <string>

#include <dlfcn.h>

inline const char* fakePluginDirectory() { return OVR_FAKE_PLUGIN_DIR; }

inline std::string fakePluginPath(const std::string& base, const std::string& suffix) {
    return std::string(OVR_FAKE_PLUGIN_DIR) + "/" + base + "_" + suffix + ".so";
}

// The calls recorded by a fake plug-in that is loaded in the process, or null when it is not.
inline FakePluginCalls* loadedPluginCalls(const std::string& base, const std::string& suffix) {
    void* module = dlopen(fakePluginPath(base, suffix).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!module) return nullptr;
    auto calls = reinterpret_cast<FakePluginCallsProc>(dlsym(module, "FakePluginCalls"));
    FakePluginCalls* result = calls ? calls() : nullptr;
    dlclose(module);  // drops only the reference taken here
    return result;
}
