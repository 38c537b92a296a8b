// Reading a fuzzer's input as typed fields: little-endian integers from the front, then the rest as
// bytes or as zero-separated strings. Reads past the end give zeros and empty strings, so every
// input, however short, is a valid call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace FuzzInput {

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    template <class T>
    T take() {
        T value{};
        const size_t n = size_ < sizeof(T) ? size_ : sizeof(T);
        if (n) std::memcpy(&value, data_, n);
        data_ += n;
        size_ -= n;
        return value;
    }

    const uint8_t* rest() const { return data_; }
    size_t restSize() const { return size_; }

    // The remaining bytes cut at each zero byte: at most maxCount strings, any text after the
    // last of them dropped.
    std::vector<std::string> strings(size_t maxCount) const {
        std::vector<std::string> out;
        const char* text = reinterpret_cast<const char*>(data_);
        size_t begin = 0;
        for (size_t i = 0; i <= size_ && out.size() < maxCount; ++i) {
            if (i == size_ || text[i] == '\0') {
                out.emplace_back(text + begin, i - begin);
                begin = i + 1;
            }
        }
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

// Stops the run with a message when a property that must hold does not; the fuzzer keeps the input.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz property violated: %s\n", what);
    std::abort();
}
inline void check(bool condition, const char* what) {
    if (!condition) fail(what);
}

}  // namespace FuzzInput
