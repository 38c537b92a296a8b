// Grid channel numbers of a cache frame and the grid names they go by in OpenVDB files.
#pragma once

namespace CacheIO {

// The grid channels a frame can hold; the numbers are those stored in cache files.
enum GridChannel : int {
    ChannelTemperature = 1,
    ChannelSmoke = 2,
    ChannelSpeed = 3,            // derived from the three velocity channels
    ChannelVelocityX = 4,
    ChannelVelocityY = 5,
    ChannelVelocityZ = 6,
    ChannelColorR = 7,           // also the target of texture-coordinate and rest-position grids
    ChannelColorG = 8,
    ChannelColorB = 9,
    ChannelFuel = 10,
    ChannelWaveletEnergy = 14,
    ChannelAdvectionOriginX = 15,
    ChannelAdvectionOriginY = 16,
    ChannelAdvectionOriginZ = 17,
    ChannelPackedColor = 18,     // stored only; read as the three colour channels
    ChannelWaveletU = 19,
    ChannelWaveletV = 20,
    ChannelWaveletW = 21,
    GridChannelCount = 32
};

// The grid name under which the converter writes a channel and the default OpenVDB mapping
// recognises it, or null for a channel the library does not name (and for numbers outside 0..31).
const char* gridChannelName(int channel);

} // namespace CacheIO
