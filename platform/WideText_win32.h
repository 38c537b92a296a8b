// The UTF-8 texts of the platform interface as the UTF-16 texts of the wide Windows calls, and
// back, through the lossless conversions of utils/UtfConversion.h.
#pragma once

#include "utils/UtfConversion.h"

#include <cwchar>
#include <string>

namespace Platform {

// Empty for a null text.
inline std::wstring toWide(const char* text) {
    if (text == nullptr) return std::wstring();
    const std::u16string wide = utf8ToWide(std::string(text));
    return std::wstring(wide.begin(), wide.end());
}

inline std::string fromWide(const wchar_t* text) {
    if (text == nullptr) return std::string();
    const std::u16string wide(text, text + wcslen(text));
    return wideToUtf8(wide);
}

}  // namespace Platform
