// The default mapping string of a foreign volume file: its channels matched by name against the
// grid names that OpenVDB and Field3D files commonly use.
#pragma once

#include "loader/api/AvailableChannels.h"

#include <string>

namespace CacheIO {

// The default mapping string for the channels of a file with the given (lower-case) extension:
// "vdb" and "f3d" have a table of known grid names; any other extension gives an empty string.
// Channels are matched in list order, each by the first table row of exactly its name. When no
// channel maps to smoke, the first unmatched channel whose flag is 0 (a scalar grid) becomes
// smoke.
std::string defaultChannelMappingsFor(const std::string& extension, const AvailableChannelList& channels);

// The default mapping string of a path or frame file pattern; empty for a null or empty path,
// for extensions other than "vdb" and "f3d" (so cache files get none), and when no channel is
// found.
std::string generateDefaultChannelMappings(const char* path);

} // namespace CacheIO
