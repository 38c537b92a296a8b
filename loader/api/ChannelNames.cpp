#include "loader/api/ChannelNames.h"

namespace CacheIO {

const char* gridChannelName(int channel) {
    static const char* const names[GridChannelCount] = {
        nullptr,                  // 0
        "Temperature_fmr",        // 1
        "Smoke_fmr",              // 2
        nullptr,                  // 3: speed
        "VelocityX_fmr",          // 4
        "VelocityY_fmr",          // 5
        "VelocityZ_fmr",          // 6
        "ColorR_fmr",             // 7
        "ColorG_fmr",             // 8
        "ColorB_fmr",             // 9
        "Fuel_fmr",               // 10
        nullptr, nullptr, nullptr, // 11 to 13
        "WaveletEnergy_fmr",      // 14
        "AdvectionOriginX_fmr",   // 15
        "AdvectionOriginY_fmr",   // 16
        "AdvectionOriginZ_fmr",   // 17
        nullptr,                  // 18: packed colour
        "WaveletU_fmr",           // 19
        "WaveletV_fmr",           // 20
        "WaveletW_fmr",           // 21
        // 22 to 31 are not named
    };
    if (channel < 0 || channel >= GridChannelCount) return nullptr;
    return names[channel];
}

} // namespace CacheIO
