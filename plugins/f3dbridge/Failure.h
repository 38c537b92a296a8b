// The first failure of a read: its result code (an ImportResult) and what went wrong, for the log.
#pragma once

#include "plugins/f3dbridge/F3dVolume.h"

#include <string>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

struct Failure {
    int code = ImportSucceeded;
    std::string message;

    // Keeps the first failure only; returns false so that a reader can write `return failure.set(...)`.
    bool set(int resultCode, const std::string& what) {
        if (code == ImportSucceeded) {
            code = resultCode;
            message = what;
        }
        return false;
    }
    bool broken(const std::string& what) { return set(ImportBrokenFile, what); }
};

}  // namespace F3dBridge

#pragma GCC visibility pop
