#include "platform/Thread.h"

#include "platform/Kernel32_win32.h"
#include "platform/ThreadObject_win32.h"
#include "platform/WideText_win32.h"

#include <process.h>

#include <climits>
#include <new>

namespace Platform {

namespace {

struct StartInfo {
    ThreadEntry entry;
    void* argument;
};

unsigned __stdcall threadStart(void* raw) {
    const StartInfo info = *static_cast<StartInfo*>(raw);
    delete static_cast<StartInfo*>(raw);
    info.entry(info.argument);
    return 0;
}

// Debuggers learn a thread's name from this exception, raised on the named thread with a
// ThreadNameInfo record; without a debugger it is swallowed.
constexpr DWORD kThreadNameException = 0x406D1388;

#pragma pack(push, 8)
struct ThreadNameInfo {
    DWORD type;        // always 0x1000
    LPCSTR name;
    DWORD threadId;    // -1: the calling thread
    DWORD flags;
};
#pragma pack(pop)

LONG CALLBACK swallowThreadName(EXCEPTION_POINTERS* exception) {
    return exception->ExceptionRecord->ExceptionCode == kThreadNameException ? EXCEPTION_CONTINUE_EXECUTION
                                                                             : EXCEPTION_CONTINUE_SEARCH;
}

void raiseThreadNameException(const char* name) {
    // An attached debugger sees the exception before any handler; the vectored handler then ends it.
    // Without the handler it would end the process, so no handler, no exception.
    PVOID handler = AddVectoredExceptionHandler(1, swallowThreadName);
    if (handler == nullptr) return;
    ThreadNameInfo info{0x1000, name, DWORD(-1), 0};
    RaiseException(kThreadNameException, 0, sizeof info / sizeof(ULONG_PTR), reinterpret_cast<const ULONG_PTR*>(&info));
    RemoveVectoredExceptionHandler(handler);
}

}  // namespace

ThreadHandle startThread(ThreadEntry entry, void* argument, std::size_t stackSize) {
    ThreadObject* object = new (std::nothrow) ThreadObject;
    StartInfo* info = new (std::nothrow) StartInfo{entry, argument};
    if (object == nullptr || info == nullptr) {
        delete object;
        delete info;
        return nullptr;
    }
    // The system rounds the size up to its granularity and minimum.
    const unsigned size = stackSize > UINT_MAX ? UINT_MAX : static_cast<unsigned>(stackSize);
    unsigned id = 0;
    const uintptr_t handle = _beginthreadex(nullptr, size, threadStart, info, 0, &id);
    if (handle == 0) {
        delete object;
        delete info;
        return nullptr;
    }
    object->handle = reinterpret_cast<HANDLE>(handle);
    object->id = id;
    object->joinable = true;
    return object;
}

ThreadHandle duplicateCurrentThreadHandle() {
    ThreadObject* object = new (std::nothrow) ThreadObject;
    if (object == nullptr) return nullptr;
    // GetCurrentThread() names whichever thread uses it; a real handle is needed from other threads.
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &object->handle, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        delete object;
        return nullptr;
    }
    object->id = GetCurrentThreadId();
    return object;
}

bool joinThread(ThreadHandle thread) {
    if (thread == nullptr) return false;
    const bool joined = thread->joinable && WaitForSingleObject(thread->handle, INFINITE) == WAIT_OBJECT_0;
    CloseHandle(thread->handle);
    delete thread;
    return joined;
}

void closeThreadHandle(ThreadHandle thread) {
    if (thread == nullptr) return;
    CloseHandle(thread->handle);
    delete thread;
}

bool killThread(ThreadHandle thread) {
    return thread != nullptr && TerminateThread(thread->handle, 0xFFFFFFFFu) != 0;
}

bool setThreadPriority(ThreadHandle thread, ThreadPriority priority) {
    if (thread == nullptr) return false;
    const int level = priority == ThreadPriority::BelowNormal ? THREAD_PRIORITY_BELOW_NORMAL : THREAD_PRIORITY_NORMAL;
    return SetThreadPriority(thread->handle, level) != 0;
}

ThreadPriority currentThreadPriority() {
    const int level = GetThreadPriority(GetCurrentThread());
    return level != THREAD_PRIORITY_ERROR_RETURN && level < THREAD_PRIORITY_NORMAL ? ThreadPriority::BelowNormal
                                                                                   : ThreadPriority::Normal;
}

void setCurrentThreadName(const char* name) {
    if (name == nullptr) return;
    // Windows 10 keeps a description that every tool shows; older debuggers need the exception.
    if (const auto describe = kernel32().setThreadDescription) describe(GetCurrentThread(), toWide(name).c_str());
    raiseThreadNameException(name);
}

unsigned long currentThreadId() { return GetCurrentThreadId(); }

unsigned long threadId(ThreadHandle thread) { return thread != nullptr ? thread->id : 0; }

void sleepMs(unsigned milliseconds) { Sleep(milliseconds); }

std::uint64_t tickCountMs() { return GetTickCount64(); }

}  // namespace Platform
