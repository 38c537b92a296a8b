#include "loader/plugins/ThirdPartyChannelEnum.h"

#include "utils/FrameName.h"

namespace CacheIO {

namespace {

// Accepts only files whose names are the pattern expanded for their own frame numbers.
constexpr int ExactNamesMode = -1;

bool holdsName(const AvailableChannelList& list, const std::string& name) {
    for (int i = 0; i < list.count(); ++i)
        if (list[i].name == name) return true;
    return false;
}

} // namespace

Find3rdPartyCacheChannelsEnum::Find3rdPartyCacheChannelsEnum(CachePluginTable& plugins, AvailableChannelList& list)
    : plugins_(plugins), list_(list) {}

Find3rdPartyCacheChannelsEnum::~Find3rdPartyCacheChannelsEnum() = default;

void Find3rdPartyCacheChannelsEnum::onFrameFile(int, const char* path) {
    CachePlugin* plugin = plugins_.pluginForExtension(getFileExtension(path));
    if (!plugin) return;
    AvailableChannelList fileChannels;
    plugin->getAvailableChannels(path, &fileChannels);
    for (int i = 0; i < fileChannels.count(); ++i) {
        // A record that cannot be stored is lost from the listing, as if the file lacked it.
        if (!holdsName(list_, fileChannels[i].name)) list_.Append(fileChannels[i]);
    }
}

void FindThirdPartyChannels(const char* pattern, AvailableChannelList& list) {
    Find3rdPartyCacheChannelsEnum channels(cachePlugins(), list);
    channels.enumerateFrameFiles(pattern, ExactNamesMode);
}

} // namespace CacheIO
