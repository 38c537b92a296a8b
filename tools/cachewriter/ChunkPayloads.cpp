// Payloads of the particle directory, text, channel range and channel value chunks.
#include "tools/cachewriter/CacheWriter.h"

namespace OvrWriter {

Bytes particleDirectoryChunk(const std::vector<DirectoryEntry>& entries, const float bounds[6], uint32_t trailing) {
    ByteBuffer b;
    b.i32(int32_t(entries.size()));
    for (const DirectoryEntry& e : entries) {
        b.string(e.name);
        b.i32(e.count);
        b.i32(e.channelMask);
        b.i32(e.kind);
    }
    for (int i = 0; i < 6; ++i) b.f32(bounds[i]);
    b.u32(trailing);
    return b.take();
}

Bytes textChunk(const std::string& text) {
    ByteBuffer b;
    b.string(text);
    return b.take();
}

Bytes channelRangesChunk(const std::vector<ChannelRange>& ranges) {
    ByteBuffer b;
    b.i32(int32_t(ranges.size()));
    for (const ChannelRange& r : ranges) {
        b.u32(r.index);
        b.f32(r.minimum);
        b.f32(r.maximum);
    }
    return b.take();
}

Bytes channelValuesChunk(const std::vector<ChannelValue>& values) {
    ByteBuffer b;
    b.i32(int32_t(values.size()));
    for (const ChannelValue& v : values) {
        b.u32(v.index);
        b.i64(v.value);
    }
    return b.take();
}

} // namespace OvrWriter
