#include "utils/AtomicFile.h"

#include "platform/FileReplace.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <cstdio>
#include <random>

namespace FMRUtils {

namespace {

// ".NAME.<process tag>-<count>.partial" in the destination's folder. The random process tag keeps
// two processes that write the same destination (a retried farm task) apart.
std::string temporaryNameFor(const std::string& destination) {
    static std::atomic<unsigned long long> count{0};
    static const unsigned long long processTag = [] {
        std::random_device device;
        return (0ULL + device()) << 32 | device();
    }();
    const size_t slash = destination.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%016llx-%llu.partial", processTag, count.fetch_add(1));
    return destination.substr(0, nameStart) + "." + destination.substr(nameStart) + suffix;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& destination)
    : destination_(destination), temporary_(temporaryNameFor(destination)),
      out_(temporary_, std::ios::binary | std::ios::trunc) {}

AtomicFile::~AtomicFile() {
    if (committed_) return;
    if (out_.is_open()) out_.close();
    Platform::removeFile(temporary_.c_str());
}

bool AtomicFile::commit() {
    if (committed_ || !out_.is_open()) return false;
    out_.flush();
    const std::streamoff written = out_.tellp();
    out_.close();
    if (out_.fail() || written < 0) return false;
    // A short write that the stream did not notice would show as a smaller file.
    Platform::FileStatus status;
    if (!Platform::fileStatus(temporary_.c_str(), status) || status.size != written) return false;
    if (Platform::syncFile(temporary_.c_str()) != 0) return false;
    if (Platform::replaceFile(temporary_.c_str(), destination_.c_str()) != 0) return false;
    committed_ = true;
    return true;
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size) {
    AtomicFile file(path);
    file.stream().write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file.commit();
}

}  // namespace FMRUtils
