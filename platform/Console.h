// The console behind an output stream: whether it can be written, its size and its text colours.
#pragma once

#include <cstdio>

namespace Platform {

// False when the stream's descriptor has been closed; a stream without a descriptor (in memory)
// counts as writable.
bool isStreamWritable(std::FILE* stream);

// Width in columns and height in rows of the visible window of the stream's console (terminal);
// false, leaving both unchanged, when the stream is no console.
bool consoleSize(std::FILE* stream, int& width, int& height);

// The text colours of the console behind a stream, in the console's colour numbers (bits: 1 blue,
// 2 green, 4 red, 8 intensity). On a terminal (POSIX) they are ANSI escapes written into the stream;
// on a Windows console they are the console's text attributes, set after flushing the stream, and a
// Windows stream that is no console gets no colours.
class ConsoleColours {
public:
    // Records the console's present colours.
    explicit ConsoleColours(std::FILE* stream);

    // The foreground colour of what is written next; the recorded background stays.
    void setForeground(int consoleColour);

    // Back to the recorded colours.
    void restore();

private:
    std::FILE* m_stream;
    void* m_console = nullptr;       // the Windows console handle; null elsewhere
    unsigned short m_recorded = 0;   // the Windows console's attributes when recorded
};

}  // namespace Platform
