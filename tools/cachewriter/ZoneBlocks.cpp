// SGCompressor zone streams and zone tables assembled field by field.
#include "tools/cachewriter/CacheWriter.h"

#include <algorithm>

namespace OvrWriter {

namespace {
enum ZoneMode : uint8_t { kRawMode = 0, kConstantMode = 1, kQuantisedMode = 2 };

// Appends fields least significant bit first, packing the stream into 32-bit little-endian words.
class BitWriter {
public:
    void put(uint64_t value, int bits) {
        for (int i = 0; i < bits; ++i) {
            if ((value >> i) & 1) word_ |= uint32_t(1) << used_;
            if (++used_ == 32) flush();
        }
    }
    Bytes finish() {
        if (used_ > 0) flush();
        return out_.take();
    }

private:
    void flush() {
        out_.u32(word_);
        word_ = 0;
        used_ = 0;
    }
    ByteBuffer out_;
    uint32_t word_ = 0;
    int used_ = 0;
};
} // namespace

Bytes rawZoneWords(const uint32_t* words, int32_t count) {
    ByteBuffer b;
    b.u16(kZoneTag);
    b.u8(kRawMode);
    b.i32(count);
    for (int32_t i = 0; i < count; ++i) b.u32(words[i]);
    return b.take();
}

Bytes rawZone(const float* values, int32_t count) {
    ByteBuffer b;
    b.u16(kZoneTag);
    b.u8(kRawMode);
    b.i32(count);
    for (int32_t i = 0; i < count; ++i) b.f32(values[i]);
    return b.take();
}

Bytes constantZone(int32_t count, float value) {
    ByteBuffer b;
    b.u16(kZoneTag);
    b.u8(kConstantMode);
    b.i32(count);
    b.f32(value);
    return b.take();
}

Bytes rawEntropyStream(uint8_t width, int32_t min, const uint32_t* symbols, size_t n) {
    BitWriter w;
    w.put(width, 8);
    w.put(uint32_t(min), 32);
    const int bits = std::min<int>(width, 32);
    for (size_t i = 0; i < n; ++i) w.put(symbols[i], bits);
    return w.finish();
}

Bytes quantisedZone(const QuantisedZoneFields& fields) {
    ByteBuffer b;
    b.u16(kZoneTag);
    b.u8(kQuantisedMode);
    for (int32_t size : fields.sizes) b.i32(size);
    b.f32(fields.scale);
    b.f32(fields.rangeMin);
    b.i32(fields.offset);
    b.u8(fields.passes);
    b.bytes(fields.entropy);
    return b.take();
}

Bytes zoneTableBlock(const ZoneTableLayout& layout) {
    ByteBuffer b;
    b.u16(layout.tag);
    b.u16(layout.zoneCount);
    for (int32_t a : layout.floatOffsets) b.i32(a);
    for (int32_t o : layout.byteOffsets) b.i32(o);
    b.bytes(layout.streams);
    return b.take();
}

Bytes zoneTableBlock(const std::vector<ZoneTableEntry>& zones, uint16_t tag) {
    ZoneTableLayout layout;
    layout.tag = tag;
    layout.zoneCount = uint16_t(zones.size());
    for (const ZoneTableEntry& z : zones) {
        layout.floatOffsets.push_back(z.floatOffset);
        layout.byteOffsets.push_back(int32_t(layout.streams.size()));
        layout.streams.insert(layout.streams.end(), z.zone.begin(), z.zone.end());
    }
    return zoneTableBlock(layout);
}

} // namespace OvrWriter
