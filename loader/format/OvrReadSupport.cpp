#include "loader/format/OvrReadSupport.h"

#include "utils/Log.h"

namespace CacheIO {

void FailRead(const char* message) {
    if (message)
        logMessage("%s", message);
    throw IOErrException();
}

void SeekOrThrow(FileCursor& file, int64_t offset, FileCursor::Origin origin, const char* message) {
    if (!file.seek(offset, origin))
        FailRead(message);
}

void ReadOrThrow(void* buffer, uint64_t size, uint64_t count, FileCursor& file, const char* message) {
    if (!file.read(buffer, size, count))
        FailRead(message);
}

void ReadString(std::string& text, FileCursor& file) {
    if (!file.readString(text))
        FailRead("Bad string length in the cache file!\n");
}

}  // namespace CacheIO
