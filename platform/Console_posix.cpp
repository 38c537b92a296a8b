#include "platform/Console.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace Platform {

bool isStreamWritable(std::FILE* stream) {
    const int fd = fileno(stream);
    return fd < 0 || fcntl(fd, F_GETFD) != -1;
}

bool consoleSize(std::FILE* stream, int& width, int& height) {
    const int fd = fileno(stream);
    winsize size{};
    if (fd < 0 || !isatty(fd) || ioctl(fd, TIOCGWINSZ, &size) != 0) return false;
    width = size.ws_col;
    height = size.ws_row;
    return true;
}

ConsoleColours::ConsoleColours(std::FILE* stream) : m_stream(stream) {}

void ConsoleColours::setForeground(int consoleColour) {
    // ANSI numbers its colours with red as bit 1 and blue as bit 4, the console the other way round.
    const int rgb = ((consoleColour & 1) << 2) | (consoleColour & 2) | ((consoleColour & 4) >> 2);
    const int code = ((consoleColour & 8) != 0 ? 90 : 30) + rgb;
    std::fprintf(m_stream, "\x1b[%dm", code);
}

void ConsoleColours::restore() { std::fputs("\x1b[0m", m_stream); }

}  // namespace Platform
