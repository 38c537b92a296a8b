// A closed-form smoke and fire plume: every frame is computed on its own from the frame number, so
// any frame of a sequence comes out the same whichever frames are written with it.
#pragma once

#include <cstdint>
#include <vector>

namespace OvrSynth {

struct PlumeSettings {
    int32_t resolution = 64;        // voxels along each axis of the cube
    int32_t particlesPerFrame = 128; // particles emitted by the source each frame
};

// World size of the simulated box along each axis; the grid covers [-2, 2] x [0, 4] x [-2, 2].
constexpr float kWorldSize = 4.0f;
// Frames per second of the sequence.
constexpr float kFrameRate = 24.0f;

struct GridFields {
    int32_t resolution = 0;
    std::vector<float> smoke, temperature, fuel, velocityX, velocityY, velocityZ;
    std::vector<uint32_t> colour; // 0x00RRGGBB per voxel
};

// Voxel (i, j, k) is element i + N * (j + N * k); y (j) points up.
void computeGrid(const PlumeSettings& settings, int32_t frame, GridFields& out);

struct ParticleSet {
    std::vector<float> positions;  // 3 per particle, in voxel coordinates
    std::vector<float> velocities; // 3 per particle, world units per second
    std::vector<int64_t> ids;      // ascending
    int32_t count() const { return int32_t(ids.size()); }
};

// The particles alive at `frame`: emitted at the source since frame 0, each living a fixed number
// of frames while it rises and swirls with the plume.
ParticleSet computeParticles(const PlumeSettings& settings, int32_t frame);

} // namespace OvrSynth
