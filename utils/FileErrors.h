// The error records by which the file functions of ZUtils report failure: a function returns a chain
// of records (the outermost failure first, each linked to its cause) and an empty chain on success.
#pragma once

#include <cstdint>
#include <memory>

namespace ZUtils {

struct ErrorRecord;

struct ErrorRecordDeleter {
    void operator()(ErrorRecord* record) const;
};

// Null on success.
using ErrorChain = std::unique_ptr<ErrorRecord, ErrorRecordDeleter>;

struct ErrorRecord {
    const char* function = nullptr;  // name of the reporting function
    char message[512] = {};          // at most 511 characters
    int32_t code = 0;                // the system or runtime error code, 0 when there is none
    ErrorChain next;                 // the failure that caused this one
};

// A new record for function with code and a printf-style message (cut to 511 characters), linked to
// cause. When no record can be allocated, a shared record saying so is returned instead, so that a
// failure is never reported as success.
ErrorChain makeError(const char* function, int32_t code, ErrorChain cause, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

}  // namespace ZUtils
