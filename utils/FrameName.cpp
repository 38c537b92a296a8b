#include "utils/FrameName.h"

#include "utils/PathSeparator.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

const int maxWidth = 12;
const size_t maxReplacementLength = 15;

struct Placeholder {
    size_t length = 0;  // characters of the pattern it covers
    int width = 0;
    bool zeroPadded = false;
    bool isUnsigned = false;
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads an optional "0" and optional digits at text[i]; returns the position after them.
size_t readWidth(const char* text, size_t i, Placeholder& placeholder)
{
    if (text[i] == '0') {
        placeholder.zeroPadded = true;
        ++i;
    }
    int width = 0;
    for (; isDigit(text[i]); ++i)
        width = std::min(width * 10 + (text[i] - '0'), 1000);  // any longer run still counts as 12
    placeholder.width = std::min(width, maxWidth);
    return i;
}

// Examines the pattern at position i. Returns true with the placeholder that starts there; otherwise
// false with the position at which scanning resumes.
bool matchPlaceholder(const char* text, size_t i, Placeholder& placeholder, size_t& resume)
{
    placeholder = Placeholder();
    resume = i + 1;
    if (text[i] == '#') {
        size_t end = i;
        while (text[end] == '#')
            ++end;
        placeholder.length = end - i;
        placeholder.width = static_cast<int>(std::min<size_t>(placeholder.length, maxWidth));
        placeholder.zeroPadded = true;
        return true;
    }
    if (text[i] == '%') {
        if (text[i + 1] == '%') {
            resume = i + 2;
            return false;
        }
        size_t end = readWidth(text, i + 1, placeholder);
        if (!text[end] || !std::strchr("dDiIuU", text[end]))
            return false;
        placeholder.isUnsigned = text[end] == 'u' || text[end] == 'U';
        placeholder.length = end + 1 - i;
        return true;
    }
    if (text[i] == '<') {
        if (std::strncmp(text + i + 1, "frame", 5) != 0) {
            // The character right after such a "<" is passed over along with it.
            resume = text[i + 1] ? i + 2 : i + 1;
            return false;
        }
        size_t end = readWidth(text, i + 6, placeholder);
        if (text[end] != '>')
            return false;
        placeholder.length = end + 1 - i;
        return true;
    }
    return false;
}

// The frame number formatted for one placeholder (at most 15 characters).
std::string formatFrame(int frame, const Placeholder& placeholder)
{
    if (frame == INT_MIN)
        return std::string();  // its magnitude has no signed form
    const bool negative = !placeholder.isUnsigned && frame < 0;
    const uint32_t magnitude =
        placeholder.isUnsigned ? static_cast<uint32_t>(frame) : static_cast<uint32_t>(negative ? -frame : frame);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%u", magnitude);
    const size_t length = std::strlen(digits) + (negative ? 1 : 0);
    const size_t padding = static_cast<size_t>(placeholder.width) > length ? placeholder.width - length : 0;
    std::string sign = negative ? "-" : "";
    if (placeholder.zeroPadded)
        return sign + std::string(padding, '0') + digits;
    return std::string(padding, ' ') + sign + digits;
}

}  // namespace

std::string expandFrameName(const char* pattern, int frame, const char* replacement)
{
    std::string result;
    if (!pattern)
        return result;
    const size_t length = std::strlen(pattern);
    const char* separator = lastPathSeparator(pattern);
    const char* replacementText = replacement ? replacement : "";
    size_t copied = 0;
    size_t i = separator ? static_cast<size_t>(separator - pattern) + 1 : 0;
    while (i < length) {
        Placeholder placeholder;
        size_t resume;
        if (!matchPlaceholder(pattern, i, placeholder, resume)) {
            i = resume;
            continue;
        }
        result.append(pattern + copied, i - copied);
        if (frame == kNoFrame)
            result.append(replacementText, strnlen(replacementText, maxReplacementLength));
        else
            result += formatFrame(frame, placeholder);
        i += placeholder.length;
        copied = i;
    }
    result.append(pattern + copied, length - copied);
    return result;
}

bool hasFrameNumberPattern(const char* pattern)
{
    if (!pattern)
        return false;
    const size_t length = std::strlen(pattern);
    for (size_t i = 0; i < length;) {
        Placeholder placeholder;
        size_t resume;
        if (matchPlaceholder(pattern, i, placeholder, resume))
            return true;
        i = resume;
    }
    return false;
}

int parseFrameNumber(const char* name)
{
    if (!name)
        return kNoFrame;
    const char* dot = std::strrchr(name, '.');
    const char* separator = lastPathSeparator(name);
    if (!dot || (separator && dot < separator))
        return kNoFrame;
    // The nearest digit left of the ".", within the file-name part.
    const char* end = nullptr;
    for (const char* p = dot; p > name && !end;) {
        --p;
        if (isDigit(*p))
            end = p + 1;
        else if (*p == '/' || *p == '\\')
            return kNoFrame;
    }
    if (!end)
        return kNoFrame;
    const char* start = end - 1;
    while (start > name && isDigit(start[-1]))
        --start;
    const bool negative = start > name && start[-1] == '-';
    // Accumulate as a negative number so that INT_MIN itself can be read; longer runs do not fit.
    int64_t value = 0;
    for (const char* p = start; p < end; ++p) {
        value = value * 10 - (*p - '0');
        if (value < INT64_C(-2147483648))
            return kNoFrame;
    }
    if (!negative)
        value = -value;
    return value > INT_MAX ? kNoFrame : static_cast<int>(value);
}

std::string getFileExtension(const char* path)
{
    const char* dot = path ? std::strrchr(path, '.') : nullptr;
    if (!dot)
        return std::string();
    std::string extension(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}
