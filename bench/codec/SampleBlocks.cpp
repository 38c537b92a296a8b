#include "SampleBlocks.h"

#include "compression/SGCompressor.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace CodecBench {

namespace {

// Soft blobs of density with swirling detail; about half of the grid stays empty.
std::vector<float> SmokeField(int n) {
    std::vector<float> f(size_t(n) * n * n);
    const float centres[3][3] = {{0.35f, 0.3f, 0.4f}, {0.6f, 0.55f, 0.5f}, {0.45f, 0.7f, 0.65f}};
    for (int z = 0; z < n; ++z)
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const float px = float(x) / n, py = float(y) / n, pz = float(z) / n;
                float d = 0.0f;
                for (const auto& c : centres) {
                    const float dx = px - c[0], dy = py - c[1], dz = pz - c[2];
                    d += std::exp(-(dx * dx + dy * dy + dz * dz) * 14.0f);
                }
                const float swirl = 0.75f + 0.25f * std::sin(px * 23.0f + std::sin(py * 17.0f)) * std::cos(pz * 19.0f);
                const float v = d * swirl - 0.12f;
                f[size_t(x) + size_t(n) * (size_t(y) + size_t(n) * size_t(z))] = v > 0.0f ? v : 0.0f;
            }
    return f;
}

// Integers 0 .. 4094 as floats: coded with step 1 they span 4095 symbols of equal weight, for which a
// symbol table cannot beat 12-bit fixed-width values.
std::vector<float> IntegerNoise(int n) {
    std::vector<float> f(size_t(n) * n * n);
    uint32_t state = 12345;
    for (float& v : f) {
        state = state * 1664525u + 1013904223u;
        v = float((state >> 8) % 4095u);
    }
    return f;
}

template <int N>
std::vector<uint8_t> Encode(const std::vector<float>& values, int side, int bits, float step, int passes) {
    FMRUtils::SGCompressor<N> codec;
    FMRUtils::FmrArray<char, int64_t> block;
    FMRUtils::ZoneSettings s;
    s.bits = bits;
    s.step = step;
    s.deltaPasses = passes;
    int size[N];
    int zoneLength = kZonePlanes;
    if constexpr (N == 1) {
        size[0] = int(values.size());
        zoneLength = kZonePlanes * side * side;
    } else {
        size[0] = size[1] = size[2] = side;
    }
    if (codec.Compress(values.data(), size, zoneLength, s, block) <= 0) {
        std::fprintf(stderr, "encoding a sample block failed\n");
        std::exit(1);
    }
    return std::vector<uint8_t>(block.data(), block.data() + block.count());
}

double ZeroFraction(const std::vector<float>& v) {
    size_t zeros = 0;
    for (float x : v) zeros += x == 0.0f;
    return double(zeros) / double(v.size());
}

}  // namespace

std::vector<SampleBlock> MakeSampleBlocks() {
    std::vector<SampleBlock> blocks;
    for (const int side : {kSide, kLargeSide}) {
        const std::string suffix = side == kSide ? "" : "_" + std::to_string(side);
        const auto smoke = SmokeField(side);
        const auto noise = IntegerNoise(side);
        const int64_t count = int64_t(smoke.size());
        const double zeros = ZeroFraction(smoke);
        auto add = [&](const char* name, int dims, std::vector<uint8_t> bytes, double zeroFraction) {
            blocks.push_back({name + suffix, dims, std::move(bytes), count, zeroFraction});
        };
        add("smoke8_d1", 1, Encode<1>(smoke, side, 8, 0.0f, 1), zeros);
        add("smoke8_d2", 1, Encode<1>(smoke, side, 8, 0.0f, 2), zeros);
        add("smoke16_d1", 1, Encode<1>(smoke, side, 16, 0.0f, 1), zeros);
        add("smoke16_d2", 1, Encode<1>(smoke, side, 16, 0.0f, 2), zeros);
        add("noise12_raw", 1, Encode<1>(noise, side, 0, 1.0f, 0), ZeroFraction(noise));
        add("smoke16_d1_3d", 3, Encode<3>(smoke, side, 16, 0.0f, 1), zeros);
    }
    return blocks;
}

}  // namespace CodecBench
