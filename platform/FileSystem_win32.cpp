#include "platform/FileSystem.h"

#include "platform/WideText_win32.h"

#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace Platform {

namespace {

// Opens a file or directory for querying or setting its times, sharing it with everybody.
HANDLE openForAttributes(const char* path, DWORD access) {
    return CreateFileW(toWide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Seconds since 1970 as the system's 100-nanosecond intervals since 1601.
FILETIME fileTimeOf(int64_t seconds) {
    const ULONGLONG intervals = static_cast<ULONGLONG>(seconds + 11644473600LL) * 10000000ULL;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(intervals);
    time.dwHighDateTime = static_cast<DWORD>(intervals >> 32);
    return time;
}

int resultOf(BOOL succeeded) { return succeeded ? 0 : static_cast<int>(GetLastError()); }

// The system's message for a code in the given language, without its line break; empty when the
// system has none.
std::string messageText(int code, DWORD language) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), language, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) return std::string();
    std::string message = fromWide(text);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

}  // namespace

// The plug-in search tests its candidates with the runtime's _access, in the ANSI code page as
// LoadLibraryA then loads them.
bool pathExists(const char* path) { return path != nullptr && _access(path, 0) == 0; }

bool isSameFile(const char* path, const char* otherPath) {
    if (path == nullptr || otherPath == nullptr) return false;
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {path, otherPath};
    for (int i = 0; i < 2; ++i) {
        HANDLE file = openForAttributes(paths[i], FILE_READ_ATTRIBUTES);
        if (file == INVALID_HANDLE_VALUE) return false;
        const BOOL known = GetFileInformationByHandle(file, &info[i]);
        CloseHandle(file);
        if (!known) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

bool fileStatus(const char* path, FileStatus& status) {
    if (path == nullptr) return false;
    const std::wstring widePath = toWide(path);
    struct _stat64 info;
    if (_wstat64(widePath.c_str(), &info) != 0) return false;
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    status.size = static_cast<int64_t>(info.st_size);
    status.creationTime = static_cast<int64_t>(info.st_ctime);  // the creation time on Windows
    status.accessTime = static_cast<int64_t>(info.st_atime);
    status.modificationTime = static_cast<int64_t>(info.st_mtime);
    status.attributes = attributes;
    return true;
}

int setFileTimes(const char* path, const int64_t* accessTime, const int64_t* modificationTime) {
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    HANDLE file = openForAttributes(path, FILE_WRITE_ATTRIBUTES);
    if (file == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    FILETIME access{};
    FILETIME modification{};
    if (accessTime != nullptr) access = fileTimeOf(*accessTime);
    if (modificationTime != nullptr) modification = fileTimeOf(*modificationTime);
    const int result = resultOf(SetFileTime(file, nullptr, accessTime != nullptr ? &access : nullptr,
                                            modificationTime != nullptr ? &modification : nullptr));
    CloseHandle(file);
    return result;
}

int makeDirectory(const char* path) {
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    return resultOf(CreateDirectoryW(toWide(path).c_str(), nullptr));
}

int removeDirectory(const char* path) {
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    return resultOf(RemoveDirectoryW(toWide(path).c_str()));
}

int removeFile(const char* path) {
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    return resultOf(DeleteFileW(toWide(path).c_str()));
}

int copyFile(const char* source, const char* destination, bool failIfExists) {
    if (source == nullptr || destination == nullptr) return ERROR_INVALID_PARAMETER;
    if (isSameFile(source, destination)) return failIfExists ? ERROR_FILE_EXISTS : ERROR_INVALID_PARAMETER;
    return resultOf(CopyFileW(toWide(source).c_str(), toWide(destination).c_str(), failIfExists ? TRUE : FALSE));
}

int moveFile(const char* source, const char* destination) {
    if (source == nullptr || destination == nullptr) return ERROR_INVALID_PARAMETER;
    // Without MOVEFILE_REPLACE_EXISTING an existing destination is an error; to another volume
    // the file is copied and deleted.
    return resultOf(MoveFileExW(toWide(source).c_str(), toWide(destination).c_str(), MOVEFILE_COPY_ALLOWED));
}

std::string systemErrorText(int code) {
    if (code == 0) return std::string();
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "(%i) ", code);
    std::string message = messageText(code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    // A system without the English messages gives its own language.
    if (message.empty()) message = messageText(code, 0);
    return std::string(prefix) + message;
}

std::string runtimeErrorText(int code) {
    if (code == 0) return std::string();
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "(%i) ", code);
    return std::string(prefix) + std::strerror(code);
}

}  // namespace Platform
