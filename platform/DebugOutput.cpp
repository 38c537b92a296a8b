#include "platform/DebugOutput.h"

#include "platform/DebugDestination.h"

#include <cstring>
#include <mutex>
#include <utility>

namespace Platform {
namespace {

struct DebugOutputSink {
    std::mutex mutex;
    DebugDestination destination;
    DebugOutputHook hook;

    DebugOutputSink() { configure(DebugDestination::initialSetting().c_str()); }

    // Caller holds the mutex (or is the constructor).
    void configure(const char* setting) {
        destination.close();
        if (setting == nullptr || setting[0] == '\0') return;
        if (std::strcmp(setting, "stderr") == 0) {
            destination.useStandardError();
        } else {
            destination.openFile(setting);
        }
    }
};

// Made at start-up, before every static object without an init priority, and so destroyed after all
// of them: messages written while other static objects are destroyed still arrive, and a library
// that is unloaded leaves nothing allocated (or open) behind.
__attribute__((init_priority(101))) DebugOutputSink sinkInstance;

}  // namespace

void outputDebugString(const char* text) {
    if (text == nullptr) return;
    std::lock_guard<std::mutex> lock(sinkInstance.mutex);
    if (sinkInstance.hook) {
        sinkInstance.hook(text);
        return;
    }
    DebugDestination::toDebugger(text);
    sinkInstance.destination.write(text);
}

void configureDebugOutput(const char* setting) {
    std::lock_guard<std::mutex> lock(sinkInstance.mutex);
    sinkInstance.configure(setting);
}

void setDebugOutputHook(DebugOutputHook hook) {
    std::lock_guard<std::mutex> lock(sinkInstance.mutex);
    sinkInstance.hook = std::move(hook);
}

}  // namespace Platform
