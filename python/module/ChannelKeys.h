// The names by which Python code addresses grid and particle channels.
#pragma once

#include <string>

namespace FumaraPython {

// Grid channels go by their library grid names in lower case with underscores and without the
// "_fmr" suffix ("smoke", "velocity_x", "color_r", "advection_origin_z"), channel 3 by "speed";
// channels without a name by "channel_<n>".
std::string gridChannelKey(int channel);
// Particle channels: "position" (0), "velocity" (1), "id" (10), the others "channel_<n>".
std::string particleChannelKey(int channel);

// The channel number (0 to 31) of a key, or -1 when no channel goes by it.
int gridChannelNumber(const std::string& key);
int particleChannelNumber(const std::string& key);

}  // namespace FumaraPython
