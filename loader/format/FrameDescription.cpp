#include "loader/format/FrameDescription.h"

#include <cstring>

namespace CacheIO {

namespace {
// Offsets of the single fields inside headerParamBlock.
constexpr size_t DoubleAOffset = 8;
constexpr size_t DoubleBOffset = 16;
constexpr size_t Word9Offset = 348;
constexpr size_t Word11Offset = 384;
}  // namespace

FrameDescription::FrameDescription() {
    for (int64_t& value : channelValues)
        value = -1;
}

double FrameDescription::headerDoubleA() const {
    double value;
    memcpy(&value, headerParamBlock + DoubleAOffset, sizeof value);
    return value;
}

double FrameDescription::headerDoubleB() const {
    double value;
    memcpy(&value, headerParamBlock + DoubleBOffset, sizeof value);
    return value;
}

void FrameDescription::setHeaderDoubleA(double value) {
    memcpy(headerParamBlock + DoubleAOffset, &value, sizeof value);
}

void FrameDescription::setHeaderDoubleB(double value) {
    memcpy(headerParamBlock + DoubleBOffset, &value, sizeof value);
}

void FrameDescription::setHeaderWord9(const uint8_t word[4]) {
    memcpy(headerParamBlock + Word9Offset, word, 4);
}

void FrameDescription::setHeaderWord11(const uint8_t word[8]) {
    memcpy(headerParamBlock + Word11Offset, word, 8);
}

}  // namespace CacheIO
