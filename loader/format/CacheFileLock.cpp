#include "loader/format/CacheFileLock.h"

#include "platform/FileLock.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace CacheIO {

namespace {

constexpr int LockRounds = 30;
constexpr std::chrono::milliseconds RetryPause(200);

// The keys of the reads in progress in this process.
class OpenFileRegistry {
public:
    // False when the key is already registered (or the set cannot grow).
    bool insert(uint64_t key) {
        std::lock_guard<std::mutex> guard(lock_);
        try {
            return keys_.insert(key).second;
        } catch (...) {
            return false;
        }
    }

    void remove(uint64_t key) {
        std::lock_guard<std::mutex> guard(lock_);
        keys_.erase(key);
    }

private:
    std::mutex lock_;
    std::unordered_set<uint64_t> keys_;
};

OpenFileRegistry& registry() {
    static OpenFileRegistry instance;
    return instance;
}

uint64_t keyOf(const void* key) {
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key));
}

// Runs attempt up to LockRounds times, pausing after each failure.
template <class Attempt>
bool retry(Attempt attempt) {
    for (int round = 0; round < LockRounds; ++round) {
        if (attempt())
            return true;
        std::this_thread::sleep_for(RetryPause);
    }
    return false;
}

}  // namespace

bool LockCacheFile(FILE* file, const void* key) {
    if (!retry([&] { return registry().insert(keyOf(key)); }))
        return false;
    if (retry([&] { return Platform::lockFileShared(file); }))
        return true;
    registry().remove(keyOf(key));
    return false;
}

bool ReleaseCacheFile(FILE* file, const void* key) {
    const bool unlocked = Platform::unlockFile(file);
    const bool closed = fclose(file) == 0;
    registry().remove(keyOf(key));
    return unlocked && closed;
}

}  // namespace CacheIO
