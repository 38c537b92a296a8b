// Short descriptions of grid and particle channel numbers for the printed tables.
#pragma once

namespace OvrInfo {

// What a grid channel holds ("smoke", "velocity x", ...), or "-" for a channel without a role.
const char* gridChannelContent(int channel);

// What a particle channel holds ("position", "velocity", "id"), or "-".
const char* particleChannelContent(int channel);

}  // namespace OvrInfo
