#include "utils/FileErrors.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <new>

namespace ZUtils {

namespace {

// Handed out when a record cannot be allocated; never deleted and never linked to anything.
ErrorRecord outOfMemoryRecord = [] {
    ErrorRecord record;
    record.function = "ZUtils::makeError";
    std::snprintf(record.message, sizeof record.message, "Out of memory");
    record.code = ENOMEM;
    return record;
}();

}  // namespace

void ErrorRecordDeleter::operator()(ErrorRecord* record) const
{
    if (record != &outOfMemoryRecord)
        delete record;
}

ErrorChain makeError(const char* function, int32_t code, ErrorChain cause, const char* format, ...)
{
    ErrorRecord* record = new (std::nothrow) ErrorRecord;
    if (!record)
        return ErrorChain(&outOfMemoryRecord);
    record->function = function;
    record->code = code;
    record->next = std::move(cause);
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(record->message, sizeof record->message, format, arguments);
    va_end(arguments);
    return ErrorChain(record);
}

}  // namespace ZUtils
