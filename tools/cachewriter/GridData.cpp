// Grid data words (header record 3) and the packed colour payload of channel 18.
#include "tools/cachewriter/CacheWriter.h"

namespace OvrWriter {

void GridDataBuilder::addBlock(int32_t channel, const Bytes& payload) {
    const std::vector<uint32_t> payloadWords = toWords(payload);
    addBlockHeader(channel, int32_t(payloadWords.size()));
    addWords(payloadWords);
    if (channel >= 0 && channel < 31) flags_ |= uint32_t(1) << channel;
}

void GridDataBuilder::addBlockHeader(int32_t channel, int32_t n) {
    words_.push_back(uint32_t(channel));
    words_.push_back(uint32_t(n));
}

void GridDataBuilder::addWords(const std::vector<uint32_t>& words) {
    words_.insert(words_.end(), words.begin(), words.end());
}

Bytes packedColourPayload(const uint32_t* colours, int64_t voxelCount, int level) {
    ByteBuffer raw;
    for (int64_t v = 0; v < voxelCount; ++v) raw.u32(colours[v]);
    const Bytes stream = zlibCompress(raw.data().data(), raw.size(), level);
    ByteBuffer b;
    b.u64(stream.size());
    b.bytes(stream);
    return b.take();
}

} // namespace OvrWriter
