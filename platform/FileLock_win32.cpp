#include "platform/FileLock.h"

#include <io.h>
#include <windows.h>

namespace Platform {

namespace {

// The system handle behind a runtime stream; INVALID_HANDLE_VALUE when there is none.
HANDLE handleOf(std::FILE* file) {
    const int descriptor = _fileno(file);
    return descriptor < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

// The whole file: offset 0, length 0xFFFFFFFF:0xFFFFFFFF.
constexpr DWORD kWholeFile = 0xFFFFFFFFu;

}  // namespace

bool lockFileShared(std::FILE* file) {
    if (file == nullptr) return false;
    HANDLE handle = handleOf(file);
    if (handle == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED start{};
    return LockFileEx(handle, LOCKFILE_FAIL_IMMEDIATELY, 0, kWholeFile, kWholeFile, &start) != 0;
}

bool unlockFile(std::FILE* file) {
    if (file == nullptr) return false;
    HANDLE handle = handleOf(file);
    if (handle == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED start{};
    return UnlockFileEx(handle, 0, kWholeFile, kWholeFile, &start) != 0;
}

}  // namespace Platform
