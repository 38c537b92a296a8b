#include "platform/FileSystem.h"

#include "platform/WriteAll_posix.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

// The "C" locale, so that error messages are English whatever locale the host set.
locale_t englishLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

const char* baseName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

int64_t seconds(const statx_timestamp& time)
{
    return static_cast<int64_t>(time.tv_sec);
}

timespec timeSpec(const int64_t* seconds)
{
    timespec spec{};
    if (seconds)
        spec.tv_sec = static_cast<time_t>(*seconds);
    else
        spec.tv_nsec = UTIME_OMIT;
    return spec;
}

int closeKeepingError(int fd, int error)
{
    if (close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

// Copies the remaining content of one descriptor to another; 0 or the errno value.
int copyContent(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (!writeAll(to, buffer, static_cast<size_t>(got)))
            return errno;
    }
}

}  // namespace

bool pathExists(const char* path)
{
    return path && access(path, F_OK) == 0;
}

bool isSameFile(const char* path, const char* otherPath)
{
    struct stat first, second;
    return path && otherPath && stat(path, &first) == 0 && stat(otherPath, &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool fileStatus(const char* path, FileStatus& status)
{
    struct statx info;
    if (!path || statx(AT_FDCWD, path, 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        return false;
    status.size = static_cast<int64_t>(info.stx_size);
    status.accessTime = seconds(info.stx_atime);
    status.modificationTime = seconds(info.stx_mtime);
    status.creationTime = (info.stx_mask & STATX_BTIME) ? seconds(info.stx_btime) : 0;

    uint32_t attributes = 0;
    if (S_ISDIR(info.stx_mode))
        attributes |= fileAttributeDirectory;
    if ((info.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attributes |= fileAttributeReadOnly;
    const char* name = baseName(path);
    if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
        attributes |= fileAttributeHidden;
    status.attributes = attributes ? attributes : uint32_t(fileAttributeNormal);
    return true;
}

int setFileTimes(const char* path, const int64_t* accessTime, const int64_t* modificationTime)
{
    if (!path)
        return EINVAL;
    const timespec times[2] = {timeSpec(accessTime), timeSpec(modificationTime)};
    return utimensat(AT_FDCWD, path, times, 0) == 0 ? 0 : errno;
}

int makeDirectory(const char* path)
{
    if (!path)
        return EINVAL;
    return mkdir(path, 0777) == 0 ? 0 : errno;
}

int removeDirectory(const char* path)
{
    if (!path)
        return EINVAL;
    return rmdir(path) == 0 ? 0 : errno;
}

int removeFile(const char* path)
{
    if (!path)
        return EINVAL;
    return unlink(path) == 0 ? 0 : errno;
}

int copyFile(const char* source, const char* destination, bool failIfExists)
{
    if (!source || !destination)
        return EINVAL;
    int from = open(source, O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return errno;
    struct stat sourceInfo;
    if (fstat(from, &sourceInfo) != 0)
        return closeKeepingError(from, errno);
    if (S_ISDIR(sourceInfo.st_mode))
        return closeKeepingError(from, EISDIR);
    // Opening the source itself for truncation would destroy it before a byte is copied.
    if (isSameFile(source, destination))
        return closeKeepingError(from, failIfExists ? EEXIST : EINVAL);

    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    int to = open(destination, flags, sourceInfo.st_mode & 07777);
    if (to < 0)
        return closeKeepingError(from, errno);

    int error = copyContent(from, to);
    if (error == 0 && fchmod(to, sourceInfo.st_mode & 07777) != 0)
        error = errno;
    const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    if (error == 0 && futimens(to, times) != 0)
        error = errno;
    error = closeKeepingError(to, error);
    error = closeKeepingError(from, error);
    if (error != 0)
        unlink(destination);  // a partial copy is of no use to anyone
    return error;
}

int moveFile(const char* source, const char* destination)
{
    if (!source || !destination)
        return EINVAL;
    if (renameat2(AT_FDCWD, source, AT_FDCWD, destination, RENAME_NOREPLACE) == 0)
        return 0;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // The file system cannot refuse to replace by itself: check, then rename.
        if (pathExists(destination))
            return EEXIST;
        return rename(source, destination) == 0 ? 0 : errno;
    }
    struct stat info;
    if (error != EXDEV || stat(source, &info) != 0 || !S_ISREG(info.st_mode))
        return error;
    error = copyFile(source, destination, true);
    if (error == 0 && unlink(source) != 0) {
        error = errno;
        unlink(destination);  // the source stays where it was
    }
    return error;
}

std::string systemErrorText(int code)
{
    if (code == 0)
        return std::string();
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "(%i) ", code);
    locale_t locale = englishLocale();
    const char* message = locale ? strerror_l(code, locale) : std::strerror(code);
    return std::string(prefix) + message;
}

std::string runtimeErrorText(int code)
{
    return systemErrorText(code);
}

}  // namespace Platform
