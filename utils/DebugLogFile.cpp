#include "utils/DebugLogFile.h"

#include "platform/Directories.h"
#include "platform/FileOpen.h"
#include "utils/TextFormat.h"

#include <cstdarg>
#include <cstdio>

namespace ZUtils {

std::string debugLogFilePath(int id) {
    std::string directory = Platform::temporaryDirectory();
    // The directory without its trailing separators, but never emptied ("/" stays "/").
    while (directory.size() > 1 && (directory.back() == '/' || directory.back() == '\\')) directory.pop_back();
    if (directory.empty() || directory.back() != '/') directory += '/';
    return directory + "zento_dbg_log_" + std::to_string(id);
}

bool startDebugLogFile(int id) {
    FILE* file = Platform::openFile(debugLogFilePath(id).c_str(), "w");
    if (file == nullptr) return false;
    return std::fclose(file) == 0;
}

void appendDebugLogFile(int id, const char* format, ...) {
    if (format == nullptr) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    boundedFormatV(text, sizeof text, format, args);
    va_end(args);
    FILE* file = Platform::openFile(debugLogFilePath(id).c_str(), "a");
    if (file == nullptr) return;
    std::fputs(text, file);
    std::fclose(file);
}

}  // namespace ZUtils
