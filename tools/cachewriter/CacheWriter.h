// Writer of Fumara cache files (.ovr) for tests, benchmarks and sample data.
//
// The loader library only reads caches; this writer lives beside it in tools/ and produces every
// feature of the container: header records, chunks, container versions, grid channel blocks (1-D
// zones from the codec's encoder, hand-built raw, constant and 3-D quantised zones, zone tables),
// the packed colour channel, particle sections and particle data chunks with every storage method,
// and encoded particle ids. Every layer takes optional overrides of the values it would compute
// (lengths, counts, offsets, sizes, magic words), so tests can also write deliberately broken files.
//
// Layers, from bytes up:
//   ByteBuffer                      little-endian byte appender
//   zone / block functions          SGCompressor blocks: zone streams, zone tables, encoded channels
//   GridDataBuilder, colour         the words of header record 3 (channel blocks), channel 18 payload
//   ParticleGroup, particle*        particle sections (records 7 and 13), chunk 1002, ids, directory
//   CacheWriter                     the file: magic, records, marker, chunks, end id, footer
//
// The free functions keep no state; nothing throws except std::bad_alloc. The functions that use the
// codec's encoder run it on the current thread manager and return no bytes when it fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace OvrWriter {

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------------------------
// Little-endian byte appender.
class ByteBuffer {
public:
    void u8(uint8_t v);
    void u16(uint16_t v);
    void i32(int32_t v);
    void u32(uint32_t v);
    void i64(int64_t v);
    void u64(uint64_t v);
    void f32(float v);  // bit pattern
    void f64(double v); // bit pattern
    void bytes(const void* data, size_t size);
    void bytes(const Bytes& data) { bytes(data.data(), data.size()); }
    // A file string: i32 byte count, then the bytes (no terminator).
    void string(const std::string& text);
    // A string whose length field is `lengthField`, followed by `text` as it is (for odd lengths).
    void stringWithLength(int32_t lengthField, const std::string& text);
    // Zero bytes up to the next multiple of 4.
    void padToWords();

    size_t size() const { return buf_.size(); }
    const Bytes& data() const { return buf_; }
    Bytes take() { return std::move(buf_); }

private:
    Bytes buf_;
};

// Bytes to 32-bit little-endian words, zero-padded to a whole word.
std::vector<uint32_t> toWords(const Bytes& bytes);
// A zlib stream (RFC 1950) of the bytes.
Bytes zlibCompress(const void* data, size_t size, int level = 6);

// ---------------------------------------------------------------------------------------------
// SGCompressor blocks and zone streams. A zone stream begins with its 16-bit tag 0xFC01; a zone
// stream on its own is a complete single-zone block.

constexpr uint16_t kZoneTag = 0xFC01;
constexpr uint16_t kZoneTableTag = 0xFC02;
constexpr uint16_t kZoneTableTagAlt = 0xFC03;

// Mode 0: count raw floats (their bit patterns, so any 32-bit words survive exactly).
Bytes rawZone(const float* values, int32_t count);
Bytes rawZoneWords(const uint32_t* words, int32_t count);
// Mode 1: count copies of one value.
Bytes constantZone(int32_t count, float value);

// Quantisation of the codec's encoder: bits > 0 maps [min, max] to 0 .. 2^bits (bits >= 20
// stores raw floats); bits <= 0 uses 1 / step as the scale. `passes` delta passes.
struct QuantOptions {
    int bits = 16;
    float step = 0.0f;
    int passes = 1;
};

// One 1-D zone encoded by the codec's encoder (SGCompressor<1>).
Bytes encodedZone1D(const float* values, int32_t count, const QuantOptions& options);

// The entropy stream of n 32-bit values, written by the codec's encoder.
Bytes entropyStream(const int32_t* values, size_t n);
// A raw-mode entropy stream written field by field: width (1..255), min, then each symbol in
// `width` bits (symbols are values - min).
Bytes rawEntropyStream(uint8_t width, int32_t min, const uint32_t* symbols, size_t n);

// A quantised (mode 2) zone given field by field. `sizes` holds one count (1-D) or nx, ny, nz (3-D).
struct QuantisedZoneFields {
    std::vector<int32_t> sizes;
    float scale = 1.0f;
    float rangeMin = 0.0f;
    int32_t offset = 0;   // m, added to every literal
    uint8_t passes = 0;
    Bytes entropy;        // entropy stream (entropyStream / rawEntropyStream)
};
Bytes quantisedZone(const QuantisedZoneFields& fields);

// A box of nx by ny by nz floats (x fastest) quantised as the 3-D decoder expects: the integers
// q, their delta passes along x, y and z, and the values the decoder will produce.
struct QuantisedBox {
    int32_t nx = 0, ny = 0, nz = 0;
    float scale = 1.0f;
    float rangeMin = 0.0f;
    int passes = 0;
    std::vector<int32_t> q; // quantised integers before delta passes, nx*ny*nz of them
};
QuantisedBox quantiseBox(const float* values, int32_t nx, int32_t ny, int32_t nz, const QuantOptions& options);
// The decoder's result for the box: q * (1 / scale) + rangeMin in single precision.
std::vector<float> dequantise(const QuantisedBox& box);
// The 3-D zone stream of the box (delta passes along x, y, z, minimum removed, constant runs
// compacted, entropy-coded by the codec's encoder).
Bytes quantisedZone3D(const QuantisedBox& box);

// Zone table block: zones in increasing float offset; each zone is a zone stream with its tag.
struct ZoneTableEntry {
    int32_t floatOffset = 0;
    Bytes zone;
};
Bytes zoneTableBlock(const std::vector<ZoneTableEntry>& zones, uint16_t tag = kZoneTableTag);
// A zone table written exactly as given, for broken tables: the tag, the zone count field, the
// float and byte offset arrays (written as they are, whatever their length) and the stream bytes.
struct ZoneTableLayout {
    uint16_t tag = kZoneTableTag;
    uint16_t zoneCount = 0;
    std::vector<int32_t> floatOffsets;
    std::vector<int32_t> byteOffsets;
    Bytes streams;
};
Bytes zoneTableBlock(const ZoneTableLayout& layout);

// A whole 1-D channel through the codec's encoder: one zone when count <= zoneSize, otherwise a
// zone table of zones of zoneSize floats (the last one shorter). Empty when count exceeds 2^31 - 1.
Bytes encodeChannel1D(const float* values, int64_t count, const QuantOptions& options, int64_t zoneSize = 65536);
// A whole grid channel of X by Y by Z floats as 3-D zones: a zone table of slabs of `slabDepth`
// z-layers (a single zone when one slab covers the grid). `decoded`, when given, receives the
// floats the 3-D decoder will produce.
Bytes encodeChannel3D(const float* values, int32_t X, int32_t Y, int32_t Z, const QuantOptions& options,
                      int32_t slabDepth, std::vector<float>* decoded = nullptr);

// ---------------------------------------------------------------------------------------------
// Grid data (header record 3): a sequence of channel blocks {i32 channel, i32 n, n words}.

class GridDataBuilder {
public:
    // A channel block around `payload`, zero-padded to whole words; n = its word count.
    void addBlock(int32_t channel, const Bytes& payload);
    // A block header with any n (for broken data); follow it with addWords as needed.
    void addBlockHeader(int32_t channel, int32_t n);
    void addWords(const std::vector<uint32_t>& words);

    const std::vector<uint32_t>& words() const { return words_; }
    // Bit c set for every channel c < 31 given to addBlock.
    uint32_t channelFlags() const { return flags_; }

private:
    std::vector<uint32_t> words_;
    uint32_t flags_ = 0;
};

// The payload of channel 18: u64 compressed length L, then the L bytes of the zlib stream of
// the voxelCount 0x00RRGGBB words.
Bytes packedColourPayload(const uint32_t* colours, int64_t voxelCount, int level = 6);

// ---------------------------------------------------------------------------------------------
// Particle groups.

constexpr int32_t kParticleChannelCount = 32;
// 32-bit words per particle of a particle channel (0 to 31; 1 for channels 18 to 31).
int32_t particleChannelWords(int32_t channel);

// Reorders count particles of `wordsPerParticle` words each to component-major order (all first
// words, then all second words, ...).
std::vector<uint32_t> componentMajor(const std::vector<uint32_t>& words, int32_t count, int32_t wordsPerParticle);
// The bit planes of method 4 (before zlib): B = ceil(count / 32) words per plane, planes for
// w = 0 .. wordsPerParticle-1, b = 0 .. 31.
std::vector<uint32_t> bitPlanes(const std::vector<uint32_t>& words, int32_t count, int32_t wordsPerParticle);
// 64-bit ids as the low and high words of channel 10, particle after particle.
std::vector<uint32_t> idWords(const std::vector<int64_t>& ids);
// Sub-record 2 bytes: the entropy stream (codec's encoder) of the ids as differences
// (id[0], id[1] - id[0], ...), each difference as its low then its high 32-bit word.
Bytes encodeParticleIds(const std::vector<int64_t>& ids);

struct ParticleChannel {
    int32_t channel = 0;
    // Decoded data: count * particleChannelWords(channel) words, particle after particle.
    std::vector<uint32_t> words;
    // Chunk 1002 storage: 0 raw, 1 zlib, 2 SGCompressor block in particle order, 3 block in
    // component-major order, 4 zlib of bit planes; any other number is written as given with
    // the raw bytes.
    int32_t method = 0;
    // Methods 2 and 3 and the compressed section (record 13): 0 stores an exact raw-float zone;
    // above 0 the words are taken as floats and encoded by the codec with these bits (lossy).
    int quantBits = 0;
    std::optional<Bytes> storedBytes;    // replaces the bytes generated for this channel
    std::optional<int32_t> lengthField;  // chunk 1002: replaces the byte length written
    std::optional<int32_t> offsetField;  // sections: replaces the word offset written
};

struct ParticleGroup {
    std::string name;
    int32_t count = 0;
    int32_t kind = 0;
    uint64_t groupWord = 0;
    std::vector<ParticleChannel> channels;

    // Sections (records 7 and 13): which sub-records to write, in the order kind (1), ids (2),
    // group word (3), then `extraSubRecords` as raw bytes, then the end sub-tag 0.
    bool writeKind = true;
    bool writeGroupWord = true;
    std::vector<int64_t> ids;            // written as sub-record 2 when non-empty
    std::optional<Bytes> idBytes;        // sub-record 2 with these bytes instead of `ids`
    Bytes extraSubRecords;
    bool writeEndSubTag = true;

    std::optional<int32_t> nameLengthField; // replaces the name's length field
    std::optional<int32_t> countField;      // replaces the particle count written
};

// Payload of header record 7 (compressed false) or 13 (compressed true), without the tag: W,
// the words, G, then per group name, count, 32 offsets and sub-records. Channels 0 to 31 only.
// `wordCountField` replaces W when given.
Bytes particleSection(const std::vector<ParticleGroup>& groups, bool compressed,
                      std::optional<int32_t> wordCountField = std::nullopt);
// Payload of chunk 1002: G, then per group name, kind, count, group word, M and the channels.
Bytes particleDataChunk(const std::vector<ParticleGroup>& groups);
// The bytes chunk 1002 stores for one channel of a group of `count` particles.
Bytes storedParticleChannel(const ParticleChannel& channel, int32_t count);

struct DirectoryEntry {
    std::string name;
    int32_t count = 0;
    int32_t channelMask = 0;
    int32_t kind = 0;
};
// Payload of chunk 1000: G entries, 6 bounds floats (min x, y, z, max x, y, z), 4 trailing bytes.
Bytes particleDirectoryChunk(const std::vector<DirectoryEntry>& entries, const float bounds[6], uint32_t trailing = 0);

// ---------------------------------------------------------------------------------------------
// Other chunk payloads.

Bytes textChunk(const std::string& text);
struct ChannelRange {
    uint32_t index = 0;
    float minimum = 0.0f, maximum = 0.0f;
};
Bytes channelRangesChunk(const std::vector<ChannelRange>& ranges);
struct ChannelValue {
    uint32_t index = 0;
    int64_t value = 0;
};
Bytes channelValuesChunk(const std::vector<ChannelValue>& values);

// ---------------------------------------------------------------------------------------------
// The cache file.

namespace HeaderTag {
constexpr int32_t ChannelFlags = 1, Transform = 2, Grid = 3, FrameNumber = 4, Scalar5 = 5, MatrixA = 6,
                  RawParticles = 7, DoubleA = 8, Word9 = 9, Doubles10 = 10, Matrices11 = 11, ParamBlock = 12,
                  CompressedParticles = 13;
}
namespace ChunkId {
constexpr int32_t ParticleDirectory = 1000, Text = 1001, ParticleData = 1002, ChannelRanges = 1003,
                  ChannelValues = 1004, End = 9999999;
}
constexpr int32_t kCurrentVersion = 5;
constexpr int32_t kNotFromFileVersion = 0x7FFFFFFF;

// Layout: "OVRA", the header records in call order, the 4-byte marker (at the data offset),
// the chunks in call order, the end id 9999999, the footer. The footer is {i32 data offset,
// i32 version, "OVRA2FMR"} before version 4 and {i64 data offset, i32 version, "OVRA2FMR"} from
// version 4 on; chunk sizes are i32 before version 4 and i64 from 4 on.
class CacheWriter {
public:
    explicit CacheWriter(int32_t version = kCurrentVersion) : version_(version) {}

    // Header records.
    void channelFlags(uint32_t flags);
    void transform(const float m[12]);
    void grid(int32_t x, int32_t y, int32_t z, const std::vector<uint32_t>& words);
    void frameNumber(int32_t frame);
    void scalar5(float value);
    void matrixA(const float m[12]);
    void particles(const std::vector<ParticleGroup>& groups, bool compressed);
    void doubleA(float value);                      // record 8
    void word9(uint32_t word, float value);         // record 9
    void doubles10(double a, double b);             // record 10
    void matrices11(const float a[12], const float b[12], const float c[12], uint64_t word); // record 11
    void paramBlock(const Bytes& block);            // record 12 (L = block size)
    void record(int32_t tag, const Bytes& payload); // any tag with any payload
    void headerBytes(const Bytes& raw);             // raw bytes in the header section

    // Chunks.
    void particleDirectory(const std::vector<DirectoryEntry>& entries, const float bounds[6], uint32_t trailing = 0);
    void text(const std::string& text);
    void particleData(const std::vector<ParticleGroup>& groups);
    void channelRanges(const std::vector<ChannelRange>& ranges);
    void channelValues(const std::vector<ChannelValue>& values);
    void chunk(int32_t id, const Bytes& payload);                      // size = payload size
    void chunkWithSize(int32_t id, int64_t sizeField, const Bytes& payload);
    void chunkBytes(const Bytes& raw);                                 // raw bytes in the chunk section

    // Layout knobs (defaults give a valid file).
    void setHeaderMagic(uint32_t magic) { headerMagic_ = magic; }
    void setMarker(uint32_t marker) { marker_ = marker; }
    void setWriteChunkEnd(bool write) { writeChunkEnd_ = write; }
    void setDataOffsetField(int64_t offset) { dataOffsetField_ = offset; }
    void setFooterMagic(const Bytes& magic) { footerMagic_ = magic; } // any length, replaces "OVRA2FMR"
    void setWriteFooter(bool write) { writeFooter_ = write; }

    int32_t version() const { return version_; }
    // Offset of the marker, the data offset the footer stores by default.
    size_t dataOffset() const;
    Bytes build() const;
    // Writes build() to `path`; false when the file cannot be written.
    bool save(const std::string& path) const;

private:
    int32_t version_;
    ByteBuffer header_;
    ByteBuffer chunks_;
    uint32_t headerMagic_ = 0x4152564F; // "OVRA"
    uint32_t marker_ = 0;
    bool writeChunkEnd_ = true;
    std::optional<int64_t> dataOffsetField_;
    Bytes footerMagic_{'O', 'V', 'R', 'A', '2', 'F', 'M', 'R'};
    bool writeFooter_ = true;
};

// Writes bytes to a file; false on failure.
bool writeBytes(const std::string& path, const Bytes& bytes);

} // namespace OvrWriter
