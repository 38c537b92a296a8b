// What a fake cache plug-in records about the calls into it; tests read it through the exported
// FakePluginCalls of the loaded library.
#pragma once

namespace ZUtils {
class ThreadManager;
}

struct FakePluginCalls {
    int initialize = 0;
    int setThreadManager = 0;
    int releaseThreadManager = 0;
    int imports = 0;
    int channelListings = 0;
    ZUtils::ThreadManager* threadManager = nullptr;  // the one held, null after a release
};

typedef FakePluginCalls* (*FakePluginCallsProc)();
