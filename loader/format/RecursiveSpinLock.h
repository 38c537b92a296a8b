// A lock that the thread holding it may take again; other threads spin (yielding) until it is free.
// Guards the expansion of a frame's grid channels, which may call itself for derived channels.
#pragma once

#include <atomic>
#include <thread>

namespace CacheIO {

class RecursiveSpinLock {
public:
    void lock() {
        const std::thread::id self = std::this_thread::get_id();
        if (owner_.load(std::memory_order_acquire) == self) {
            ++depth_;
            return;
        }
        while (flag_.exchange(1, std::memory_order_acquire) != 0)
            std::this_thread::yield();
        owner_.store(self, std::memory_order_release);
        depth_ = 1;
    }

    void unlock() {
        if (--depth_ > 0)
            return;
        owner_.store(std::thread::id(), std::memory_order_release);
        flag_.store(0, std::memory_order_release);
    }

private:
    std::atomic<std::thread::id> owner_{std::thread::id()};
    int depth_ = 0;  // touched only by the owner
    std::atomic<int> flag_{0};
};

}  // namespace CacheIO
