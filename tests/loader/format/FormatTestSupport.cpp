#include "FormatTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

// A damaged file may ask for more memory than exists; the reader must then see a failed allocation
// (as in a normal build) rather than have the sanitizer stop the test.
extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace FormatTest {

namespace {

// A folder of this process, removed with everything in it when the process ends.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = "/tmp/ovr_format_test_XXXXXX";
        if (mkdtemp(&pattern[0]))
            path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

const std::string& tempFolder() {
    static const TempFolder folder;
    return folder.path;
}

int fileCounter = 0;

}  // namespace

std::string tempPath(const std::string& name) {
    return tempFolder() + "/" + name;
}

std::string saveBytes(const OvrWriter::Bytes& bytes, const std::string& name) {
    const std::string path = tempPath(std::to_string(++fileCounter) + "_" + name);
    OvrWriter::writeBytes(path, bytes);
    return path;
}

ReadResult importBytes(const OvrWriter::Bytes& bytes, bool headerOnly) {
    ReadResult result;
    const std::string path = saveBytes(bytes);
    result.frame = std::make_unique<FumaraFrameData>();
    result.code = result.frame->ImportOvr(path.c_str(), headerOnly);
    unlink(path.c_str());
    return result;
}

ReadResult importFile(const OvrWriter::CacheWriter& writer, bool headerOnly) {
    return importBytes(writer.build(), headerOnly);
}

LogCapture::LogCapture() : previous_(ZUtils::logSettings()) {
    path_ = tempPath("log_" + std::to_string(++fileCounter) + ".txt");
    ZUtils::LogSettings settings;
    settings.filePath = path_;
    ZUtils::setLogSettings(settings);
}

LogCapture::~LogCapture() {
    ZUtils::setLogSettings(previous_);
    unlink(path_.c_str());
}

std::string LogCapture::text() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

int LogCapture::count(const std::string& message) const {
    const std::string all = text();
    int found = 0;
    for (size_t at = all.find(message); at != std::string::npos; at = all.find(message, at + message.size()))
        ++found;
    return found;
}

std::vector<float> pattern(int64_t n, float scale, float offset) {
    std::vector<float> values(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i)
        values[static_cast<size_t>(i)] = offset + scale * std::sin(0.37f * static_cast<float>(i)) + 0.001f * i;
    return values;
}

std::vector<uint32_t> floatWords(const std::vector<float>& values) {
    std::vector<uint32_t> words(values.size());
    if (!values.empty())
        memcpy(words.data(), values.data(), values.size() * 4);
    return words;
}

std::vector<uint32_t> particleWords(IFumaraPrtGroup& group, int particle, int channel) {
    std::vector<uint32_t> words(static_cast<size_t>(group.getChannelByteSize(channel) / 4));
    if (!group.getParticleValue(particle, channel, words.data()))
        return {};
    return words;
}

std::vector<uint32_t> channelWords(IFumaraPrtGroup& group, int channel, int count) {
    std::vector<uint32_t> all;
    const int particles = count < 0 ? group.getCount() : count;
    for (int particle = 0; particle < particles; ++particle) {
        const std::vector<uint32_t> words = particleWords(group, particle, channel);
        if (words.empty())
            return {};
        all.insert(all.end(), words.begin(), words.end());
    }
    return all;
}

OvrWriter::ParticleChannel channelData(int32_t number, const std::vector<uint32_t>& words, int32_t method) {
    OvrWriter::ParticleChannel channel;
    channel.channel = number;
    channel.words = words;
    channel.method = method;
    return channel;
}

}  // namespace FormatTest
