#include "utils/FileQueries.h"

#include "platform/Directories.h"
#include "platform/FileSystem.h"
#include "utils/UtfConversion.h"

int64_t getFileModificationTime(const char* path)
{
    Platform::FileStatus status;
    return Platform::fileStatus(path, status) ? status.modificationTime : 0;
}

namespace ZUtils {

bool getFileSize(const char* path, int64_t& size)
{
    Platform::FileStatus status;
    if (!Platform::fileStatus(path, status))
        return false;
    size = status.size;
    return true;
}

uint32_t getFileAttributes(const char* path)
{
    Platform::FileStatus status;
    return Platform::fileStatus(path, status) ? status.attributes : invalidFileAttributes;
}

bool getFileTimes(const char* path, int64_t* creationTime, int64_t* accessTime, int64_t* modificationTime)
{
    Platform::FileStatus status;
    if (!Platform::fileStatus(path, status))
        return false;
    if (creationTime)
        *creationTime = status.creationTime;
    if (accessTime)
        *accessTime = status.accessTime;
    if (modificationTime)
        *modificationTime = status.modificationTime;
    return true;
}

bool setFileTimes(const char* path, const int64_t* accessTime, const int64_t* modificationTime)
{
    return Platform::setFileTimes(path, accessTime, modificationTime) == 0;
}

std::u16string getCurrentDirectory()
{
    return utf8ToWide(Platform::currentDirectory());
}

std::u16string getTemporaryDirectory()
{
    return utf8ToWide(Platform::temporaryDirectory());
}

}  // namespace ZUtils
