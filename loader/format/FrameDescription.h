// What a cache file says about its frame besides the channel and particle payloads.
#pragma once

#include <cstdint>
#include <string>

namespace CacheIO {

// Bits of FrameDescription::flags.
enum FrameFlagBits : uint8_t {
    FrameFlagChannelBit31 = 1,  // copy of bit 31 of channelFlags
    FrameFlagHeaderOnly = 4,    // the frame was read without its bulk data
};

struct FrameDescription {
    static constexpr int ParamBlockSize = 392;

    uint8_t flags = 0;
    uint32_t channelFlags = 0;
    int32_t gridResolution[3] = {0, 0, 0};
    int32_t frameNumber = static_cast<int32_t>(0x80000000u);  // a frame never read
    int32_t containerVersion = 0x7FFFFFFF;                    // a frame not read from a cache file
    uint8_t headerParamBlock[ParamBlockSize] = {};
    float headerScalar9 = 0.001f;
    float gridTransform[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    float headerScalar5 = 1.0f / 30.0f;
    float headerMatrixA[12] = {};
    float headerMatrixB[12] = {};
    float headerMatrixC[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    int64_t channelValues[32];
    float particleBounds[6] = {1e20f, 1e20f, 1e20f, -1e20f, -1e20f, -1e20f};
    std::string textChunk;

    FrameDescription();

    // Fields that live inside headerParamBlock.
    double headerDoubleA() const;
    double headerDoubleB() const;
    void setHeaderDoubleA(double value);
    void setHeaderDoubleB(double value);
    void setHeaderWord9(const uint8_t word[4]);
    void setHeaderWord11(const uint8_t word[8]);

    bool headerOnly() const { return (flags & FrameFlagHeaderOnly) != 0; }
};

}  // namespace CacheIO
