#include "compression/InflateBlock.h"

#include "utils/Log.h"

#include <zlib.h>

bool InflateBlock(const void* source, uint32_t sourceLength, void* destination, uint32_t destinationLength) {
    z_stream stream{};  // zeroed: zlib uses its default allocator
    stream.next_in = static_cast<Bytef*>(const_cast<void*>(source));
    stream.avail_in = sourceLength;
    stream.next_out = static_cast<Bytef*>(destination);
    stream.avail_out = destinationLength;
    // A failed initialisation leaves the stream unusable; inflate then reports Z_STREAM_ERROR.
    inflateInit(&stream);
    const int result = inflate(&stream, Z_SYNC_FLUSH);
    if (result != Z_STREAM_END) logMessage("[ERROR] Decompressing Zip (%d)\n", result);
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}
