// The channel listing of foreign volume files: the channels that the plug-ins find in every file
// of a frame file pattern.
#pragma once

#include "loader/api/AvailableChannels.h"
#include "loader/plugins/CachePlugins.h"
#include "utils/EnumFiles.h"

namespace CacheIO {

// Collects the channels of each frame file it is offered into a list: each name once, in order of
// first appearance (files in enumeration order, channels in the plug-in's order).
class Find3rdPartyCacheChannelsEnum : public FumaraEnum::EnumFiles {
public:
    Find3rdPartyCacheChannelsEnum(CachePluginTable& plugins, AvailableChannelList& list);
    ~Find3rdPartyCacheChannelsEnum() override;

    // Asks the complete plug-in for the file's (lower-cased) extension, "f3d" or "vdb", for the
    // file's channels; files of other extensions, or without their plug-in, add nothing.
    void onFrameFile(int frame, const char* path) override;

private:
    CachePluginTable& plugins_;
    AvailableChannelList& list_;
};

// Appends the channels of every file matching the frame file pattern to list, through the
// library-wide plug-in table.
void FindThirdPartyChannels(const char* pattern, AvailableChannelList& list);

} // namespace CacheIO
