#include "platform/FileSystemTrash.h"

#include "platform/WideText_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace Platform {

int moveToTrash(const char* path) {
    if (path == nullptr || path[0] == '\0') return ERROR_INVALID_PARAMETER;
    const std::wstring widePath = toWide(path);
    if (GetFileAttributesW(widePath.c_str()) == INVALID_FILE_ATTRIBUTES) return static_cast<int>(GetLastError());
    // The shell keeps what it recycles only under a full path; the list of paths ends in two zeros.
    const DWORD length = GetFullPathNameW(widePath.c_str(), 0, nullptr, nullptr);
    if (length == 0) return static_cast<int>(GetLastError());
    std::vector<wchar_t> from(length + 2, L'\0');
    if (GetFullPathNameW(widePath.c_str(), length, from.data(), nullptr) == 0) return static_cast<int>(GetLastError());
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    const int result = SHFileOperationW(&operation);
    if (result != 0) return result;
    return operation.fAnyOperationsAborted ? ERROR_CANCELLED : 0;
}

}  // namespace Platform
