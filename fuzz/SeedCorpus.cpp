// fuzz_seeds <folder>: writes the seed corpus of every fuzz target into <folder>/<target>/, in each
// target's input layout, so that the fuzzers start from inputs that reach deep into the decoders.
// Cache files come from the plume generator and codec blocks from the codec's encoder, so that they
// follow both; the other seeds (hand-built cache files from the cache writer, codec blocks from its
// zone builders, zlib streams, texts) are kept as files in fuzz/seeds/ and copied.
#include "tools/cachewriter/CacheWriter.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path outputRoot;
bool allWritten = true;

void seed(const char* target, const std::string& name, const OvrWriter::Bytes& bytes) {
    std::error_code error;
    fs::create_directories(outputRoot / target, error);
    allWritten = OvrWriter::writeBytes((outputRoot / target / name).string(), bytes) && allWritten;
}

void plumeFrames() {
    const struct { const char* name; int32_t version, bits, resolution, particles; } plumes[] = {
        {"plume_v5.ovr", 5, 16, 8, 24}, {"plume_v5_raw.ovr", 5, 20, 6, 8}, {"plume_v4_box.ovr", 4, 12, 8, 16},
        {"plume_v3.ovr", 3, 8, 5, 4},   {"plume_v2.ovr", 2, 16, 4, 0}};
    for (const auto& p : plumes) {
        OvrSynth::FrameOptions options;
        options.version = p.version, options.quantBits = p.bits;
        options.plume.resolution = p.resolution, options.plume.particlesPerFrame = p.particles;
        seed("OvrFrame", p.name, OvrSynth::buildPlumeFrame(options, 7));
    }
}

// Codec blocks: flags (bit 0 the 3-D variant), float count (32 bits), block.
void codecBlocks() {
    std::vector<float> values(600);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = 10.0f * std::sin(0.37f * float(i)) * std::cos(0.05f * float(i));
    const auto block = [](const char* name, uint8_t box, uint32_t floats, const OvrWriter::Bytes& bytes) {
        OvrWriter::ByteBuffer input;
        input.u8(box), input.u32(floats), input.bytes(bytes);
        seed("SGCompressor", name, input.take());
    };
    OvrWriter::QuantOptions quant;
    block("zone_1d", 0, 600, OvrWriter::encodedZone1D(values.data(), 600, quant));
    block("table_1d", 0, 600, OvrWriter::encodeChannel1D(values.data(), 600, quant, 128));
    quant.bits = 6, quant.passes = 3;
    block("table_1d_coarse", 0, 600, OvrWriter::encodeChannel1D(values.data(), 600, quant, 200));
    block("box_3d", 1, 512, OvrWriter::encodeChannel3D(values.data(), 8, 8, 8, quant, 8));
    quant.bits = 16, quant.passes = 1;
    block("slabs_3d", 1, 512, OvrWriter::encodeChannel3D(values.data(), 8, 8, 8, quant, 3));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    outputRoot = argv[1];
    plumeFrames();
    codecBlocks();
    std::error_code error;
    fs::copy(OVR_FUZZ_STATIC_SEEDS, outputRoot, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
             error);
    if (error || !allWritten) {
        std::fprintf(stderr, "fuzz_seeds: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
