// fuzz_seeds <folder>: writes the seed corpus of every fuzz target into <folder>/<target>/, in each
// target's input layout. Cache files come from the plume generator and the cache writer, codec
// blocks from the codec's encoder and the writer's zone builders, so the fuzzers start from inputs
// that reach deep into the decoders.
#include "tools/cachewriter/CacheWriter.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using OvrWriter::Bytes;
namespace fs = std::filesystem;

fs::path outputRoot;
bool allWritten = true;

void seed(const char* target, const std::string& name, const Bytes& bytes) {
    const fs::path folder = outputRoot / target;
    std::error_code error;
    fs::create_directories(folder, error);
    allWritten = OvrWriter::writeBytes((folder / name).string(), bytes) && allWritten;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes u8(uint8_t v) { return {v}; }
Bytes u16(uint16_t v) {
    OvrWriter::ByteBuffer b;
    b.u16(v);
    return b.take();
}
Bytes u32(uint32_t v) {
    OvrWriter::ByteBuffer b;
    b.u32(v);
    return b.take();
}
Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
// Zero-separated texts (the zero bytes inside each text are kept).
Bytes texts(const std::vector<std::string>& list) {
    Bytes out;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i) out.push_back(0);
        out.insert(out.end(), list[i].begin(), list[i].end());
    }
    return out;
}

std::vector<float> wave(int n, float scale, float offset) {
    std::vector<float> v(size_t(n > 0 ? n : 0));
    for (int i = 0; i < n; ++i) v[size_t(i)] = offset + scale * std::sin(0.37f * i) * std::cos(0.05f * i);
    return v;
}

std::vector<uint32_t> words(const std::vector<float>& values) {
    std::vector<uint32_t> out(values.size());
    if (!values.empty()) std::memcpy(out.data(), values.data(), values.size() * 4);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Cache files.

void plumeFrames() {
    struct Variant {
        const char* name;
        int32_t version, bits, resolution, particles;
    };
    const Variant variants[] = {{"plume_v5.ovr", 5, 16, 8, 24},
                                {"plume_v5_raw.ovr", 5, 20, 6, 8},
                                {"plume_v4_box.ovr", 4, 12, 8, 16},
                                {"plume_v3.ovr", 3, 8, 5, 4},
                                {"plume_v2.ovr", 2, 16, 4, 0}};
    for (const Variant& v : variants) {
        OvrSynth::FrameOptions options;
        options.version = v.version;
        options.quantBits = v.bits;
        options.plume.resolution = v.resolution;
        options.plume.particlesPerFrame = v.particles;
        seed("OvrFrame", v.name, OvrSynth::buildPlumeFrame(options, 7));
    }
}

OvrWriter::ParticleChannel particleChannel(int32_t channel, int32_t count, int32_t method, int quantBits) {
    OvrWriter::ParticleChannel c;
    c.channel = channel;
    c.method = method;
    c.quantBits = quantBits;
    if (channel == 10) {
        std::vector<int64_t> ids;
        for (int32_t i = 0; i < count; ++i) ids.push_back(1000 + 3 * int64_t(i) * (i % 2 ? 1 : -1));
        c.words = OvrWriter::idWords(ids);
    } else {
        c.words = words(wave(count * OvrWriter::particleChannelWords(channel), 1.5f, 2.0f));
    }
    return c;
}

// Where a feature frame keeps its particles; a frame keeps the groups of the last form it reads.
enum class ParticleForm { RawSection, CompressedSection, DataChunk };

// Every record, chunk, zone form and (per form) particle storage of the container on a small grid.
Bytes featureFrame(int32_t version, ParticleForm form) {
    constexpr int32_t n = 4, voxels = n * n * n;
    OvrWriter::CacheWriter writer(version);
    OvrWriter::GridDataBuilder grid;
    OvrWriter::QuantOptions quant;
    const std::vector<float> values = wave(voxels, 3.0f, 1.0f);
    const bool boxZones = version < 5;
    grid.addBlock(1, OvrWriter::constantZone(voxels, 0.25f));
    grid.addBlock(2, OvrWriter::rawZone(values.data(), voxels));
    grid.addBlock(4, boxZones ? OvrWriter::encodeChannel3D(values.data(), n, n, n, quant, 1)
                              : OvrWriter::encodeChannel1D(values.data(), voxels, quant, 20));
    grid.addBlock(5, boxZones ? OvrWriter::encodeChannel3D(values.data(), n, n, n, quant, n)
                              : OvrWriter::encodeChannel1D(values.data(), voxels, quant));
    grid.addBlock(6, OvrWriter::constantZone(voxels, -1.0f));
    std::vector<uint32_t> colours(voxels);
    for (int32_t i = 0; i < voxels; ++i) colours[size_t(i)] = uint32_t(i * 0x010203);
    grid.addBlock(18, OvrWriter::packedColourPayload(colours.data(), voxels));

    const float transform[12] = {2, 0, 0, 0, 2, 0, 0, 0, 2, 0.5f, 0.5f, 0.5f};
    writer.channelFlags(grid.channelFlags());
    writer.transform(transform);
    writer.grid(n, n, n, grid.words());
    writer.frameNumber(3);
    writer.scalar5(0.5f);

    if (form == ParticleForm::RawSection) {
        // Velocities come from the grid for this kind.
        OvrWriter::ParticleGroup sampled;
        sampled.name = "sampled";
        sampled.count = 5;
        sampled.kind = 0x30000;
        sampled.channels.push_back(particleChannel(0, 5, 0, 0));
        sampled.channels.push_back(particleChannel(10, 5, 0, 0));
        writer.particles({sampled}, false);
    } else if (form == ParticleForm::CompressedSection) {
        OvrWriter::ParticleGroup packed;
        packed.name = "packed";
        packed.count = 6;
        packed.channels.push_back(particleChannel(0, 6, 0, 0));
        packed.channels.push_back(particleChannel(2, 6, 0, 12));
        packed.ids = {5, 9, 2, 40, 41, 7};
        writer.particles({packed}, true);
    } else {
        // Every storage method of the particle data chunk, and a group without positions.
        OvrWriter::ParticleGroup stored;
        stored.name = "stored";
        stored.count = 9;
        stored.channels.push_back(particleChannel(0, 9, 2, 0));
        stored.channels.push_back(particleChannel(1, 9, 3, 10));
        stored.channels.push_back(particleChannel(3, 9, 1, 0));
        stored.channels.push_back(particleChannel(10, 9, 4, 0));
        stored.channels.push_back(particleChannel(11, 9, 0, 0));
        OvrWriter::ParticleGroup empty;
        empty.name = "no positions";
        empty.count = 3;
        empty.channels.push_back(particleChannel(2, 3, 0, 0));
        const float bounds[6] = {0, 0, 0, 3, 3, 3};
        writer.particleDirectory({{"stored", 9, 0x40B, 0}, {"no positions", 3, 4, 0}}, bounds);
        writer.particleData({stored, empty});
    }
    writer.text("seed");
    writer.channelRanges({{1, 0.25f, 0.25f}, {2, -2.0f, 4.0f}});
    writer.channelValues({{1, 5}, {7, -3}});
    return writer.build();
}

void cacheFiles() {
    plumeFrames();
    seed("OvrFrame", "features_v5_chunk.ovr", featureFrame(5, ParticleForm::DataChunk));
    seed("OvrFrame", "features_v5_raw.ovr", featureFrame(5, ParticleForm::RawSection));
    seed("OvrFrame", "features_v5_compressed.ovr", featureFrame(5, ParticleForm::CompressedSection));
    seed("OvrFrame", "features_v4_raw.ovr", featureFrame(4, ParticleForm::RawSection));
    seed("OvrFrame", "features_v3_chunk.ovr", featureFrame(3, ParticleForm::DataChunk));
}

// ---------------------------------------------------------------------------------------------
// Codec blocks: flags (bit 0 the 3-D variant), float count, block; or a round trip's floats.

void codecBlock(const std::string& name, bool box, uint32_t floats, const Bytes& block) {
    seed("SGCompressor", name, concat({u8(box ? 1 : 0), u32(floats), block}));
}

void codecBlocks() {
    OvrWriter::QuantOptions quant;
    const std::vector<float> values = wave(600, 10.0f, 0.0f);
    codecBlock("zone_1d", false, 600, OvrWriter::encodedZone1D(values.data(), 600, quant));
    codecBlock("table_1d", false, 600, OvrWriter::encodeChannel1D(values.data(), 600, quant, 128));
    quant.bits = 6;
    quant.passes = 3;
    codecBlock("table_1d_coarse", false, 600, OvrWriter::encodeChannel1D(values.data(), 600, quant, 200));
    codecBlock("box_3d", true, 512, OvrWriter::encodeChannel3D(values.data(), 8, 8, 8, quant, 8));
    quant.bits = 16;
    quant.passes = 1;
    codecBlock("slabs_3d", true, 512, OvrWriter::encodeChannel3D(values.data(), 8, 8, 8, quant, 3));
    codecBlock("constant", false, 40, OvrWriter::constantZone(40, 1.5f));
    codecBlock("raw", true, 30, OvrWriter::rawZone(values.data(), 30));
    const uint32_t symbols[6] = {0, 1, 3, 2, 7, 1};
    OvrWriter::QuantisedZoneFields fields;
    fields.sizes = {6};
    fields.scale = 4.0f;
    fields.entropy = OvrWriter::rawEntropyStream(3, 2, symbols, 6);
    codecBlock("fixed_width", false, 6, OvrWriter::quantisedZone(fields));
    codecBlock("alt_table", false, 70,
               OvrWriter::zoneTableBlock({{0, OvrWriter::constantZone(30, 2.0f)}, {30, OvrWriter::rawZone(values.data(), 40)}},
                                         OvrWriter::kZoneTableTagAlt));

    // Round trips: flags 2, bits, passes, zone length, floats.
    const std::vector<float> floats = wave(300, 100.0f, -5.0f);
    Bytes raw(floats.size() * 4);
    std::memcpy(raw.data(), floats.data(), raw.size());
    seed("SGCompressor", "round_trip_12", concat({u8(2), u8(11), u8(1), u16(64), raw}));
    seed("SGCompressor", "round_trip_raw", concat({u8(2), u8(12), u8(0), u16(1000), raw}));
    seed("SGCompressor", "round_trip_3bits", concat({u8(2), u8(2), u8(3), u16(7), raw}));
}

// ---------------------------------------------------------------------------------------------
// zlib streams: destination size, stream.

void zlibStreams() {
    const Bytes plain = text("smoke temperature fuel velocity colour smoke smoke smoke");
    seed("InflateBlock", "exact", concat({u32(uint32_t(plain.size())), OvrWriter::zlibCompress(plain.data(), plain.size())}));
    seed("InflateBlock", "short", concat({u32(10), OvrWriter::zlibCompress(plain.data(), plain.size(), 9)}));
    std::vector<uint32_t> colours(512);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = uint32_t(i * 77);
    seed("InflateBlock", "colour", concat({u32(2048), OvrWriter::zlibCompress(colours.data(), 2048, 1)}));
    seed("InflateBlock", "stored", concat({u32(uint32_t(plain.size()) + 5), OvrWriter::zlibCompress(plain.data(), plain.size(), 0)}));
}

// ---------------------------------------------------------------------------------------------
// Texts.

void mappingTexts() {
    const auto mappings = [](const std::string& name, uint8_t bufferSize, uint8_t extension,
                             const std::vector<std::string>& list) {
        seed("ChannelMappings", name, concat({u8(bufferSize), u8(extension), texts(list)}));
    };
    mappings("vdb", 40, 0,
             {"2,density;1,temperature;4,vel.x;", std::string("\0density", 8), std::string("\0temperature", 12),
              "\x01vel.x", "\x01vel.y", std::string("\0other", 6)});
    mappings("f3d", 8, 1, {"10,fuel", std::string("\0v_mac(x)", 9), std::string("\0Density", 8), "\x01" "custom"});
    mappings("fallback", 63, 2, {" -3,a,b;;7;+12,x y", "\x01vel.z", std::string("\0heat", 5)});
    mappings("ovr", 1, 3, {"99999999999,big;-99999999999,small;", std::string("\0density", 8)});

    const auto frameName = [](const std::string& name, int32_t frame, uint8_t choice, const std::vector<std::string>& list) {
        seed("FrameName", name, concat({u32(uint32_t(frame)), u8(choice), texts(list)}));
    };
    frameName("hashes", 42, 0, {"cache/frame_####.ovr", "x"});
    frameName("printf", -7, 3, {"a%%b_%05d_%u.ovr", ""});
    frameName("tag", 123456, 6, {"dir.v2\\shot<frame08>.<frame>.vdb", "replacement-text-long"});
    frameName("noframe", 2147483647, 9, {"f_<frame3>_#.ovr", "#"});

    const auto commandLine = [](const std::string& name, const std::vector<std::string>& list) {
        seed("CommandLine", name, texts(list));
    };
    commandLine("range", {"-srcfile", "in_####.ovr", "-dstfile", "out_####.vdb", "-start", "3", "-end", "5"});
    commandLine("bad_start", {"-silent", "-start", "x"});
    commandLine("help", {"-credits", "-help", "-threads", "4", "-end"});
    commandLine("numbers", {"-start", "  -12abc", "-end", "99999999999", "-threads", ""});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    outputRoot = argv[1];
    cacheFiles();
    codecBlocks();
    zlibStreams();
    mappingTexts();
    if (!allWritten) {
        std::fprintf(stderr, "fuzz_seeds: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
