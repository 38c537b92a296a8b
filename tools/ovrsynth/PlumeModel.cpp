// The plume: a column of smoke rising from a hot source at the bottom centre, its axis winding
// around the vertical as it climbs, widening with height, broken up by drifting value noise.
#include "tools/ovrsynth/PlumeModel.h"

#include <algorithm>
#include <cmath>

namespace OvrSynth {

namespace {
constexpr float kTwoPi = 6.2831853f;
// Frames a particle lives after its emission.
constexpr int32_t kParticleLifetime = 36;
// Beyond this squared distance (in plume radii) the plume is empty.
constexpr float kPlumeEdge = 9.0f;

uint32_t hash3(int32_t x, int32_t y, int32_t z) {
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ uint32_t(z) * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x85ebca6bu;
    h ^= h >> 16;
    return h;
}

// A uniform number in [0, 1) from three integers.
float unitHash(int32_t x, int32_t y, int32_t z) { return float(hash3(x, y, z) >> 8) * (1.0f / 16777216.0f); }

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

// Trilinearly interpolated lattice noise in [0, 1).
float valueNoise(float x, float y, float z) {
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int32_t ix = int32_t(fx), iy = int32_t(fy), iz = int32_t(fz);
    const float tx = smooth(x - fx), ty = smooth(y - fy), tz = smooth(z - fz);
    float c[2][2];
    for (int dz = 0; dz < 2; ++dz)
        for (int dy = 0; dy < 2; ++dy)
            c[dz][dy] = lerp(unitHash(ix, iy + dy, iz + dz), unitHash(ix + 1, iy + dy, iz + dz), tx);
    return lerp(lerp(c[0][0], c[0][1], ty), lerp(c[1][0], c[1][1], ty), tz);
}

// Two octaves of noise drifting upwards with time t (seconds).
float turbulence(float x, float y, float z, float t) {
    return 0.65f * valueNoise(4.0f * x, 4.0f * y - 1.2f * t, 4.0f * z) +
           0.35f * valueNoise(9.0f * x, 9.0f * y - 2.5f * t, 9.0f * z);
}

// Height (0..1 of the box) that the plume's top has reached at a frame.
float frontHeight(int32_t frame) {
    return 0.1f + 0.85f * (1.0f - std::exp(-float(std::max(frame, 0)) / 15.0f));
}

// The plume's axis and radius at height y (0..1) and time t.
struct Axis {
    float cx, cz, radius;
};
Axis axisAt(float y, float t) {
    const float phase = 7.0f * y - 2.5f * t;
    return {0.5f + 0.06f * y * std::sin(phase), 0.5f + 0.06f * y * std::cos(phase), 0.05f + 0.16f * y};
}

uint8_t toByte(float v) { return uint8_t(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

// Soot grey lit by fire: hot voxels turn orange to yellow-white.
uint32_t fireColour(float temperature) {
    const float fire = std::clamp(temperature / 1.5f, 0.0f, 1.0f);
    const float r = 0.35f + 0.65f * fire;
    const float g = 0.33f + 0.55f * fire * std::sqrt(fire);
    const float b = 0.32f + 0.2f * fire * fire * fire;
    return uint32_t(toByte(r)) << 16 | uint32_t(toByte(g)) << 8 | toByte(b);
}
} // namespace

void computeGrid(const PlumeSettings& settings, int32_t frame, GridFields& out) {
    const int32_t n = settings.resolution;
    const size_t voxels = size_t(n) * n * n;
    out.resolution = n;
    for (std::vector<float>* field : {&out.smoke, &out.temperature, &out.fuel, &out.velocityX, &out.velocityY, &out.velocityZ})
        field->assign(voxels, 0.0f);
    out.colour.assign(voxels, 0);

    const float t = float(frame) / kFrameRate;
    const float top = frontHeight(frame);
    const float inv = 1.0f / float(n);
    for (int32_t j = 0; j < n; ++j) {
        const float y = (float(j) + 0.5f) * inv;
        const float front = smooth(std::clamp((top - y) / 0.08f, 0.0f, 1.0f));
        if (front <= 0.0f) continue;
        const Axis axis = axisAt(y, t);
        const float cooling = std::exp(-2.5f * y);
        const float burning = std::exp(-14.0f * y);
        for (int32_t k = 0; k < n; ++k) {
            const float z = (float(k) + 0.5f) * inv;
            const float dz = z - axis.cz;
            for (int32_t i = 0; i < n; ++i) {
                const float x = (float(i) + 0.5f) * inv;
                const float dx = x - axis.cx;
                const float d2 = (dx * dx + dz * dz) / (axis.radius * axis.radius);
                if (d2 > kPlumeEdge) continue;
                const float g = std::exp(-d2) * front;
                const float turb = turbulence(x, y, z, t);
                const size_t v = size_t(i) + size_t(n) * (size_t(j) + size_t(n) * size_t(k));
                out.smoke[v] = g * (0.55f + 0.9f * turb);
                out.temperature[v] = 2.5f * g * g * cooling * (0.6f + 0.8f * turb);
                out.fuel[v] = std::exp(-4.0f * d2) * burning * front;
                const float swirl = 3.0f * g;
                out.velocityX[v] = -dz * kWorldSize * swirl + 0.3f * g * (turb - 0.5f);
                out.velocityY[v] = 1.8f * g;
                out.velocityZ[v] = dx * kWorldSize * swirl;
                out.colour[v] = fireColour(out.temperature[v]);
            }
        }
    }
}

ParticleSet computeParticles(const PlumeSettings& settings, int32_t frame) {
    ParticleSet set;
    const int32_t n = settings.resolution;
    const float t = float(frame) / kFrameRate;
    for (int32_t e = std::max(0, frame - kParticleLifetime + 1); e <= frame; ++e) {
        for (int32_t i = 0; i < settings.particlesPerFrame; ++i) {
            const float age = (float(frame - e) + unitHash(e, i, 1)) / kFrameRate;
            const float rise = 0.22f * (1.0f + 0.5f * unitHash(e, i, 2));
            const float y = 0.02f + rise * age;
            const Axis axis = axisAt(y, t);
            const float rho = 0.035f * std::sqrt(unitHash(e, i, 3)) + 0.04f * age;
            const float angle = kTwoPi * unitHash(e, i, 4) + 2.5f * age;
            const float c = std::cos(angle), s = std::sin(angle);
            const float position[3] = {axis.cx + rho * c, y, axis.cz + rho * s};
            const float velocity[3] = {(0.04f * c - 2.5f * rho * s) * kWorldSize, rise * kWorldSize,
                                       (0.04f * s + 2.5f * rho * c) * kWorldSize};
            for (int a = 0; a < 3; ++a) {
                set.positions.push_back(position[a] * float(n));
                set.velocities.push_back(velocity[a]);
            }
            set.ids.push_back((int64_t(e) << 24) + i + 1);
        }
    }
    return set;
}

} // namespace OvrSynth
