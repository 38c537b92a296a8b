// The reader's failure path: a failed seek or read logs its message and throws IOErrException,
// which FumaraFrameData::ImportOvr catches once at its end. Nothing else throws it.
#pragma once

#include "loader/format/FileCursor.h"

#include <cstdint>
#include <string>

class FumaraFrameData;

namespace CacheIO {

struct IOErrException {};

// Logs message (when not null) and throws IOErrException.
[[noreturn]] void FailRead(const char* message);

void SeekOrThrow(FileCursor& file, int64_t offset, FileCursor::Origin origin, const char* message);
// Reads count items of size bytes; a zero size or count reads nothing.
void ReadOrThrow(void* buffer, uint64_t size, uint64_t count, FileCursor& file, const char* message);
template <class T>
void ReadValueOrThrow(T& value, FileCursor& file, const char* message) {
    ReadOrThrow(&value, sizeof(T), 1, file, message);
}
// A string: a 32-bit byte count, then the bytes. A negative count or one past the end fails
// with "Bad string length in the cache file!\n".
void ReadString(std::string& text, FileCursor& file);

// The state of one read of a cache file, shared by the parts of the reader.
struct OvrReadContext {
    FumaraFrameData& frame;
    FileCursor& file;
    bool headerOnly;
    // Whether a particle directory (chunk 1000) or a particle section has been read.
    bool directorySeen = false;
};

// The chunk section from the data offset on (the cursor stands at the data offset).
void ReadChunkSection(OvrReadContext& read);
// The header records behind the magic, up to the first tag outside 1 to 13.
void ReadHeaderRecords(OvrReadContext& read);
// The particle section of header record 7 (compressed false) or 13 (compressed true).
void ReadParticleSection(OvrReadContext& read, bool compressed);

}  // namespace CacheIO
