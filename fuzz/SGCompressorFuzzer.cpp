// Fuzz target: the float codec. Most inputs are a block for either variant's decoder, decoded twice by
// one compressor (a reused compressor must give the same floats); the others are finite floats that the
// 1-D encoder compresses and the decoder must give back: exactly in raw mode, within the quantisation
// step otherwise (a zone whose values lie within 1e-20 of each other is stored as one constant).
//
// Input: flags (8 bits: bit 0 the 3-D variant, bit 1 the encoder round trip), then
//   decoding: float count (32 bits, taken modulo 2^20 + 1), the block;
//   round trip: bits (8, taken as 1..12, or 20), delta passes (8, taken as 0..3), zone length (16; raised to
//   make at most 16 zones), the floats (at most 2^14).
#include "compression/SGCompressor.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

using FuzzInput::check;

constexpr uint32_t kMaxFloats = 1u << 20;
constexpr size_t kMaxEncodedFloats = 1u << 14;
constexpr size_t kMaxZones = 16;
constexpr uint32_t kFill = 0x7FC0DEADu;  // a NaN that no decoder writes by chance

std::unique_ptr<float[]> filledFloats(size_t count) {
    std::unique_ptr<float[]> out(new float[count]);
    float fill;
    std::memcpy(&fill, &kFill, sizeof fill);
    std::fill(out.get(), out.get() + count, fill);
    return out;
}

template <int N>
void decodeTwice(const uint8_t* block, size_t size, uint32_t floatCount) {
    FMRUtils::SGCompressor<N> codec;
    std::unique_ptr<float[]> first = filledFloats(floatCount);
    std::unique_ptr<float[]> second = filledFloats(floatCount);
    const int firstResult = codec.Decompress(block, static_cast<int64_t>(size), first.get(), floatCount);
    const int secondResult = codec.Decompress(block, static_cast<int64_t>(size), second.get(), floatCount);
    check(firstResult == 0 || firstResult == 1, "Decompress result");
    check(firstResult == secondResult, "a reused compressor decodes differently");
    if (firstResult == 1)
        check(std::memcmp(first.get(), second.get(), floatCount * sizeof(float)) == 0,
              "a reused compressor decodes other floats");
}

void roundTrip(FuzzInput::Reader& in) {
    FMRUtils::ZoneSettings settings;
    // The encoder's tables span 2^bits symbols; up to 12 bits keeps a run quick, and 20 is raw.
    const int bits = 1 + in.take<uint8_t>() % 13;
    settings.bits = bits == 13 ? 20 : bits;
    settings.deltaPasses = in.take<uint8_t>() % 4;
    const int requestedLength = in.take<uint16_t>();
    const size_t count = std::min(in.restSize() / sizeof(float), kMaxEncodedFloats);
    if (count == 0) return;
    // Each zone's encoder reserves a large output; a few zones cover the table's code.
    const int zoneLength = std::max<int>({1, requestedLength, static_cast<int>((count + kMaxZones - 1) / kMaxZones)});
    std::unique_ptr<float[]> values(new float[count]);
    std::memcpy(values.get(), in.rest(), count * sizeof(float));

    float low = INFINITY, high = -INFINITY;
    bool finite = true;
    for (size_t i = 0; i < count; ++i) {
        finite = finite && std::isfinite(values[i]);
        low = std::min(low, values[i]);
        high = std::max(high, values[i]);
    }
    const bool raw = settings.bits >= 20;
    // The encoder writes a zone holding an infinity or a NaN as the constant 0, as the cache format's
    // writer always has; quantisation needs a finite range as well.
    if (!finite || (!raw && !std::isfinite(high - low))) return;

    FMRUtils::SGCompressor<1> codec;
    FMRUtils::FmrArray<char, int64_t> encoded;
    const int size[1] = {static_cast<int>(count)};
    const int64_t bytes = codec.Compress(values.get(), size, zoneLength, settings, encoded);
    check(bytes == encoded.count(), "Compress reports another size than it appended");
    check(bytes > 0, "Compress failed on a well-formed grid");
    std::unique_ptr<float[]> decoded = filledFloats(count);
    check(codec.Decompress(encoded.data(), bytes, decoded.get(), static_cast<int64_t>(count)) == 1,
          "an encoded block does not decode");
    if (raw) {
        for (size_t i = 0; i < count; ++i)
            check(std::memcmp(&values[i], &decoded[i], sizeof(float)) == 0 || std::fabs(values[i] - decoded[i]) < 1e-20f,
                  "raw floats changed");
        return;
    }
    // A zone whose values lie within 1e-20 of each other is stored as its smallest value.
    const double tolerance = (double(high) - low) / std::ldexp(1.0, settings.bits) +
                             (std::fabs(double(low)) + std::fabs(double(high))) * std::ldexp(1.0, -20) + 1e-20;
    for (size_t i = 0; i < count; ++i)
        check(std::fabs(double(decoded[i]) - values[i]) <= tolerance, "a decoded value is off by more than a step");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput::Reader in(data, size);
    const uint8_t flags = in.take<uint8_t>();
    if (flags & 2) {
        roundTrip(in);
        return 0;
    }
    const uint32_t floatCount = in.take<uint32_t>() % (kMaxFloats + 1);
    if (flags & 1)
        decodeTwice<3>(in.rest(), in.restSize(), floatCount);
    else
        decodeTwice<1>(in.rest(), in.restSize(), floatCount);
    return 0;
}
