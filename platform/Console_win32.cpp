#include "platform/Console.h"

#include <io.h>
#include <windows.h>

namespace Platform {

namespace {

HANDLE handleOf(std::FILE* stream) {
    const int descriptor = _fileno(stream);
    return descriptor < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

constexpr WORD kBackgroundBits = 0xF0;

}  // namespace

bool isStreamWritable(std::FILE* stream) {
    return _fileno(stream) < 0 || handleOf(stream) != INVALID_HANDLE_VALUE;
}

bool consoleSize(std::FILE* stream, int& width, int& height) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(handleOf(stream), &info)) return false;
    width = info.srWindow.Right - info.srWindow.Left + 1;
    height = info.srWindow.Bottom - info.srWindow.Top + 1;
    return true;
}

ConsoleColours::ConsoleColours(std::FILE* stream) : m_stream(stream) {
    HANDLE console = handleOf(stream);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(console, &info)) return;
    m_console = console;
    m_recorded = info.wAttributes;
}

void ConsoleColours::setForeground(int consoleColour) {
    if (m_console == nullptr) return;
    std::fflush(m_stream);
    SetConsoleTextAttribute(m_console, static_cast<WORD>((m_recorded & kBackgroundBits) | (consoleColour & 0x0F)));
}

void ConsoleColours::restore() {
    if (m_console == nullptr) return;
    std::fflush(m_stream);
    SetConsoleTextAttribute(m_console, m_recorded);
}

}  // namespace Platform
