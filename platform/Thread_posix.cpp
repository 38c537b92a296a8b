#include "platform/Thread.h"

#include "platform/Event.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>

namespace Platform {

struct ThreadObject {
    pthread_t thread{};
    pid_t tid = 0;
    bool joinable = false;  // made by startThread and neither joined nor detached
};

namespace {

// What a new thread needs until it has reported in; lives on the starting thread's stack.
struct StartInfo {
    ThreadEntry entry;
    void* argument;
    ThreadObject* object;
    Event started{true};
};

void* threadStart(void* raw) {
    StartInfo* info = static_cast<StartInfo*>(raw);
    const ThreadEntry entry = info->entry;
    void* const argument = info->argument;
    info->object->tid = gettid();
    info->started.set();  // `info` is gone after this
    entry(argument);
    return nullptr;
}

// The nice value of the process at load time: the level called normal.
int readNiceValue(pid_t tid) {
    errno = 0;
    const int value = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    return errno == 0 ? value : 0;
}

const int g_normalNice = readNiceValue(0);

constexpr int kLowestNice = 19;

std::size_t roundedStackSize(std::size_t requested) {
    const long page = sysconf(_SC_PAGESIZE);
    const std::size_t pageSize = page > 0 ? static_cast<std::size_t>(page) : 4096;
    std::size_t size = std::max<std::size_t>(requested, PTHREAD_STACK_MIN);
    return (size + pageSize - 1) / pageSize * pageSize;
}

}  // namespace

ThreadHandle startThread(ThreadEntry entry, void* argument, std::size_t stackSize) {
    ThreadObject* object = new (std::nothrow) ThreadObject;
    if (object == nullptr) return nullptr;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        delete object;
        return nullptr;
    }
    if (stackSize > 0) pthread_attr_setstacksize(&attributes, roundedStackSize(stackSize));
    StartInfo info{entry, argument, object};
    const int created = pthread_create(&object->thread, &attributes, threadStart, &info);
    pthread_attr_destroy(&attributes);
    if (created != 0) {
        delete object;
        return nullptr;
    }
    object->joinable = true;
    info.started.wait();
    return object;
}

ThreadHandle duplicateCurrentThreadHandle() {
    ThreadObject* object = new (std::nothrow) ThreadObject;
    if (object == nullptr) return nullptr;
    object->thread = pthread_self();
    object->tid = gettid();
    return object;
}

bool joinThread(ThreadHandle thread) {
    if (thread == nullptr) return false;
    const bool joined = thread->joinable && pthread_join(thread->thread, nullptr) == 0;
    delete thread;
    return joined;
}

void closeThreadHandle(ThreadHandle thread) {
    if (thread == nullptr) return;
    if (thread->joinable) pthread_detach(thread->thread);
    delete thread;
}

bool killThread(ThreadHandle) {
    // pthread_cancel would run the thread's clean-up at arbitrary points; there is no forced end.
    return false;
}

bool setThreadPriority(ThreadHandle thread, ThreadPriority priority) {
    if (thread == nullptr) return false;
    const int nice = priority == ThreadPriority::BelowNormal ? std::min(g_normalNice + 1, kLowestNice) : g_normalNice;
    return setpriority(PRIO_PROCESS, static_cast<id_t>(thread->tid), nice) == 0;
}

ThreadPriority currentThreadPriority() {
    return readNiceValue(gettid()) > g_normalNice ? ThreadPriority::BelowNormal : ThreadPriority::Normal;
}

void setCurrentThreadName(const char* name) {
    if (name == nullptr) return;
    char shortName[16];
    std::strncpy(shortName, name, sizeof shortName - 1);
    shortName[sizeof shortName - 1] = '\0';
    pthread_setname_np(pthread_self(), shortName);
}

unsigned long currentThreadId() { return static_cast<unsigned long>(gettid()); }

unsigned long threadId(ThreadHandle thread) { return thread != nullptr ? static_cast<unsigned long>(thread->tid) : 0; }

void sleepMs(unsigned milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

std::uint64_t tickCountMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

}  // namespace Platform
