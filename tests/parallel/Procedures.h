// Procedures and progress objects that record how the thread manager used them.
#pragma once

#include "parallel/ThreadManager.h"
#include "platform/Affinity.h"
#include "platform/Event.h"
#include "platform/Thread.h"

#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace TestSupport {

// Records, per thread index, the call it received.
class RecordingProcedure : public MultiThreadProcedure {
public:
    struct Call {
        int threadCount = 0;
        int managerIndex = -2;  // what getThreadIndex() said on the thread
        unsigned long threadId = 0;
        Platform::CpuSet affinity;
        Platform::ThreadPriority priority = Platform::ThreadPriority::Normal;
    };

    explicit RecordingProcedure(ZUtils::ThreadManager* manager, int progressPerThread = 0)
        : m_manager(manager), m_progressPerThread(progressPerThread) {}

    // Makes every call wait until all threads of the run are inside, which forces the run onto
    // as many distinct threads as it has indices.
    void holdUntilAllArrive() { m_holdUntilAllArrive = true; }

    void run(int* result, int* progress, int threadIndex, int threadCount) override {
        Call call;
        call.threadCount = threadCount;
        call.managerIndex = m_manager->getThreadIndex();
        call.threadId = Platform::currentThreadId();
        Platform::getCurrentThreadAffinity(call.affinity);
        call.priority = Platform::currentThreadPriority();
        *progress = m_progressPerThread;
        if (threadIndex == 0 && resultOfFirst != 0) *result = resultOfFirst;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            calls.insert({threadIndex, call});
            ++callCount;
        }
        if (threadIndex == 0) firstDone.set();
        if (m_holdUntilAllArrive) {
            std::unique_lock<std::mutex> lock(m_mutex);
            ++m_arrived;
            m_allArrived.notify_all();
            m_allArrived.wait(lock, [&] { return m_arrived >= threadCount; });
        }
    }

    std::set<unsigned long> threadIds() const {
        std::set<unsigned long> ids;
        for (const auto& entry : calls) ids.insert(entry.second.threadId);
        return ids;
    }

    std::multimap<int, Call> calls;
    int callCount = 0;
    int resultOfFirst = 0;
    Platform::Event firstDone{true};

private:
    ZUtils::ThreadManager* m_manager;
    int m_progressPerThread;
    bool m_holdUntilAllArrive = false;
    int m_arrived = 0;
    std::condition_variable m_allArrived;
    std::mutex m_mutex;
};

// Records the calls of ThreadManager::run, in order, as short texts.
class RecordingProgress : public ProgressCallback {
public:
    void setProgress(int done) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        lastProgress = done;
        ++progressReports;
    }
    int getAbort() override { return abortCode; }
    int isInteractive() override { return interactive ? 1 : 0; }
    void processMessages() override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++messageRounds;
        }
        if (gate != nullptr) gate->wait(30000);
    }
    void info(int kind, int duration, const char* format, ...) override {
        char text[256];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        record("info " + std::to_string(kind) + " " + std::to_string(duration) + " " + text);
    }
    void onSetUp() override { record("onSetUp"); }
    void onDone() override { record("onDone"); }

    std::vector<std::string> events;
    int lastProgress = -1;
    int progressReports = 0;
    int messageRounds = 0;
    int abortCode = 0;
    bool interactive = false;
    // When set, processMessages waits for this event.
    Platform::Event* gate = nullptr;

private:
    void record(const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        events.push_back(text);
    }
    std::mutex m_mutex;
};

}  // namespace TestSupport
