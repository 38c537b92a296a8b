// Queries about files and the process's directories. Paths are 8-bit (UTF-8) texts.
#pragma once

#include <cstdint>
#include <string>

// The file's last modification time in seconds since 1970, or 0 when it cannot be examined.
int64_t getFileModificationTime(const char* path);

namespace ZUtils {

// The attribute value reported for a file that cannot be examined.
const uint32_t invalidFileAttributes = 0xFFFFFFFF;

// The size of the file in bytes; false when it cannot be examined.
bool getFileSize(const char* path, int64_t& size);

// The file's attribute bits (Platform::FileAttribute), or invalidFileAttributes.
uint32_t getFileAttributes(const char* path);

// The creation (0 where the file system keeps none), access and modification times in seconds since
// 1970; a null pointer skips that time. False when the file cannot be examined.
bool getFileTimes(const char* path, int64_t* creationTime, int64_t* accessTime, int64_t* modificationTime);

// Sets the access and modification times; a null pointer leaves that time as it is.
bool setFileTimes(const char* path, const int64_t* accessTime, const int64_t* modificationTime);

// The process's current directory and the temporary directory, in UTF-16; empty when unknown.
std::u16string getCurrentDirectory();
std::u16string getTemporaryDirectory();

}  // namespace ZUtils
