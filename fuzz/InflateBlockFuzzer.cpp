// Fuzz target: InflateBlock. Its verdict must match zlib's own one-shot inflation into a buffer of
// the same size, and on success so must the bytes.
//
// Input: destination size (32 bits, taken modulo 2^20 + 1), then the zlib stream.
#include "compression/InflateBlock.h"
#include "fuzz/FuzzInput.h"

#include <zlib.h>

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput::Reader in(data, size);
    const uint32_t capacity = in.take<uint32_t>() % ((1u << 20) + 1);
    std::unique_ptr<uint8_t[]> out(new uint8_t[capacity]);
    const bool inflated = InflateBlock(in.rest(), static_cast<uint32_t>(in.restSize()), out.get(), capacity);

    std::unique_ptr<uint8_t[]> reference(new uint8_t[capacity]);
    uLongf produced = capacity;
    uLong consumed = in.restSize();
    const int result = uncompress2(reference.get(), &produced, in.rest(), &consumed);
    FuzzInput::check(inflated == (result == Z_OK), "InflateBlock disagrees with zlib about the stream");
    if (inflated)
        FuzzInput::check(std::memcmp(out.get(), reference.get(), produced) == 0, "InflateBlock inflated other bytes");
    return 0;
}
