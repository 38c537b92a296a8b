// The console printer: text with ANSI colour escapes to standard output, and the console's size.
#pragma once

#include <cstdio>

// Prints a text to the console. With `colours`, the listed colour escapes ("\e[0;31m" red, "\e[0;32m"
// green, "\e[0;33m" yellow, "\e[0;34m" cyan, "\e[1;34m" bright cyan, "\e[0;35m" magenta) switch the
// foreground colour and keep the background, "\e[0m" restores the terminal's attributes, any other
// escape is dropped; the original attributes are restored at the end. An escape that runs to 64
// characters without its closing "m" ends the print with "zutils_cprint: Incorrect ESC length!".
// Without `colours` every escape (ESC up to and including the next "m") is removed.
// A null or empty text does nothing.
void zutils_cprint(bool colours, const char* text);

// Formats printf-style, then prints as zutils_cprint does.
void zutils_cprintf(bool colours, const char* format, ...) __attribute__((format(printf, 2, 3)));

namespace ZUtils {

// Replaces the stream the printer writes to (standard output by default); null restores standard
// output. Returns the previous stream. consoleSize and consoleWidth ask about this stream's terminal.
FILE* setConsoleOutput(FILE* stream);

// Width in columns and height in rows of the console's terminal window; false (leaving both
// unchanged) when the output is no terminal.
bool consoleSize(int& width, int& height);

// Width in columns of the console's terminal window; 80, the customary terminal width, when the
// output is no terminal.
int consoleWidth();

}  // namespace ZUtils
