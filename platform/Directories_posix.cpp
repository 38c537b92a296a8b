#include "platform/Directories.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace Platform {

std::string currentDirectory()
{
    char* path = getcwd(nullptr, 0);  // allocates a buffer of the exact size
    if (!path)
        return std::string();
    std::string result(path);
    std::free(path);
    return result;
}

std::string temporaryDirectory()
{
    const char* env = std::getenv("TMPDIR");
    std::string result = (env && *env) ? env : P_tmpdir;
    if (result.back() != '/')
        result += '/';
    return result;
}

}  // namespace Platform
