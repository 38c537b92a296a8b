// What a Platform::ThreadHandle refers to on Windows.
#pragma once

#include "platform/Thread.h"

#include <windows.h>

namespace Platform {

struct ThreadObject {
    HANDLE handle = nullptr;
    DWORD id = 0;
    bool joinable = false;  // made by startThread and not yet joined
};

}  // namespace Platform
