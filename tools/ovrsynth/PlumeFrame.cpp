// Encodes one frame of the plume model into a cache file.
#include "tools/ovrsynth/PlumeFrame.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace OvrSynth {

using namespace OvrWriter;

namespace {
// Grid channel numbers of the stored fields.
enum GridChannel : int32_t { kTemperature = 1, kSmoke = 2, kVelocityX = 4, kVelocityY = 5, kVelocityZ = 6, kFuel = 10, kPackedColour = 18 };
// Particle channels and their storage methods in the particle data chunk.
enum ParticleChannelId : int32_t { kPositions = 0, kVelocities = 1, kIds = 10 };
enum Method : int32_t { kBlockParticleOrder = 2, kBlockComponentOrder = 3, kBitPlanes = 4 };
constexpr int kParticleQuantBits = 16;
// Floats per zone: enough zones for every decoding thread on the larger grids.
constexpr int64_t kZoneFloats = 65536;

bool usesZones1D(int32_t version) { return version >= 5 && version != kNotFromFileVersion; }

Bytes encodeGridChannel(const FrameOptions& options, const std::vector<float>& values) {
    QuantOptions quant;
    quant.bits = options.quantBits;
    const int32_t n = options.plume.resolution;
    if (usesZones1D(options.version)) return encodeChannel1D(values.data(), int64_t(values.size()), quant, kZoneFloats);
    const int32_t slab = std::max<int32_t>(1, int32_t(kZoneFloats / (int64_t(n) * n)));
    return encodeChannel3D(values.data(), n, n, n, quant, slab);
}

ChannelRange rangeOf(uint32_t channel, const std::vector<float>& values) {
    const auto mm = std::minmax_element(values.begin(), values.end());
    return {channel, values.empty() ? 0.0f : *mm.first, values.empty() ? 0.0f : *mm.second};
}

std::vector<uint32_t> floatWords(const std::vector<float>& values) {
    std::vector<uint32_t> words(values.size());
    if (!values.empty()) std::memcpy(words.data(), values.data(), values.size() * 4);
    return words;
}

ParticleGroup particleGroup(const ParticleSet& particles) {
    ParticleGroup group;
    group.name = "plume";
    group.count = particles.count();
    group.channels.push_back({kPositions, floatWords(particles.positions), kBlockParticleOrder, kParticleQuantBits, {}, {}, {}});
    group.channels.push_back({kVelocities, floatWords(particles.velocities), kBlockComponentOrder, kParticleQuantBits, {}, {}, {}});
    group.channels.push_back({kIds, idWords(particles.ids), kBitPlanes, 0, {}, {}, {}});
    return group;
}

// Bounds of the particle positions: min x, y, z, then max x, y, z.
void particleBounds(const ParticleSet& particles, float bounds[6]) {
    for (int a = 0; a < 3; ++a) {
        bounds[a] = 1e20f;
        bounds[a + 3] = -1e20f;
    }
    for (size_t i = 0; i < particles.positions.size(); ++i) {
        const int a = int(i % 3);
        bounds[a] = std::min(bounds[a], particles.positions[i]);
        bounds[a + 3] = std::max(bounds[a + 3], particles.positions[i]);
    }
}
} // namespace

Bytes buildPlumeFrame(const FrameOptions& options, int32_t frame) {
    const int32_t n = options.plume.resolution;
    GridFields fields;
    computeGrid(options.plume, frame, fields);

    GridDataBuilder grid;
    const std::pair<int32_t, const std::vector<float>*> floatChannels[] = {
        {kTemperature, &fields.temperature}, {kSmoke, &fields.smoke},         {kVelocityX, &fields.velocityX},
        {kVelocityY, &fields.velocityY},     {kVelocityZ, &fields.velocityZ}, {kFuel, &fields.fuel}};
    std::vector<ChannelRange> ranges;
    for (const auto& channel : floatChannels) {
        grid.addBlock(channel.first, encodeGridChannel(options, *channel.second));
        ranges.push_back(rangeOf(uint32_t(channel.first), *channel.second));
    }
    grid.addBlock(kPackedColour, packedColourPayload(fields.colour.data(), int64_t(fields.colour.size())));

    // World box [-2, 2] x [0, 4] x [-2, 2] onto the grid: p * (N / 4) + (N / 2, 0, N / 2).
    const float s = float(n) / kWorldSize;
    const float transform[12] = {s, 0, 0, 0, s, 0, 0, 0, s, 0.5f * float(n), 0, 0.5f * float(n)};

    const ParticleSet particles = computeParticles(options.plume, frame);
    const ParticleGroup group = particleGroup(particles);
    float bounds[6];
    particleBounds(particles, bounds);
    const int32_t mask = (1 << kPositions) | (1 << kVelocities) | (1 << kIds);

    CacheWriter file(options.version);
    file.channelFlags(grid.channelFlags());
    file.transform(transform);
    file.frameNumber(frame);
    file.scalar5(1.0f / kFrameRate);
    file.grid(n, n, n, grid.words());
    file.text("ovrsynth plume, resolution " + std::to_string(n) + ", frame " + std::to_string(frame));
    file.particleData({group});
    file.channelRanges(ranges);
    // Last: before version 3 the reader stops after the directory.
    file.particleDirectory({{group.name, group.count, mask, group.kind}}, bounds);
    return file.build();
}

} // namespace OvrSynth
