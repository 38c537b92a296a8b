#include "utils/TextFormat.h"

#include "platform/LocalTime.h"
#include "platform/ProcessMemory.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace ZUtils {
namespace {

int emptyText(char* buffer, size_t size) {
    if (size > 0) buffer[0] = '\0';
    return 0;
}

}  // namespace

int boundedFormatV(char* buffer, size_t size, const char* format, va_list args) {
    if (size == 0) return 0;
    buffer[0] = '\0';
    if (format == nullptr) return -1;
    const int length = std::vsnprintf(buffer, size, format, args);
    buffer[size - 1] = '\0';
    if (length < 0 || static_cast<size_t>(length) >= size) return -1;
    return length;
}

int boundedFormat(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = boundedFormatV(buffer, size, format, args);
    va_end(args);
    return length;
}

int formatDate(char* buffer, size_t size, int64_t time) {
    static const char* const monthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local;
    if (!Platform::localTime(time, local)) return emptyText(buffer, size);
    const int month = local.tm_mon < 0 ? 0 : (local.tm_mon > 11 ? 11 : local.tm_mon);
    return boundedFormat(buffer, size, "%i/%s/%i", local.tm_year + 1900, monthNames[month], local.tm_mday);
}

int formatClockTime(char* buffer, size_t size, int64_t time) {
    std::tm local;
    if (!Platform::localTime(time, local)) return emptyText(buffer, size);
    return boundedFormat(buffer, size, "%02i:%02i:%02i", local.tm_hour, local.tm_min, local.tm_sec);
}

int formatDuration(int milliseconds, char* buffer, size_t size) {
    const float seconds = static_cast<float>(milliseconds) * 0.001f;
    const int hours = static_cast<int>(std::floor(seconds / 3600.0f));
    const int minutes = static_cast<int>(std::floor(std::fmod(seconds / 60.0f, 60.0f)));
    const float rest = std::fmod(seconds, 60.0f);
    return boundedFormat(buffer, size, "%2ih %2im %4.1fs", hours, minutes, static_cast<double>(rest));
}

bool formatWorkingSet(char* buffer, size_t size) {
    if (size == 0) return false;
    long long bytes = 0;
    if (!Platform::workingSetBytes(bytes)) {
        emptyText(buffer, size);
        return false;
    }
    return boundedFormat(buffer, size, "Working set: %lld MB", bytes >> 20) >= 0;
}

}  // namespace ZUtils
