#include "platform/DebugDestination.h"

#include "platform/WideText_win32.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace Platform {

namespace {

HANDLE asHandle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

}  // namespace

std::string DebugDestination::initialSetting() {
    const wchar_t* setting = _wgetenv(L"ZENTO_DEBUG_OUTPUT");
    return setting != nullptr ? fromWide(setting) : std::string();
}

void DebugDestination::toDebugger(const char* text) {
    OutputDebugStringA(text);
}

void DebugDestination::useStandardError() {
    close();
    const HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
    if (standardError != INVALID_HANDLE_VALUE && standardError != nullptr) {
        m_handle = reinterpret_cast<intptr_t>(standardError);
    }
}

void DebugDestination::openFile(const char* path) {
    close();
    // Appending access alone: every write lands at the end, also with other writers.
    const HANDLE file = CreateFileW(toWide(path).c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    m_handle = reinterpret_cast<intptr_t>(file);
    m_owned = true;
}

void DebugDestination::close() {
    if (m_owned) CloseHandle(asHandle(m_handle));
    m_handle = -1;
    m_owned = false;
}

void DebugDestination::write(const char* text) const {
    if (m_handle == -1) return;
    size_t length = std::strlen(text);
    while (length > 0) {
        const DWORD chunk = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
        DWORD written = 0;
        if (!WriteFile(asHandle(m_handle), text, chunk, &written, nullptr) || written == 0) return;
        text += written;
        length -= written;
    }
}

}  // namespace Platform
