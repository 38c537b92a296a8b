// Small text formatters: bounded printf, date and clock time, durations, the working set.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace ZUtils {

// printf into a buffer of `size` bytes that always ends in a terminator. Returns the length written,
// -1 when the text was cut or formatting failed, and 0 (writing nothing) when size is 0.
int boundedFormat(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int boundedFormatV(char* buffer, size_t size, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

// The local date of a time (seconds since the epoch) as "%i/%s/%i": year, English month abbreviation
// (Jan to Dec), day of month, e.g. "2018/Mar/7". Writes an empty text and returns 0 when the time cannot
// be converted; otherwise returns as boundedFormat does.
int formatDate(char* buffer, size_t size, int64_t time);

// The local clock time of a time as "%02i:%02i:%02i", e.g. "09:05:03"; failure as formatDate.
int formatClockTime(char* buffer, size_t size, int64_t time);

// A duration in milliseconds as "%2ih %2im %4.1fs" (hours, minutes, seconds), computed in single
// precision. Returns as boundedFormat does.
int formatDuration(int milliseconds, char* buffer, size_t size);

// "Working set: %lld MB" with the process's resident memory in whole mebibytes. Returns true when the
// text fit; false when size is 0, the process cannot be queried, or the text was cut.
bool formatWorkingSet(char* buffer, size_t size);

}  // namespace ZUtils
