// Non-throwing allocation: each function sets the destination to null first, returns true exactly when
// it ends up non-null, and logs one line on failure.
// Release: newArray with delete[], newZeroedArray with free, newObject with delete.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

namespace FMRUtils {

namespace detail {

// Logs a failure message whose format holds one "%.0f" for the requested element count.
void logAllocationFailure(const char* format, size_t count);
// Logs a message without arguments.
void logAllocationNote(const char* text);
// Logs the outcome of the newZeroedArray fallback.
void logZeroedRetryResult(bool success);

}  // namespace detail

// The zeroing allocator behind newZeroedArray, calloc's signature; replaceable so that tests can make
// it fail. Returns the previous allocator; null restores calloc.
using ZeroingAllocator = void* (*)(size_t count, size_t size);
ZeroingAllocator setZeroingAllocator(ZeroingAllocator allocator);
ZeroingAllocator zeroingAllocator();

template <class T>
bool newArray(T*& dst, size_t count) {
    dst = nullptr;
    try {
        if (count <= std::numeric_limits<size_t>::max() / sizeof(T)) dst = new (std::nothrow) T[count];
    } catch (...) {
        dst = nullptr;
    }
    if (dst == nullptr) detail::logAllocationFailure("[ERROR] newArray failed to allocate %.0f\n", count);
    return dst != nullptr;
}

// `count` zero-filled elements from the zeroing allocator; when it fails, one retry with a plain
// allocation cleared by hand. Both paths give a block that `free` releases, so T must need neither
// construction nor destruction.
template <class T>
bool newZeroedArray(T*& dst, size_t count) {
    static_assert(std::is_trivial<T>::value, "newZeroedArray holds elements that free() can release");
    dst = nullptr;
    errno = 0;
    try {
        dst = static_cast<T*>(zeroingAllocator()(count, sizeof(T)));
        if (dst == nullptr && errno == ENOMEM) {
            detail::logAllocationFailure("[ERROR] newZeroedArray failed to allocate ENOMEM %.0f\n", count);
        }
    } catch (...) {
        dst = nullptr;
        detail::logAllocationFailure("[ERROR] newZeroedArray failed to allocate except %.0f\n", count);
    }
    if (dst != nullptr) return true;

    detail::logAllocationNote("Retry newZeroedArray with newArray and memset\n");
    if (count <= std::numeric_limits<size_t>::max() / sizeof(T)) {
        const size_t bytes = count * sizeof(T);
        dst = static_cast<T*>(std::malloc(bytes));
        if (dst != nullptr) std::memset(static_cast<void*>(dst), 0, bytes);
    }
    detail::logZeroedRetryResult(dst != nullptr);
    return dst != nullptr;
}

template <class T>
bool newObject(T*& dst) {
    dst = nullptr;
    try {
        dst = new (std::nothrow) T;
    } catch (...) {
        dst = nullptr;
    }
    if (dst == nullptr) detail::logAllocationNote("[ERROR] newObject failed to allocate!\n");
    return dst != nullptr;
}

}  // namespace FMRUtils
