#include "tests/windows/WindowsTestSupport.h"

#include "platform/Directories.h"
#include "platform/FileOpen.h"
#include "platform/FileSystem.h"
#include "platform/FileSystemListing.h"
#include "tools/cachewriter/CacheWriter.h"
#include "utils/UtfConversion.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

std::string programDirectory() {
    wchar_t path[MAX_PATH * 4];
    std::u16string directory(path, path + GetModuleFileNameW(nullptr, path, MAX_PATH * 4));
    directory.erase(directory.find_last_of(u"\\/") + 1);
    return wideToUtf8(directory);
}

ScratchFolder::ScratchFolder() {
    static std::atomic<int> serial{0};
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::string candidate = Platform::temporaryDirectory() + "ovr_win_" + std::to_string(GetCurrentProcessId()) +
                                      "_" + std::to_string(serial++);
        if (Platform::makeDirectory(candidate.c_str()) == 0) path_ = candidate;
    }
    EXPECT_FALSE(path_.empty()) << "no scratch folder in the temporary directory";
}

ScratchFolder::~ScratchFolder() {
    Platform::DirectoryListing listing;
    std::string name;
    for (bool more = !path_.empty() && listing.first((*this / "*").c_str(), name); more; more = listing.next(name)) {
        Platform::removeFile((*this / name).c_str());
    }
    Platform::removeDirectory(path_.c_str());
}

std::string ScratchFolder::write(const std::string& name, const std::string& content) const {
    const std::string path = *this / name;
    std::FILE* file = Platform::openFile(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file != nullptr) {
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    return path;
}

bool writeCacheFrame(const std::string& path, int n, const std::vector<int>& channels) {
    OvrWriter::GridDataBuilder grid;
    const int count = n * n * n;
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
    const float identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    writer.transform(identity);
    writer.grid(n, n, n, grid.words());
    writer.frameNumber(7);
    const OvrWriter::Bytes bytes = writer.build();
    std::FILE* file = Platform::openFile(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
