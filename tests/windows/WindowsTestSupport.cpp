#include "tests/windows/WindowsTestSupport.h"

#include "platform/FileOpen.h"
#include "tools/cachewriter/CacheWriter.h"
#include "utils/UtfConversion.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

namespace {

std::wstring wide(const std::string& text) {
    const std::u16string units = utf8ToWide(text);
    return std::wstring(units.begin(), units.end());
}

std::string utf8(const std::wstring& text) { return wideToUtf8(std::u16string(text.begin(), text.end())); }

// Removes a folder with everything in it.
void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::string readAll(const std::string& path) {
    std::FILE* file = Platform::openFile(path.c_str(), "rb");
    if (file == nullptr) return "<missing>";
    std::string text;
    char buffer[256];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    std::fclose(file);
    return text;
}

std::string programDirectory() {
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring directory(path, length);
    directory.erase(directory.find_last_of(L"\\/") + 1);
    return utf8(directory);
}

ScratchFolder::ScratchFolder() {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::wstring candidate = std::wstring(temp, length) + L"ovr_win_" + std::to_wstring(GetCurrentProcessId()) +
                                       L"_" + std::to_wstring(serial++);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) path_ = utf8(candidate);
    }
    EXPECT_FALSE(path_.empty()) << "no scratch folder in the temporary directory";
}

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) removeTree(wide(path_));
}

std::string ScratchFolder::write(const std::string& name, const std::string& content) const {
    const std::string path = *this / name;
    std::FILE* file = _wfopen(wide(path).c_str(), L"wb");
    EXPECT_NE(file, nullptr) << path;
    if (file != nullptr) {
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    return path;
}

float cacheValue(int channel, int element) { return static_cast<float>(channel) + 0.25f * static_cast<float>(element); }

bool writeCacheFrame(const std::string& path, int x, int y, int z, const std::vector<int>& channels,
                     const float transform[12]) {
    OvrWriter::GridDataBuilder grid;
    const int count = x * y * z;
    // 24 bits store the floats exactly; zones of a quarter of the grid make a zone table.
    OvrWriter::QuantOptions exact;
    exact.bits = 24;
    for (int channel : channels) {
        std::vector<float> values(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) values[static_cast<size_t>(i)] = cacheValue(channel, i);
        const OvrWriter::Bytes block = OvrWriter::encodeChannel1D(values.data(), count, exact, count / 4 + 1);
        if (block.empty()) return false;
        grid.addBlock(channel, block);
    }
    OvrWriter::CacheWriter writer;
    writer.channelFlags(grid.channelFlags());
    writer.transform(transform);
    writer.grid(x, y, z, grid.words());
    writer.frameNumber(7);
    const OvrWriter::Bytes bytes = writer.build();
    std::FILE* file = _wfopen(wide(path).c_str(), L"wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
