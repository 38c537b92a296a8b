// A bounded reader of Ogawa archives: a header, then groups (a u64 child count and u64 child
// references) and data blocks (a u64 size and the bytes). A reference with its top bit set names a
// data block, otherwise a group; 0 is an empty group and the top bit alone an empty data block.
// Every read is checked against the file's size; each group may be read only once, so a
// reference that loops back (or a group shared between parents) is rejected instead of followed.
#pragma once

#include "loader/format/FileCursor.h"
#include "plugins/f3dbridge/Failure.h"

#include <cstdint>
#include <cstdio>
#include <unordered_set>
#include <vector>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

class OgawaArchive {
public:
    static bool isData(uint64_t reference) { return (reference >> 63) != 0; }

    // Takes over the open file and checks the header (magic, frozen, version 1, root offset).
    OgawaArchive(std::FILE* file, Failure& failure);
    ~OgawaArchive();
    OgawaArchive(const OgawaArchive&) = delete;
    OgawaArchive& operator=(const OgawaArchive&) = delete;

    bool isOpen() const { return root_ != 0; }
    uint64_t root() const { return root_; }

    // The child references of a group, read at most once per archive.
    bool group(uint64_t reference, std::vector<uint64_t>& children, Failure& failure);
    // Where a data block's bytes lie in the file.
    bool dataRange(uint64_t reference, int64_t& offset, int64_t& size, Failure& failure);
    // A whole data block of at most maxSize bytes.
    bool readData(uint64_t reference, int64_t maxSize, std::vector<unsigned char>& bytes, Failure& failure);
    // size bytes of the file from offset on.
    bool readAt(int64_t offset, void* out, int64_t size, Failure& failure);

private:
    std::FILE* file_;
    CacheIO::FileCursor cursor_;
    uint64_t root_ = 0;
    std::unordered_set<uint64_t> readGroups_;
};

}  // namespace F3dBridge

#pragma GCC visibility pop
