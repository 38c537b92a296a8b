// A read position in an open cache file that never reads or moves outside the file (or outside a
// shorter limit set by the reader). Every read of the file goes through it, so a length or an
// offset taken from a damaged file can fail a read but never reach past the data. Bytes already in
// memory are read with the codec's FMRUtils::ByteCursor.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace CacheIO {

class FileCursor {
public:
    enum Origin { FromStart, FromCurrent, FromEnd };

    // Reads file from its start; false when its size cannot be measured.
    bool attach(FILE* file);

    int64_t size() const { return size_; }
    int64_t position() const { return position_; }
    int64_t remaining() const { return size_ - position_; }
    // Treats the file as ending at end (when that lies before its present end).
    void limitTo(int64_t end);

    // Moves to an offset; false (position unchanged) when the target lies outside [0, size].
    bool seek(int64_t offset, Origin origin);
    // Moves forward by bytes; false for a negative count or one past the end.
    bool skip(int64_t bytes);
    // Copies count items of itemSize bytes; false (nothing consumed) when fewer remain.
    bool read(void* destination, uint64_t itemSize, uint64_t count);
    template <class T>
    bool readValue(T& value) {
        return read(&value, sizeof(T), 1);
    }
    // A 32-bit byte count and that many bytes; false (nothing consumed) for a negative count or
    // one past the end.
    bool readString(std::string& text);
    // Whether count items of itemSize bytes fit in what remains.
    bool fits(uint64_t itemSize, uint64_t count) const;

private:
    FILE* file_ = nullptr;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

}  // namespace CacheIO
