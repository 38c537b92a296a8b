// Shared harness code: a fuzzer's input read as typed fields (little-endian integers from the front,
// then the rest as bytes or as zero-separated strings; reads past the end give zeros and empty strings,
// so every input, however short, is a valid call), the input as a file, and property checks.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace FuzzInput {

// Stops the run with a message when a property that must hold does not; the fuzzer keeps the input.
inline void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz property violated: %s\n", what);
    std::abort();
}

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

    // The remaining bytes cut at each zero byte: at most maxCount strings, any text after the last dropped.
    std::vector<std::string> strings(size_t maxCount) const {
        std::vector<std::string> out;
        const char* text = reinterpret_cast<const char*>(data_);
        for (size_t i = 0, begin = 0; i <= size_ && out.size() < maxCount; ++i) {
            if (i < size_ && text[i] != '\0') continue;
            out.emplace_back(text + begin, i - begin);
            begin = i + 1;
        }
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

// Writes the input to this process's scratch file (in /dev/shm when there is one, removed at exit;
// one suffix per process) for code under test that reads a path, and returns the file's path.
inline const std::string& scratchFile(const uint8_t* data, size_t size, const char* suffix) {
    static const struct File {
        std::string path;
        explicit File(const char* suffix)
            : path(std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/ovrfuzz-XXXXXX" + suffix) {
            const int fd = mkstemps(&path[0], static_cast<int>(std::strlen(suffix)));
            check(fd >= 0 && close(fd) == 0, "cannot create the scratch file");
        }
        ~File() { unlink(path.c_str()); }
    } file(suffix);
    FILE* out = std::fopen(file.path.c_str(), "wb");
    check(out && (size == 0 || std::fwrite(data, 1, size, out) == size) && std::fclose(out) == 0,
          "cannot write the scratch file");
    return file.path;
}

}  // namespace FuzzInput
