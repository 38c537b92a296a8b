#include "utils/ConsolePrinter.h"

#include "platform/Console.h"

#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace ZUtils {
namespace {

std::atomic<FILE*> consoleStream{nullptr};

FILE* consoleOutput() {
    FILE* stream = consoleStream.load();
    return stream != nullptr ? stream : stdout;
}

constexpr char kEscape = '\x1b';
constexpr size_t kMaxEscapeLength = 64;

// The escapes the printer knows, with the console colour each selects (bits: 1 blue, 2 green, 4 red,
// 8 intensity).
struct ColourEscape {
    const char* sequence;
    int consoleColour;
};
constexpr ColourEscape kColourEscapes[] = {
    {"\x1b[0;31m", 4}, {"\x1b[0;32m", 2}, {"\x1b[0;33m", 6},
    {"\x1b[0;34m", 3}, {"\x1b[1;34m", 11}, {"\x1b[0;35m", 5},
};
constexpr char kResetEscape[] = "\x1b[0m";

void writeRun(FILE* out, const char* begin, const char* end) {
    if (end > begin) std::fwrite(begin, 1, static_cast<size_t>(end - begin), out);
}

// Length of the escape starting at `text` (ESC up to and including "m"), or 0 when the text ends
// first; `tooLong` is set when kMaxEscapeLength characters hold no "m".
size_t escapeLength(const char* text, bool& tooLong) {
    tooLong = false;
    for (size_t i = 0; i < kMaxEscapeLength; ++i) {
        if (text[i] == '\0') return 0;
        if (text[i] == 'm') return i + 1;
    }
    tooLong = true;
    return 0;
}

void printWithoutEscapes(FILE* out, const char* text) {
    const char* run = text;
    for (const char* p = text; *p != '\0';) {
        if (*p != kEscape) {
            ++p;
            continue;
        }
        writeRun(out, run, p);
        const char* close = std::strchr(p, 'm');
        p = close != nullptr ? close + 1 : p + std::strlen(p);
        run = p;
    }
    writeRun(out, run, text + std::strlen(text));
}

void printWithColours(FILE* out, const char* text) {
    Platform::ConsoleColours colours(out);
    bool coloured = false;  // a colour is set that the end must undo
    const char* run = text;
    const char* p = text;
    while (*p != '\0') {
        if (*p != kEscape) {
            ++p;
            continue;
        }
        bool tooLong = false;
        const size_t length = escapeLength(p, tooLong);
        if (tooLong) {
            std::fputs("zutils_cprint: Incorrect ESC length!\n", out);
            break;
        }
        if (length == 0) break;  // an unfinished escape at the end of the text is dropped
        writeRun(out, run, p);
        if (length == sizeof kResetEscape - 1 && std::strncmp(p, kResetEscape, length) == 0) {
            colours.restore();
            coloured = false;
        } else {
            for (const ColourEscape& escape : kColourEscapes) {
                if (std::strlen(escape.sequence) == length && std::strncmp(p, escape.sequence, length) == 0) {
                    colours.setForeground(escape.consoleColour);
                    coloured = true;
                    break;
                }
            }
        }
        p += length;
        run = p;
    }
    writeRun(out, run, p);
    if (coloured) colours.restore();
}

}  // namespace

FILE* setConsoleOutput(FILE* stream) {
    FILE* previous = consoleStream.exchange(stream);
    return previous != nullptr ? previous : stdout;
}

bool consoleSize(int& width, int& height) { return Platform::consoleSize(consoleOutput(), width, height); }

int consoleWidth() {
    int width = 0;
    int height = 0;
    return consoleSize(width, height) && width > 0 ? width : 80;
}

}  // namespace ZUtils

void zutils_cprint(bool colours, const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    FILE* out = ZUtils::consoleOutput();
    if (!Platform::isStreamWritable(out)) {
        std::puts("zutils_cprint: Invalid handle!");
        return;
    }
    if (colours) {
        ZUtils::printWithColours(out, text);
    } else {
        ZUtils::printWithoutEscapes(out, text);
    }
    std::fflush(out);
}

void zutils_cprintf(bool colours, const char* format, ...) {
    if (format == nullptr) return;
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) {
        va_end(args);
        return;
    }
    char local[2048];
    const size_t size = static_cast<size_t>(length) + 1;
    char* text = size <= sizeof local ? local : static_cast<char*>(std::malloc(size));
    if (text != nullptr) {
        std::vsnprintf(text, size, format, args);
        zutils_cprint(colours, text);
        if (text != local) std::free(text);
    }
    va_end(args);
}
