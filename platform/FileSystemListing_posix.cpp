#include "platform/FileSystemListing.h"

#include <cstring>
#include <dirent.h>

namespace Platform {

namespace {

// Whether name matches a pattern of "*" and "?" wildcards; every other character matches itself.
bool matchesWildcard(const char* pattern, const char* name)
{
    // Backtracks only to the last "*" seen, so the work is bounded by pattern length times name length.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

}  // namespace

DirectoryListing::~DirectoryListing()
{
    close();
}

void DirectoryListing::close()
{
    if (handle_)
        closedir(static_cast<DIR*>(handle_));
    handle_ = nullptr;
}

bool DirectoryListing::first(const char* pattern, std::string& name)
{
    close();
    if (!pattern)
        return false;
    const char* slash = std::strrchr(pattern, '/');
    const char* backslash = std::strrchr(pattern, '\\');
    const char* separator = (backslash && (!slash || backslash > slash)) ? backslash : slash;
    std::string directory = separator ? std::string(pattern, separator + 1) : std::string(".");
    namePattern_ = separator ? separator + 1 : pattern;
    handle_ = opendir(directory.c_str());
    if (!handle_)
        return false;
    if (next(name))
        return true;
    close();
    return false;
}

bool DirectoryListing::next(std::string& name)
{
    if (!handle_)
        return false;
    while (const dirent* entry = readdir(static_cast<DIR*>(handle_))) {
        if (matchesWildcard(namePattern_.c_str(), entry->d_name)) {
            name = entry->d_name;
            return true;
        }
    }
    return false;
}

}  // namespace Platform
