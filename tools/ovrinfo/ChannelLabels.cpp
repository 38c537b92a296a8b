#include "tools/ovrinfo/ChannelLabels.h"

#include "loader/format/ParticleChannels.h"

namespace OvrInfo {

const char* gridChannelContent(int channel) {
    static const char* const contents[] = {
        "-",            "temperature",   "smoke",          "speed",          "velocity x",
        "velocity y",   "velocity z",    "colour red",     "colour green",   "colour blue",
        "fuel",         "-",             "-",              "-",              "wavelet energy",
        "advection origin x", "advection origin y", "advection origin z", "packed colour",
        "wavelet u",    "wavelet v",     "wavelet w"};
    const int known = static_cast<int>(sizeof contents / sizeof contents[0]);
    return channel >= 0 && channel < known ? contents[channel] : "-";
}

const char* particleChannelContent(int channel) {
    switch (channel) {
    case CacheIO::ParticlePositionChannel:
        return "position";
    case CacheIO::ParticleVelocityChannel:
        return "velocity";
    case CacheIO::ParticleIdChannel:
        return "id";
    default:
        return "-";
    }
}

}  // namespace OvrInfo
