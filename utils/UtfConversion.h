// Conversions between 8-bit path texts (UTF-8) and UTF-16. They are lossless for any byte string:
// a byte that is not part of well-formed UTF-8 travels as the code point U+100000 + byte (the
// surrogate pair 0xDBC0, 0xDC00 + byte) and comes back as that byte.
#pragma once

#include <string>

// Converts a zero-terminated 8-bit text into UTF-16. Writes at most `capacity` units to `out`,
// stopping before the first character that does not fit (a surrogate pair needs room for a
// terminating zero behind it as well), and adds a terminating zero when room is left; a completely
// filled buffer gets none. Returns the number of units produced, without the terminator. With a
// null `out` it only counts the units of the whole text.
int utf8ToWide(const char* text, char16_t* out, int capacity);

// Converts a zero-terminated UTF-16 text into 8-bit text, with the same buffer rules in bytes.
int wideToUtf8(const char16_t* text, char* out, int capacity);

// Whole-string forms; zero characters inside the strings are converted like any other.
std::u16string utf8ToWide(const std::string& text);
std::string wideToUtf8(const std::u16string& text);
