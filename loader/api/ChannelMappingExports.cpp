// The channel name and mapping string functions that IOvr.h exports.
#include "loader/api/ChannelMappings.h"
#include "loader/api/DefaultChannelMappings.h"
#include "loader/api/IOvr.h"
#include "loader/api/ThirdPartyChannels.h"

#include <cstring>
#include <string>

namespace {

// The copy rule shared by every text result.
int copyToCallerBuffer(const std::string& text, char* buffer, int bufferSize) {
    if (!buffer || bufferSize < 1) return 0;
    const size_t room = static_cast<size_t>(bufferSize) - 1;
    const size_t length = text.size() < room ? text.size() : room;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return text.size() < static_cast<size_t>(bufferSize) ? 1 : 0;
}

} // namespace

// Strings and lists can fail to allocate; that failure ends the call with nothing written.

int ovrGet3rdPartyChannelName(char* name, int bufferSize, int* flag, const char* path, int index) {
    try {
        CacheIO::AvailableChannelList channels;
        CacheIO::listThirdPartyChannels(path, channels);
        if (index < 0 || index >= channels.count()) return -1;
        if (flag) *flag = channels[index].flag != 0 ? 1 : 0;
        return copyToCallerBuffer(channels[index].name, name, bufferSize);
    } catch (...) {
        return 0;
    }
}

int ovrComposeChannelMappingsString(char* buffer, int bufferSize, int* channels, const char* const* names,
                                    int count) {
    if (count > 0 && (!channels || !names)) return 0;
    try {
        std::string text;
        for (int i = 0; i < count; ++i) CacheIO::appendChannelMapping(text, channels[i], names[i] ? names[i] : "");
        return copyToCallerBuffer(text, buffer, bufferSize);
    } catch (...) {
        return 0;
    }
}

int ovrDecomposeChannelMappingsString(int* channel, char* name, int bufferSize, const char* mappings, int index) {
    try {
        CacheIO::GridMappingList list;
        if (!CacheIO::decomposeChannelMappings(mappings, list)) return 0;
        if (index < 0 || index >= list.count()) return -1;
        if (channel) *channel = list[index].channel;
        return copyToCallerBuffer(list[index].name, name, bufferSize);
    } catch (...) {
        return 0;
    }
}

int ovrGenerateDefaultChannelMappings(char* buffer, int bufferSize, const char* path) {
    try {
        return copyToCallerBuffer(CacheIO::generateDefaultChannelMappings(path), buffer, bufferSize);
    } catch (...) {
        return 0;
    }
}
