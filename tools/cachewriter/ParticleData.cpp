// Particle sections (header records 7 and 13), the particle data chunk 1002 and its storage methods.
#include "tools/cachewriter/CacheWriter.h"

#include <cstring>

namespace OvrWriter {

namespace {
enum StorageMethod : int32_t { kStoreRaw = 0, kStoreZlib = 1, kStoreBlock = 2, kStoreBlockComponents = 3, kStoreBitPlanes = 4 };
enum SubTag : int32_t { kSubEnd = 0, kSubKind = 1, kSubIds = 2, kSubGroupWord = 3 };

Bytes wordBytes(const std::vector<uint32_t>& words) {
    ByteBuffer b;
    for (uint32_t w : words) b.u32(w);
    return b.take();
}

// An SGCompressor block of the words: an exact raw zone, or the codec's encoding of the words
// taken as floats.
Bytes wordBlock(const std::vector<uint32_t>& words, int quantBits) {
    if (quantBits <= 0) return rawZoneWords(words.data(), int32_t(words.size()));
    std::vector<float> values(words.size());
    if (!words.empty()) std::memcpy(values.data(), words.data(), words.size() * 4);
    QuantOptions options;
    options.bits = quantBits;
    return encodeChannel1D(values.data(), int64_t(values.size()), options);
}

void writeName(ByteBuffer& b, const ParticleGroup& g) {
    b.stringWithLength(g.nameLengthField ? *g.nameLengthField : int32_t(g.name.size()), g.name);
}

int32_t writtenCount(const ParticleGroup& g) { return g.countField ? *g.countField : g.count; }

// Word i of the data, 0 past its end (the caller may give fewer words than the count asks for).
uint32_t wordAt(const std::vector<uint32_t>& words, size_t i) { return i < words.size() ? words[i] : 0; }

bool inSectionRange(const ParticleChannel& ch) { return ch.channel >= 0 && ch.channel < kParticleChannelCount; }
} // namespace

int32_t particleChannelWords(int32_t channel) {
    static const int32_t kWords[18] = {3, 3, 1, 1, 3, 1, 0, 0, 0, 1, 2, 1, 1, 1, 1, 1, 1, 1};
    if (channel >= 0 && channel < 18) return kWords[channel];
    return 1;
}

std::vector<uint32_t> componentMajor(const std::vector<uint32_t>& words, int32_t count, int32_t wordsPerParticle) {
    std::vector<uint32_t> out(size_t(count) * size_t(wordsPerParticle));
    for (int32_t p = 0; p < count; ++p)
        for (int32_t w = 0; w < wordsPerParticle; ++w)
            out[size_t(w) * count + p] = wordAt(words, size_t(p) * wordsPerParticle + w);
    return out;
}

std::vector<uint32_t> bitPlanes(const std::vector<uint32_t>& words, int32_t count, int32_t wordsPerParticle) {
    const size_t blocks = (size_t(count) + 31) / 32;
    std::vector<uint32_t> planes(blocks * 32 * size_t(wordsPerParticle), 0);
    for (int32_t p = 0; p < count; ++p)
        for (int32_t w = 0; w < wordsPerParticle; ++w) {
            const uint32_t value = wordAt(words, size_t(p) * wordsPerParticle + w);
            for (int b = 0; b < 32; ++b)
                if ((value >> b) & 1) planes[(size_t(w) * 32 + b) * blocks + p / 32] |= uint32_t(1) << (p % 32);
        }
    return planes;
}

std::vector<uint32_t> idWords(const std::vector<int64_t>& ids) {
    std::vector<uint32_t> out;
    out.reserve(ids.size() * 2);
    for (int64_t id : ids) {
        out.push_back(uint32_t(uint64_t(id)));
        out.push_back(uint32_t(uint64_t(id) >> 32));
    }
    return out;
}

Bytes storedParticleChannel(const ParticleChannel& channel, int32_t count) {
    if (channel.storedBytes) return *channel.storedBytes;
    const int32_t wordsPerParticle = particleChannelWords(channel.channel);
    switch (channel.method) {
    case kStoreZlib: {
        const Bytes raw = wordBytes(channel.words);
        return zlibCompress(raw.data(), raw.size());
    }
    case kStoreBlock:
        return wordBlock(channel.words, channel.quantBits);
    case kStoreBlockComponents:
        return wordBlock(componentMajor(channel.words, count, wordsPerParticle), channel.quantBits);
    case kStoreBitPlanes: {
        const Bytes raw = wordBytes(bitPlanes(channel.words, count, wordsPerParticle));
        return zlibCompress(raw.data(), raw.size());
    }
    case kStoreRaw:
    default:
        return wordBytes(channel.words);
    }
}

Bytes particleSection(const std::vector<ParticleGroup>& groups, bool compressed, std::optional<int32_t> wordCountField) {
    // Channel data of every group, each channel starting on a word.
    ByteBuffer data;
    std::vector<std::vector<int32_t>> offsets(groups.size(), std::vector<int32_t>(kParticleChannelCount, -1));
    for (size_t g = 0; g < groups.size(); ++g) {
        for (const ParticleChannel& ch : groups[g].channels) {
            if (!inSectionRange(ch)) continue;
            offsets[g][ch.channel] = ch.offsetField ? *ch.offsetField : int32_t(data.size() / 4);
            if (ch.storedBytes)
                data.bytes(*ch.storedBytes);
            else if (compressed)
                data.bytes(wordBlock(componentMajor(ch.words, groups[g].count, particleChannelWords(ch.channel)), ch.quantBits));
            else
                data.bytes(wordBytes(ch.words));
            data.padToWords();
        }
    }

    ByteBuffer b;
    b.i32(wordCountField ? *wordCountField : int32_t(data.size() / 4));
    b.bytes(data.data());
    b.i32(int32_t(groups.size()));
    for (size_t g = 0; g < groups.size(); ++g) {
        const ParticleGroup& group = groups[g];
        writeName(b, group);
        b.i32(writtenCount(group));
        for (int32_t o : offsets[g]) b.i32(o);
        if (group.writeKind) {
            b.i32(kSubKind);
            b.i32(group.kind);
        }
        if (group.idBytes || !group.ids.empty()) {
            const Bytes ids = group.idBytes ? *group.idBytes : encodeParticleIds(group.ids);
            b.i32(kSubIds);
            b.i32(int32_t(ids.size()));
            b.bytes(ids);
        }
        if (group.writeGroupWord) {
            b.i32(kSubGroupWord);
            b.u64(group.groupWord);
        }
        b.bytes(group.extraSubRecords);
        if (group.writeEndSubTag) b.i32(kSubEnd);
    }
    return b.take();
}

Bytes particleDataChunk(const std::vector<ParticleGroup>& groups) {
    ByteBuffer b;
    b.i32(int32_t(groups.size()));
    for (const ParticleGroup& group : groups) {
        writeName(b, group);
        b.i32(group.kind);
        b.i32(writtenCount(group));
        b.u64(group.groupWord);
        b.i32(int32_t(group.channels.size()));
        for (const ParticleChannel& ch : group.channels) {
            const Bytes stored = storedParticleChannel(ch, group.count);
            b.i32(ch.channel);
            b.i32(ch.method);
            b.i32(ch.lengthField ? *ch.lengthField : int32_t(stored.size()));
            b.bytes(stored);
        }
    }
    return b.take();
}

} // namespace OvrWriter
