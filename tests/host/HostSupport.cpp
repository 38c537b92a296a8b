#include "tests/host/HostSupport.h"

#include "tools/cachewriter/CacheWriter.h"

#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

ScratchDirectory::ScratchDirectory() {
    char pattern[] = "/tmp/ovrhost_XXXXXX";
    if (mkdtemp(pattern)) root_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
    for (const std::string& file : files_) std::remove(file.c_str());
    rmdir(root_.c_str());
}

std::string ScratchDirectory::path(const std::string& name) {
    files_.push_back(root_ + "/" + name);
    return files_.back();
}

float cacheValue(int channel, int element) {
    return static_cast<float>(channel) + 0.25f * static_cast<float>(element);
}

bool writeCacheFile(const std::string& path, int x, int y, int z, const std::vector<int>& channels,
                    const float transform[12]) {
    OvrWriter::GridDataBuilder grid;
    const int count = x * y * z;
    for (int channel : channels) {
        std::vector<float> values(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) values[static_cast<size_t>(i)] = cacheValue(channel, i);
        grid.addBlock(channel, OvrWriter::rawZone(values.data(), count));
    }
    OvrWriter::CacheWriter writer;
    writer.channelFlags(grid.channelFlags());
    writer.transform(transform);
    writer.grid(x, y, z, grid.words());
    writer.frameNumber(7);
    return writer.save(path);
}

bool setModificationTime(const std::string& path, long long seconds) {
    utimbuf times;
    times.actime = static_cast<time_t>(seconds);
    times.modtime = static_cast<time_t>(seconds);
    return utime(path.c_str(), &times) == 0;
}

void HostThreadManager::terminateThreads(bool) {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> guard(lock_);
        threads.swap(threads_);
    }
    for (std::thread& thread : threads) thread.join();
}

int HostThreadManager::startThread(ZUtils::ThreadProcedure* procedure, int argument) {
    std::lock_guard<std::mutex> guard(lock_);
    ++started;
    threads_.emplace_back([procedure, argument] { procedure->run(argument); });
    return 0;
}
