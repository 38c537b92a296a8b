// Reading little-endian fields out of written bytes, for the byte-level checks of the writer.
#pragma once

#include "tools/cachewriter/CacheWriter.h"

#include <cstring>
#include <string>

namespace OvrWriterTest {

template <class T>
T fieldAt(const OvrWriter::Bytes& b, size_t offset) {
    T v{};
    if (offset + sizeof(T) <= b.size()) std::memcpy(&v, b.data() + offset, sizeof(T));
    return v;
}
inline int32_t i32At(const OvrWriter::Bytes& b, size_t o) { return fieldAt<int32_t>(b, o); }
inline uint32_t u32At(const OvrWriter::Bytes& b, size_t o) { return fieldAt<uint32_t>(b, o); }
inline int64_t i64At(const OvrWriter::Bytes& b, size_t o) { return fieldAt<int64_t>(b, o); }
inline uint16_t u16At(const OvrWriter::Bytes& b, size_t o) { return fieldAt<uint16_t>(b, o); }
inline float f32At(const OvrWriter::Bytes& b, size_t o) { return fieldAt<float>(b, o); }
inline std::string textAt(const OvrWriter::Bytes& b, size_t o, size_t n) {
    return o + n <= b.size() ? std::string(reinterpret_cast<const char*>(b.data()) + o, n) : std::string();
}
inline OvrWriter::Bytes slice(const OvrWriter::Bytes& b, size_t o, size_t n) {
    return o + n <= b.size() ? OvrWriter::Bytes(b.begin() + o, b.begin() + o + n) : OvrWriter::Bytes();
}

} // namespace OvrWriterTest
