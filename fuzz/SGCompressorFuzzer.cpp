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
#include <vector>

namespace {

using FuzzInput::check;

// Floats that start as a NaN that no decoder writes by chance.
std::vector<float> filled(size_t count) {
    const uint32_t bits = 0x7FC0DEADu;
    float fill;
    return std::memcpy(&fill, &bits, sizeof fill), std::vector<float>(count, fill);
}

template <int N>
void decodeTwice(const uint8_t* block, size_t size, uint32_t floatCount) {
    FMRUtils::SGCompressor<N> codec;
    std::vector<float> first = filled(floatCount), second = filled(floatCount);
    const int result = codec.Decompress(block, int64_t(size), first.data(), floatCount);
    check(result == 0 || result == 1, "Decompress result");
    check(codec.Decompress(block, int64_t(size), second.data(), floatCount) == result,
          "a reused compressor decodes differently");
    check(result == 0 || floatCount == 0 || std::memcmp(first.data(), second.data(), floatCount * sizeof(float)) == 0,
          "a reused compressor decodes other floats");
}

void roundTrip(FuzzInput::Reader& in) {
    FMRUtils::ZoneSettings settings;
    // The encoder's tables span 2^bits symbols; up to 12 bits keeps a run quick, and 20 is raw.
    if ((settings.bits = 1 + in.take<uint8_t>() % 13) == 13) settings.bits = 20;
    settings.deltaPasses = in.take<uint8_t>() % 4;
    const int requestedLength = in.take<uint16_t>();
    const size_t count = std::min<size_t>(in.restSize() / sizeof(float), 1u << 14);
    if (count == 0) return;
    // Each zone's encoder reserves a large output; a few zones cover the table's code.
    const int zoneLength = std::max<int>({1, requestedLength, static_cast<int>((count + 15) / 16)});
    std::vector<float> values(count);
    std::memcpy(values.data(), in.rest(), count * sizeof(float));
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const bool finite = std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
    const bool raw = settings.bits >= 20;
    // A zone holding an infinity or a NaN is written as the constant 0; quantisation needs a finite range.
    if (!finite || (!raw && !std::isfinite(*high - *low))) return;

    FMRUtils::SGCompressor<1> codec;
    FMRUtils::FmrArray<char, int64_t> encoded;
    const int size[1] = {static_cast<int>(count)};
    const int64_t bytes = codec.Compress(values.data(), size, zoneLength, settings, encoded);
    check(bytes == encoded.count(), "Compress reports another size than it appended");
    check(bytes > 0, "Compress failed on a well-formed grid");
    std::vector<float> decoded = filled(count);
    check(codec.Decompress(encoded.data(), bytes, decoded.data(), int64_t(count)) == 1,
          "an encoded block does not decode");
    const double lo = *low, hi = *high;
    const double step = (hi - lo) / std::ldexp(1.0, settings.bits);
    const double tolerance = raw ? 1e-20 : step + (std::fabs(lo) + std::fabs(hi)) * std::ldexp(1.0, -20) + 1e-20;
    for (size_t i = 0; i < count; ++i) {
        const bool same = std::memcmp(&values[i], &decoded[i], sizeof(float)) == 0;
        check(same || std::fabs(double(decoded[i]) - values[i]) <= tolerance,
              raw ? "raw floats changed" : "a decoded value is off by more than a step");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput::Reader in(data, size);
    const uint8_t flags = in.take<uint8_t>();
    if (flags & 2) return roundTrip(in), 0;
    const uint32_t floatCount = in.take<uint32_t>() % ((1u << 20) + 1);
    (flags & 1 ? decodeTwice<3> : decodeTwice<1>)(in.rest(), in.restSize(), floatCount);
    return 0;
}
