#pragma once

#include <cstring>

// The last "/" or "\\" of a path (both separate directories in the paths the loader is given);
// null when there is neither.
inline const char* lastPathSeparator(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    const char* backslash = std::strrchr(path, '\\');
    return (backslash && (!slash || backslash > slash)) ? backslash : slash;
}
