// File and directory operations. Each returns an empty chain on success and a chain of error
// records (utils/FileErrors.h) on failure. Paths are 8-bit (UTF-8) texts, or UTF-16 for the uni*
// functions.
#pragma once

#include "utils/FileErrors.h"

namespace ZUtils {

// Creates every missing directory along path; an existing directory is no error. Paths of 260
// characters or more are refused.
ErrorChain createPath(const char* path);

// Copies a file through buffered runtime files in blocks of 1024 bytes, replacing the destination.
ErrorChain copyFile(const char* source, const char* destination);

// Copies a file with the operating system's copy call; with failIfExists an existing destination is
// an error.
ErrorChain copyFileOS(const char* source, const char* destination, bool failIfExists = false);

// Moves a file with the operating system's move call; an existing destination is an error.
ErrorChain moveFileOS(const char* source, const char* destination);

// Deletes a file with the operating system's delete call.
ErrorChain deleteFile(const char* path);

// Moves a file or directory to the user's recycle bin (the freedesktop.org trash on Linux).
ErrorChain recycleFileOS(const char* path);

// Creates one directory.
ErrorChain uniMakeDir2(const char16_t* path);

// Removes one (empty) directory.
ErrorChain uniRemoveDir(const char16_t* path);

// Removes one file.
ErrorChain uniRemoveFile(const char16_t* path);

}  // namespace ZUtils
