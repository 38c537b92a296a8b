#include "platform/FileSystemTrash.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

const int maxNameAttempts = 1000;

std::string homeDirectory()
{
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    passwd entry;
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return std::string();
}

std::string trashDirectory()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')  // relative values are to be ignored
        return std::string(dataHome) + "/Trash";
    std::string home = homeDirectory();
    return home.empty() ? home : home + "/.local/share/Trash";
}

// Creates every missing directory of an absolute path, private to the user as the trash must be.
int makeDirectories(const std::string& path)
{
    for (size_t end = path.find('/', 1); ; end = path.find('/', end + 1)) {
        std::string part = path.substr(0, end);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (end == std::string::npos)
            return 0;
    }
}

// The absolute form of path with its directory resolved but its last component kept as it is, so
// that a link is trashed as the link. Empty (with error set) when that cannot be worked out.
std::string absolutePath(std::string path, int& error)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        error = EINVAL;
        return std::string();
    }
    char resolved[PATH_MAX];
    if (!realpath(directory.c_str(), resolved)) {
        error = errno;
        return std::string();
    }
    std::string result = resolved;
    if (result.back() != '/')
        result += '/';
    return result + name;
}

// The path as the trash info file wants it: bytes outside the unreserved URI characters escaped.
std::string escapeForUri(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string result;
    for (unsigned char c : path) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     std::string("/-_.!~*'()").find(static_cast<char>(c)) != std::string::npos;
        if (plain) {
            result += static_cast<char>(c);
        } else {
            result += '%';
            result += hex[c >> 4];
            result += hex[c & 15];
        }
    }
    return result;
}

std::string trashInfo(const std::string& originalPath)
{
    char date[32] = "";
    std::time_t now = std::time(nullptr);
    std::tm local;
    if (localtime_r(&now, &local))
        std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + escapeForUri(originalPath) + "\nDeletionDate=" + date + "\n";
}

// Claims a free name in the trash by creating its info file exclusively; returns that name.
std::string reserveName(const std::string& trash, const std::string& baseName, const std::string& info,
                        int& error)
{
    for (int attempt = 1; attempt <= maxNameAttempts; ++attempt) {
        std::string name = attempt == 1 ? baseName : baseName + "." + std::to_string(attempt);
        std::string infoPath = trash + "/info/" + name + ".trashinfo";
        int fd = open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            error = errno;
            return std::string();
        }
        ssize_t written = write(fd, info.data(), info.size());
        int ioError = written == static_cast<ssize_t>(info.size()) ? 0 : written < 0 ? errno : EIO;
        if (close(fd) != 0 && ioError == 0)
            ioError = errno;
        if (ioError != 0) {
            unlink(infoPath.c_str());
            error = ioError;
            return std::string();
        }
        struct stat existing;
        if (lstat((trash + "/files/" + name).c_str(), &existing) != 0)
            return name;
        unlink(infoPath.c_str());  // the name is taken by an entry without info file
    }
    error = EEXIST;
    return std::string();
}

}  // namespace

int moveToTrash(const char* path)
{
    struct stat info;
    if (!path || !*path)
        return EINVAL;
    if (lstat(path, &info) != 0)
        return errno;
    int error = 0;
    std::string original = absolutePath(path, error);
    if (original.empty())
        return error;
    std::string trash = trashDirectory();
    if (trash.empty())
        return ENOENT;
    if ((error = makeDirectories(trash + "/files")) != 0 || (error = makeDirectories(trash + "/info")) != 0)
        return error;

    std::string baseName = original.substr(original.rfind('/') + 1);
    std::string name = reserveName(trash, baseName, trashInfo(original), error);
    if (name.empty())
        return error;
    error = moveFile(path, (trash + "/files/" + name).c_str());
    if (error != 0)
        unlink((trash + "/info/" + name + ".trashinfo").c_str());
    return error;
}

}  // namespace Platform
