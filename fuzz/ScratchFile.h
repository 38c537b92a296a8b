// A per-process scratch file for fuzz targets whose code under test reads a path: each input is
// written to it in turn. The file lies in /dev/shm when there is one, and is removed at exit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace FuzzScratch {

class File {
public:
    explicit File(const char* suffix) {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
        std::string pattern = std::string(dir) + "/ovrfuzz-XXXXXX" + suffix;
        const int fd = mkstemps(&pattern[0], static_cast<int>(std::string(suffix).size()));
        if (fd < 0) {
            std::perror("fuzz scratch file");
            std::abort();
        }
        close(fd);
        path_ = pattern;
    }
    ~File() { unlink(path_.c_str()); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const std::string& write(const uint8_t* data, size_t size) {
        FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file || (size && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
            std::perror("fuzz scratch file");
            std::abort();
        }
        return path_;
    }

private:
    std::string path_;
};

// Writes the input to this process's scratch file with the given suffix (one suffix per process)
// and returns the file's path.
inline const std::string& write(const uint8_t* data, size_t size, const char* suffix) {
    static File file(suffix);
    return file.write(data, size);
}

}  // namespace FuzzScratch
