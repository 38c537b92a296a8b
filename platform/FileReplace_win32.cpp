#include "platform/FileReplace.h"

#include "platform/WideText_win32.h"

#include <windows.h>

namespace Platform {

int syncFile(const char* path) {
    if (!path) return ERROR_INVALID_PARAMETER;
    const HANDLE file = CreateFileW(toWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    const int result = FlushFileBuffers(file) ? 0 : static_cast<int>(GetLastError());
    CloseHandle(file);
    return result;
}

int replaceFile(const char* source, const char* destination) {
    if (!source || !destination) return ERROR_INVALID_PARAMETER;
    const BOOL moved = MoveFileExW(toWide(source).c_str(), toWide(destination).c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    return moved ? 0 : static_cast<int>(GetLastError());
}

}  // namespace Platform
