// Helpers of the cache format tests: files written by the cache writer, frames read from them,
// and the loader's log captured per test.
#pragma once

#include "loader/format/FumaraFrameData.h"
#include "loader/format/ParticleGroup.h"
#include "tools/cachewriter/CacheWriter.h"
#include "utils/Log.h"

#include <memory>
#include <string>
#include <vector>

namespace FormatTest {

// A path in this test process's own temporary folder.
std::string tempPath(const std::string& name);
// Writes the bytes to a fresh file and returns its path.
std::string saveBytes(const OvrWriter::Bytes& bytes, const std::string& name = "frame.ovr");

struct ReadResult {
    std::unique_ptr<FumaraFrameData> frame;
    int code = -1;
};
// Reads the bytes through FumaraFrameData::ImportOvr.
ReadResult importBytes(const OvrWriter::Bytes& bytes, bool headerOnly = false);
ReadResult importFile(const OvrWriter::CacheWriter& writer, bool headerOnly = false);

// Collects everything logMessage writes while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::string text() const;
    int count(const std::string& message) const;
    bool contains(const std::string& message) const { return count(message) > 0; }

private:
    std::string path_;
    ZUtils::LogSettings previous_;
};

// n floats following a smooth pattern, distinct enough to catch misplaced values.
std::vector<float> pattern(int64_t n, float scale = 1.0f, float offset = 0.0f);
std::vector<uint32_t> floatWords(const std::vector<float>& values);
// The value that one particle holds in one channel, read through the interface.
std::vector<uint32_t> particleWords(IFumaraPrtGroup& group, int particle, int channel);
// The whole decoded channel, particle after particle (empty when a read fails).
// count -1 reads getCount() particles.
std::vector<uint32_t> channelWords(IFumaraPrtGroup& group, int channel, int count = -1);

// A particle channel stored as the given words with the given compression method.
OvrWriter::ParticleChannel channelData(int32_t number, const std::vector<uint32_t>& words, int32_t method = 0);

}  // namespace FormatTest
