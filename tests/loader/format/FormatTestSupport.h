// Helpers of the cache format tests: files written by the cache writer and frames read from them.
#pragma once

#include "loader/format/FumaraFrameData.h"
#include "loader/format/ParticleGroup.h"
#include "tests/utils/LogCapture.h"
#include "tools/cachewriter/CacheWriter.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace FormatTest {

using TestSupport::LogCapture;

// A fresh path in this test process's own scratch folder, which is removed at exit.
inline std::string tempPath(const std::string& name) {
    static const ScratchDirectory folder;
    static int files = 0;
    return folder / (std::to_string(++files) + "_" + name);
}

// Written plainly: the tests write thousands of files that need not survive a crash.
inline std::string saveBytes(const OvrWriter::Bytes& bytes, const std::string& name = "frame.ovr") {
    const std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// The bytes of a cache file of the given version with what `fill` writes into it.
inline OvrWriter::Bytes cacheFile(int32_t version, const std::function<void(OvrWriter::CacheWriter&)>& fill) {
    OvrWriter::CacheWriter writer(version);
    fill(writer);
    return writer.build();
}

struct ReadResult {
    std::unique_ptr<FumaraFrameData> frame = std::make_unique<FumaraFrameData>();
    int code = -1;
};

inline ReadResult importBytes(const OvrWriter::Bytes& bytes, bool headerOnly = false) {
    const std::string path = saveBytes(bytes);
    ReadResult result;
    result.code = result.frame->ImportOvr(path.c_str(), headerOnly);
    unlink(path.c_str());
    return result;
}

inline ReadResult importFile(const OvrWriter::CacheWriter& writer, bool headerOnly = false) {
    return importBytes(writer.build(), headerOnly);
}

// n floats following a smooth pattern, distinct enough to catch misplaced values.
inline std::vector<float> pattern(int64_t n, float scale = 1.0f, float offset = 0.0f) {
    std::vector<float> values(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) values[i] = offset + scale * std::sin(0.37f * static_cast<float>(i)) + 0.001f * i;
    return values;
}

inline std::vector<uint32_t> floatWords(const std::vector<float>& values) {
    std::vector<uint32_t> words(values.size());
    if (!values.empty()) memcpy(words.data(), values.data(), values.size() * 4);
    return words;
}

// The decoded channel, particle after particle; empty when a read fails. count -1 reads getCount().
inline std::vector<uint32_t> channelWords(IFumaraPrtGroup& group, int channel, int count = -1) {
    std::vector<uint32_t> all, value(static_cast<size_t>(group.getChannelByteSize(channel) / 4));
    for (int particle = 0; particle < (count < 0 ? group.getCount() : count); ++particle) {
        if (!group.getParticleValue(particle, channel, value.data())) return {};
        all.insert(all.end(), value.begin(), value.end());
    }
    return all;
}

inline OvrWriter::ParticleChannel channelOf(int32_t channel, std::vector<uint32_t> words, int32_t method = 0) {
    OvrWriter::ParticleChannel made;
    made.channel = channel, made.words = std::move(words), made.method = method;
    return made;
}

// A group of count particles with positions only, following pattern(3 * count, 2, 5).
inline OvrWriter::ParticleGroup positionsGroup(const std::string& name, int32_t count) {
    OvrWriter::ParticleGroup group;
    group.name = name, group.count = count;
    group.channels = {channelOf(0, floatWords(pattern(3 * count, 2.0f, 5.0f)))};
    return group;
}

}  // namespace FormatTest
