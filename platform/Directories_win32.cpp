#include "platform/Directories.h"

#include "platform/WideText_win32.h"

#include <windows.h>

#include <vector>

namespace Platform {

namespace {

// Calls `query(size, buffer)` of the Windows "length, then text" kind until the buffer is big enough.
template <class Query>
std::string queryPath(Query query) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = query(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return std::string();
        if (length < buffer.size()) return fromWide(buffer.data());
        buffer.resize(length + 1);
    }
    return std::string();
}

}  // namespace

std::string currentDirectory() {
    // Reported without a trailing separator except for a drive's root ("C:\").
    return queryPath([](DWORD size, wchar_t* buffer) { return GetCurrentDirectoryW(size, buffer); });
}

std::string temporaryDirectory() {
    std::string path = queryPath([](DWORD size, wchar_t* buffer) { return GetTempPathW(size, buffer); });
    if (path.empty()) return "C:\\";
    if (path.back() != '\\' && path.back() != '/') path += '\\';
    return path;
}

}  // namespace Platform
