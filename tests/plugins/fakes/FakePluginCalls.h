// What a fake cache plug-in records about the calls into it; tests read it through the exported
// FakePluginCalls of the loaded library.
#pragma once

#include <string>

namespace ZUtils { class ThreadManager; }

struct FakePluginCalls {
    int initialize = 0;
    ZUtils::ThreadManager* threadManager = nullptr;  // the one held, null after a release
};

typedef FakePluginCalls* (*FakePluginCallsProc)();

#ifdef OVR_FAKE_PLUGIN_DIR
#include <dlfcn.h>

// The calls recorded by the fake plug-in <base>_<suffix> when it is loaded in the process, else null.
inline FakePluginCalls* loadedPluginCalls(const std::string& base, const std::string& suffix) {
    void* module = dlopen((OVR_FAKE_PLUGIN_DIR "/" + base + "_" + suffix + ".so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!module) return nullptr;
    auto calls = reinterpret_cast<FakePluginCallsProc>(dlsym(module, "FakePluginCalls"));
    dlclose(module);  // drops only the reference taken here: the plug-in stays loaded
    return calls ? calls() : nullptr;
}
#endif
