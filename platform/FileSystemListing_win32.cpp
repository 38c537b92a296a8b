#include "platform/FileSystemListing.h"

#include "platform/WideText_win32.h"

#include <windows.h>

namespace Platform {

// The system matches the wildcards itself; handle_ holds the search handle.

DirectoryListing::~DirectoryListing() { close(); }

void DirectoryListing::close() {
    if (handle_ != nullptr) FindClose(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

bool DirectoryListing::first(const char* pattern, std::string& name) {
    close();
    if (pattern == nullptr) return false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(toWide(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    handle_ = search;
    name = fromWide(found.cFileName);
    return true;
}

bool DirectoryListing::next(std::string& name) {
    if (handle_ == nullptr) return false;
    WIN32_FIND_DATAW found;
    if (!FindNextFileW(static_cast<HANDLE>(handle_), &found)) return false;
    name = fromWide(found.cFileName);
    return true;
}

}  // namespace Platform
