// Assembly of a cache file: header records, marker, chunks, end id and footer.
#include "tools/cachewriter/CacheWriter.h"

namespace OvrWriter {

namespace {
// Chunk sizes and the footer's data offset are 64-bit from this version on.
constexpr int32_t kWideOffsetsVersion = 4;

void matrix(ByteBuffer& b, const float m[12]) {
    for (int i = 0; i < 12; ++i) b.f32(m[i]);
}
} // namespace

void CacheWriter::channelFlags(uint32_t flags) {
    header_.i32(HeaderTag::ChannelFlags);
    header_.u32(flags);
}

void CacheWriter::transform(const float m[12]) {
    header_.i32(HeaderTag::Transform);
    matrix(header_, m);
}

void CacheWriter::grid(int32_t x, int32_t y, int32_t z, const std::vector<uint32_t>& words) {
    header_.i32(HeaderTag::Grid);
    header_.i32(x);
    header_.i32(y);
    header_.i32(z);
    header_.i32(int32_t(words.size()));
    for (uint32_t w : words) header_.u32(w);
}

void CacheWriter::frameNumber(int32_t frame) {
    header_.i32(HeaderTag::FrameNumber);
    header_.i32(frame);
}

void CacheWriter::scalar5(float value) {
    header_.i32(HeaderTag::Scalar5);
    header_.f32(value);
}

void CacheWriter::matrixA(const float m[12]) {
    header_.i32(HeaderTag::MatrixA);
    matrix(header_, m);
}

void CacheWriter::particles(const std::vector<ParticleGroup>& groups, bool compressed) {
    record(compressed ? HeaderTag::CompressedParticles : HeaderTag::RawParticles, particleSection(groups, compressed));
}

void CacheWriter::doubleA(float value) {
    header_.i32(HeaderTag::DoubleA);
    header_.f32(value);
}

void CacheWriter::word9(uint32_t word, float value) {
    header_.i32(HeaderTag::Word9);
    header_.u32(word);
    header_.f32(value);
}

void CacheWriter::doubles10(double a, double b) {
    header_.i32(HeaderTag::Doubles10);
    header_.f64(a);
    header_.f64(b);
}

void CacheWriter::matrices11(const float a[12], const float b[12], const float c[12], uint64_t word) {
    header_.i32(HeaderTag::Matrices11);
    matrix(header_, a);
    matrix(header_, b);
    matrix(header_, c);
    header_.u64(word);
}

void CacheWriter::paramBlock(const Bytes& block) {
    header_.i32(HeaderTag::ParamBlock);
    header_.i32(int32_t(block.size()));
    header_.bytes(block);
}

void CacheWriter::record(int32_t tag, const Bytes& payload) {
    header_.i32(tag);
    header_.bytes(payload);
}

void CacheWriter::headerBytes(const Bytes& raw) { header_.bytes(raw); }

void CacheWriter::particleDirectory(const std::vector<DirectoryEntry>& entries, const float bounds[6],
                                    uint32_t trailing) {
    chunk(ChunkId::ParticleDirectory, particleDirectoryChunk(entries, bounds, trailing));
}

void CacheWriter::text(const std::string& text) { chunk(ChunkId::Text, textChunk(text)); }

void CacheWriter::particleData(const std::vector<ParticleGroup>& groups) {
    chunk(ChunkId::ParticleData, particleDataChunk(groups));
}

void CacheWriter::channelRanges(const std::vector<ChannelRange>& ranges) {
    chunk(ChunkId::ChannelRanges, channelRangesChunk(ranges));
}

void CacheWriter::channelValues(const std::vector<ChannelValue>& values) {
    chunk(ChunkId::ChannelValues, channelValuesChunk(values));
}

void CacheWriter::chunk(int32_t id, const Bytes& payload) { chunkWithSize(id, int64_t(payload.size()), payload); }

void CacheWriter::chunkWithSize(int32_t id, int64_t sizeField, const Bytes& payload) {
    chunks_.i32(id);
    if (version_ < kWideOffsetsVersion)
        chunks_.i32(int32_t(sizeField));
    else
        chunks_.i64(sizeField);
    chunks_.bytes(payload);
}

void CacheWriter::chunkBytes(const Bytes& raw) { chunks_.bytes(raw); }

size_t CacheWriter::dataOffset() const { return 4 + header_.size(); }

Bytes CacheWriter::build() const {
    ByteBuffer out;
    out.u32(headerMagic_);
    out.bytes(header_.data());
    out.u32(marker_);
    out.bytes(chunks_.data());
    if (writeChunkEnd_) out.i32(ChunkId::End);
    if (writeFooter_) {
        const int64_t offset = dataOffsetField_ ? *dataOffsetField_ : int64_t(dataOffset());
        if (version_ < kWideOffsetsVersion)
            out.i32(int32_t(offset));
        else
            out.i64(offset);
        out.i32(version_);
        out.bytes(footerMagic_);
    }
    return out.take();
}

bool CacheWriter::save(const std::string& path) const { return writeBytes(path, build()); }

} // namespace OvrWriter
