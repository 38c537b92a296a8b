#pragma once

#include <cstdint>
#include <string>

namespace Platform {

// File attribute bits, with the values of the Windows attributes they stand for.
enum FileAttribute : uint32_t {
    fileAttributeReadOnly = 0x1,    // nobody may write the file
    fileAttributeHidden = 0x2,      // the name begins with "."
    fileAttributeDirectory = 0x10,
    fileAttributeNormal = 0x80,     // a file with none of the other attributes
};

// What fileStatus reports. Times are seconds since 1970-01-01 UTC.
struct FileStatus {
    int64_t size = 0;
    uint32_t attributes = 0;
    int64_t creationTime = 0;  // 0 where the file system keeps no creation time
    int64_t accessTime = 0;
    int64_t modificationTime = 0;
};

// Whether anything exists at path (the `_access(path, 0)` test).
bool pathExists(const char* path);

// Whether both paths name one and the same existing file (through links or different spellings).
bool isSameFile(const char* path, const char* otherPath);

// Fills status for the file or directory at path, following links; false when it cannot be examined.
bool fileStatus(const char* path, FileStatus& status);

// The operations below return 0 on success and otherwise the system error code (errno on POSIX,
// GetLastError() on Windows), which systemErrorText turns into a message. A null path gives the
// code for an invalid argument.

// Sets the access and modification times of a file; a null time pointer leaves that time as it is.
int setFileTimes(const char* path, const int64_t* accessTime, const int64_t* modificationTime);

int makeDirectory(const char* path);
int removeDirectory(const char* path);
int removeFile(const char* path);

// Copies a regular file with its permissions and modification time. With failIfExists an existing
// destination is an error; otherwise it is replaced. Copying a file onto itself is refused.
int copyFile(const char* source, const char* destination, bool failIfExists);

// Moves (renames) a file or directory; an existing destination is an error. A regular file is moved
// to another file system by copying it and deleting the source.
int moveFile(const char* source, const char* destination);

// "(%i) " with the code, followed by the system's English message for it; empty for code 0.
std::string systemErrorText(int code);

// The same for an errno value of the C runtime. On POSIX both kinds of code are errno values.
std::string runtimeErrorText(int code);

}  // namespace Platform
