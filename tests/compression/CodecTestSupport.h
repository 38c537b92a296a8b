// Helpers for the codec tests: byte and bit writers for hand-built blocks and streams, a capture of the
// loader's log, and the decode formula computed independently of the codec.
#pragma once

#include "utils/Log.h"

#include <unistd.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace CodecTest {

// Little-endian fields appended to a byte vector.
class Bytes {
public:
    template <class T>
    Bytes& put(T value) {
        const size_t at = data.size();
        data.resize(at + sizeof(T));
        std::memcpy(data.data() + at, &value, sizeof(T));
        return *this;
    }
    Bytes& u8(uint8_t v) { return put(v); }
    Bytes& u16(uint16_t v) { return put(v); }
    Bytes& i32(int32_t v) { return put(v); }
    Bytes& f32(float v) { return put(v); }
    Bytes& append(const std::vector<uint8_t>& more) {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
    size_t size() const { return data.size(); }
    std::vector<uint8_t> data;
};

// Bits packed least significant first, as the entropy streams store them.
class Bits {
public:
    Bits& put(uint64_t value, int width) {
        for (int i = 0; i < width; ++i) {
            if (m_bit == 0) bytes.push_back(0);
            if ((value >> i) & 1) bytes.back() |= uint8_t(1u << m_bit);
            m_bit = (m_bit + 1) % 8;
        }
        return *this;
    }
    std::vector<uint8_t> bytes;

private:
    int m_bit = 0;
};

// Sends the loader's log to a temporary file for the lifetime of the object.
class LogCapture {
public:
    LogCapture() : m_saved(ZUtils::logSettings()) {
        char path[] = "/tmp/codec_log_XXXXXX";
        const int fd = mkstemp(path);
        if (fd >= 0) close(fd);
        m_path = path;
        ZUtils::LogSettings settings;
        settings.filePath = m_path;
        ZUtils::setLogSettings(settings);
    }
    ~LogCapture() {
        ZUtils::setLogSettings(m_saved);
        std::remove(m_path.c_str());
    }
    std::string text() const {
        std::ifstream in(m_path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    ZUtils::LogSettings m_saved;
    std::string m_path;
};

// The quantised value of f as the encoder defines it, in single precision.
inline int32_t Quantise(float f, float minimum, float scale) {
    volatile float scaled = (f - minimum) * scale;  // rounded to float before the addition
    volatile float shifted = scaled + 0.5f;
    return static_cast<int32_t>(std::floor(static_cast<float>(shifted)));
}

// The decoded float of integer q: float(q) * (1 / scale) + minimum, each operation rounded.
inline float Dequantise(int32_t q, float minimum, float scale) {
    volatile float r = 1.0f / scale;
    volatile float product = static_cast<float>(q) * r;
    return product + minimum;
}

inline uint32_t BitsOf(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

}  // namespace CodecTest
