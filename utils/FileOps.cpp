#include "utils/FileOps.h"

#include "platform/FileOpen.h"
#include "platform/FileSystem.h"
#include "platform/FileSystemTrash.h"
#include "utils/UtfConversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace ZUtils {

namespace {

const size_t maxPathLength = 260;  // MAX_PATH, terminator included
const size_t copyBlockSize = 1024;

ErrorChain emptyArgument(const char* function)
{
    return makeError(function, EINVAL, nullptr, "Empty string argument");
}

// The record of a failed operating-system call, or none for code 0.
ErrorChain systemError(const char* function, int code)
{
    if (code == 0)
        return nullptr;
    return makeError(function, code, nullptr, "%s", Platform::systemErrorText(code).c_str());
}

ErrorChain runtimeError(const char* function, int code)
{
    if (code == 0)
        return nullptr;
    return makeError(function, code, nullptr, "%s", Platform::runtimeErrorText(code).c_str());
}

// The 8-bit form of a UTF-16 path for the file system; empty for null.
std::string pathBytes(const char16_t* path)
{
    return path ? wideToUtf8(std::u16string(path)) : std::string();
}

bool isDirectory(const std::string& path)
{
    Platform::FileStatus status;
    return Platform::fileStatus(path.c_str(), status) && (status.attributes & Platform::fileAttributeDirectory);
}

}  // namespace

ErrorChain createPath(const char* path)
{
    static const char* const function = "ZUtils::createPath";
    if (!path || !*path)
        return emptyArgument(function);
    if (std::strlen(path) >= maxPathLength)
        return makeError(function, ENAMETOOLONG, nullptr, "Path length exceeds MAX_PATH");
    const std::string full(path);
    size_t end = 0;
    do {
        end = full.find('/', end + 1);  // a leading "/" is the root, not a directory to create
        const std::string part = full.substr(0, end);
        if (part.back() == '/' || isDirectory(part))
            continue;  // a doubled separator, or a directory that is already there
        ErrorChain cause = uniMakeDir2(utf8ToWide(part).c_str());
        if (cause && !isDirectory(part)) {  // made by someone else in between is no error either
            const int code = cause->code;
            const std::string operation = "mkdir " + part;
            return makeError(function, code, std::move(cause), "%s %s", operation.c_str(),
                             Platform::systemErrorText(code).c_str());
        }
    } while (end != std::string::npos);
    return nullptr;
}

ErrorChain copyFile(const char* source, const char* destination)
{
    static const char* const function = "ZUtils::copyFile";
    source = source ? source : "";
    destination = destination ? destination : "";
    // Opening the source itself for writing would empty it before a byte is read.
    if (Platform::isSameFile(source, destination))
        return makeError(function, EINVAL, nullptr, "Open error %s", destination);
    std::FILE* in = Platform::openFile(source, "rb");
    if (!in)
        return makeError(function, errno, nullptr, "Open error %s", source);
    std::FILE* out = Platform::openFile(destination, "wb");
    if (!out) {
        const int code = errno;
        std::fclose(in);
        return makeError(function, code, nullptr, "Open error %s", destination);
    }
    ErrorChain error;
    char block[copyBlockSize];
    for (;;) {
        const size_t got = std::fread(block, 1, sizeof block, in);
        if (got > 0 && std::fwrite(block, 1, got, out) != got) {
            error = makeError(function, errno, nullptr, "Write error %s", destination);
            break;
        }
        if (got < sizeof block) {
            if (std::ferror(in))
                error = makeError(function, errno, nullptr, "Read error %s", source);
            break;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0 && !error)
        error = makeError(function, errno, nullptr, "Write error %s", destination);
    if (error)
        Platform::removeFile(destination);  // a partial copy is of no use to anyone
    return error;
}

ErrorChain copyFileOS(const char* source, const char* destination, bool failIfExists)
{
    return systemError("ZUtils::copyFileOS", Platform::copyFile(source, destination, failIfExists));
}

ErrorChain moveFileOS(const char* source, const char* destination)
{
    return systemError("ZUtils::moveFileOS", Platform::moveFile(source, destination));
}

ErrorChain deleteFile(const char* path)
{
    return systemError("ZUtils::deleteFile", Platform::removeFile(path));
}

ErrorChain recycleFileOS(const char* path)
{
    static const char* const function = "ZUtils::recycleFileOS";
    if (!path || !*path)
        return emptyArgument(function);
    return systemError(function, Platform::moveToTrash(path));
}

ErrorChain uniMakeDir2(const char16_t* path)
{
    const std::string bytes = pathBytes(path);
    return systemError("ZUtils::uniMakeDir2", Platform::makeDirectory(bytes.c_str()));
}

ErrorChain uniRemoveDir(const char16_t* path)
{
    static const char* const function = "ZUtils::uniRemoveDir";
    if (!path || !*path)
        return emptyArgument(function);
    const std::string bytes = pathBytes(path);
    return runtimeError(function, Platform::removeDirectory(bytes.c_str()));
}

ErrorChain uniRemoveFile(const char16_t* path)
{
    static const char* const function = "ZUtils::uniRemoveFile";
    if (!path || !*path)
        return emptyArgument(function);
    const std::string bytes = pathBytes(path);
    return runtimeError(function, Platform::removeFile(bytes.c_str()));
}

}  // namespace ZUtils
