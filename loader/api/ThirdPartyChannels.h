// The channel listing of foreign volume files, as the default mappings ask for it.
//
// The listing itself needs the cache plug-ins; the code that loads them installs its lister here.
// Until one is installed (and always in a program without plug-ins) a listing finds nothing,
// which is what an absent plug-in means.
#pragma once

#include "loader/api/AvailableChannels.h"

namespace CacheIO {

// Appends to list the channels of every file that matches the frame file pattern, each name
// once, in order of first appearance.
typedef void (*ThirdPartyChannelLister)(const char* pattern, AvailableChannelList& list);

// Installs the lister; null restores the one that finds nothing. Called while the library is
// initialised, never concurrently with a listing.
void setThirdPartyChannelLister(ThirdPartyChannelLister lister);

// Runs the installed lister.
void listThirdPartyChannels(const char* pattern, AvailableChannelList& list);

} // namespace CacheIO
