// The channel list of a foreign volume file, as its plug-in reports it.
#pragma once

#include "utils/FmrArray.h"

#include <string>

namespace CacheIO {

struct AvailableChannels {
    std::string name;       // the channel's name in the foreign file
    unsigned char flag = 0; // set by the plug-in (vdbbridge: 1 for a component of a vector grid)
};

typedef FMRUtils::FmrArray<AvailableChannels, int> AvailableChannelList;

} // namespace CacheIO
