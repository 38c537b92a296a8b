// Little-endian byte appender, word conversion, zlib compression and file output.
#include "tools/cachewriter/CacheWriter.h"
#include "utils/AtomicFile.h"

#include <zlib.h>

#include <cstring>

namespace OvrWriter {

namespace {
template <class T>
void appendLittleEndian(Bytes& buf, T value, int size) {
    for (int i = 0; i < size; ++i) buf.push_back(uint8_t(uint64_t(value) >> (8 * i)));
}
} // namespace

void ByteBuffer::u8(uint8_t v) { buf_.push_back(v); }
void ByteBuffer::u16(uint16_t v) { appendLittleEndian(buf_, v, 2); }
void ByteBuffer::i32(int32_t v) { appendLittleEndian(buf_, uint32_t(v), 4); }
void ByteBuffer::u32(uint32_t v) { appendLittleEndian(buf_, v, 4); }
void ByteBuffer::i64(int64_t v) { appendLittleEndian(buf_, uint64_t(v), 8); }
void ByteBuffer::u64(uint64_t v) { appendLittleEndian(buf_, v, 8); }

void ByteBuffer::f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void ByteBuffer::f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    u64(bits);
}

void ByteBuffer::bytes(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    buf_.insert(buf_.end(), p, p + size);
}

void ByteBuffer::string(const std::string& text) { stringWithLength(int32_t(text.size()), text); }

void ByteBuffer::stringWithLength(int32_t lengthField, const std::string& text) {
    i32(lengthField);
    bytes(text.data(), text.size());
}

void ByteBuffer::padToWords() {
    while (buf_.size() % 4 != 0) buf_.push_back(0);
}

std::vector<uint32_t> toWords(const Bytes& bytes) {
    std::vector<uint32_t> words((bytes.size() + 3) / 4, 0);
    for (size_t i = 0; i < bytes.size(); ++i) words[i / 4] |= uint32_t(bytes[i]) << (8 * (i % 4));
    return words;
}

Bytes zlibCompress(const void* data, size_t size, int level) {
    uLongf length = compressBound(uLong(size));
    Bytes out(length);
    // An empty input still gets a complete (header, empty block, checksum) stream.
    static const uint8_t kNothing = 0;
    const Bytef* source = size ? static_cast<const Bytef*>(data) : &kNothing;
    if (compress2(out.data(), &length, source, uLong(size), level) != Z_OK) return Bytes();
    out.resize(length);
    return out;
}

bool writeBytes(const std::string& path, const Bytes& bytes) {
    return FMRUtils::writeFileAtomically(path, bytes.data(), bytes.size());
}

} // namespace OvrWriter
