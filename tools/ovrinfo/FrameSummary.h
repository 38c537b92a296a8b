// What ovrinfo learns about one frame file, gathered before anything is printed.
#pragma once

#include "tools/ovrinfo/ValueStats.h"

#include <cstdint>
#include <string>
#include <vector>

namespace OvrInfo {

// What became of a channel whose values were asked for.
enum class DecodeState { NotAsked, Decoded, Failed };

struct GridChannelInfo {
    int channel = 0;
    bool stored = false;    // the file's channel flags list it
    bool readable = false;  // hosts can read it (stored, or derived from stored channels)
    // The range the file records for the channel (channel ranges chunk).
    bool hasRange = false;
    float rangeMinimum = 0.0f;
    float rangeMaximum = 0.0f;
    // The 64-bit value the file records for the channel (channel values chunk).
    bool hasValue = false;
    int64_t value = 0;
    // With statistics: the expanded values, or why they could not be had.
    DecodeState decode = DecodeState::NotAsked;
    ValueStats<float> stats;
    std::vector<std::string> loaderLines;  // logged while the channel was expanded
};

struct ParticleChannelInfo {
    int channel = 0;
    int type = 0;
    int components = 0;
    DecodeState decode = DecodeState::NotAsked;
    int64_t particlesRead = 0;
    // One entry per component: floats for single-precision channels, integers for the others.
    std::vector<ValueStats<float>> floats;
    std::vector<ValueStats<int64_t>> integers;
    std::vector<std::string> loaderLines;
};

struct ParticleGroupInfo {
    std::string name;
    int32_t count = 0;
    int32_t kind = 0;
    uint32_t channels = 0;     // bit c: channel c is listed or holds data
    bool hasPositions = false; // groups without positions are not shown to hosts
    std::vector<ParticleChannelInfo> stats;  // with statistics, one per channel that holds values
};

struct FrameSummary {
    std::string path;
    int frameInName = 0;  // kNoFrame when the name carries no number
    // The loader's result code (0 loaded) and what it logged while loading.
    int loadCode = -1;
    std::vector<std::string> loadLines;
    bool fileExists = false;
    int64_t fileSize = 0;
    bool statsAsked = false;

    int32_t containerVersion = 0;
    int32_t frameNumber = 0;
    int32_t resolution[3] = {0, 0, 0};
    float transform[12] = {};
    std::string text;
    std::vector<GridChannelInfo> channels;  // channels that are stored or readable, by number
    std::vector<ParticleGroupInfo> groups;  // in file order
    float particleBounds[6] = {};

    bool loaded() const { return loadCode == 0; }
    // Whether the frame did not load or a channel did not decode.
    bool failed() const;
};

// The load code of a frame object that could not even be made (out of memory).
constexpr int FrameNotCreatedCode = -1;

// Why a frame did not load: the code's meaning and number, and whether the file is missing.
std::string loadFailureReason(int code, bool fileExists);

}  // namespace OvrInfo
