// A writer of hand-built blocks and streams for the codec tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace CodecTest {

inline uint32_t BitsOf(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// Fields packed least significant bit first, as in the entropy streams (and little-endian, whole bytes).
struct Bits {
    std::vector<uint8_t> bytes;
    int bit = 0;
    Bits& put(uint64_t value, int width) {
        for (int i = 0; i < width; ++i, bit = (bit + 1) % 8) {
            if (bit == 0) bytes.push_back(0);
            if ((value >> i) & 1) bytes.back() |= uint8_t(1u << bit);
        }
        return *this;
    }
    Bits& f32(float f) { return put(BitsOf(f), 32); }
    Bits& append(const std::vector<uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
};

}  // namespace CodecTest
