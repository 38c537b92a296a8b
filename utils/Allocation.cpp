#include "utils/Allocation.h"

#include "utils/Log.h"

#include <atomic>
#include <cstdint>

namespace FMRUtils {
namespace {

std::atomic<ZeroingAllocator> currentZeroingAllocator{&std::calloc};

}  // namespace

namespace detail {

void logAllocationFailure(const char* format, size_t count) {
    // The count is printed as the single-precision value of the 64-bit count, as the log always has.
    const float approximate = static_cast<float>(static_cast<uint64_t>(count));
    logMessage(format, static_cast<double>(approximate));
}

void logAllocationNote(const char* text) { logMessage("%s", text); }

void logZeroedRetryResult(bool success) {
    logMessage("Retry newZeroedArray with newArray and memset result = %d\n", success ? 1 : 0);
}

}  // namespace detail

ZeroingAllocator setZeroingAllocator(ZeroingAllocator allocator) {
    return currentZeroingAllocator.exchange(allocator != nullptr ? allocator : &std::calloc);
}

ZeroingAllocator zeroingAllocator() { return currentZeroingAllocator.load(); }

}  // namespace FMRUtils
