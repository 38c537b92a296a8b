#include "python/module/ChannelKeys.h"

#include "loader/api/ChannelNames.h"
#include "tools/ovrinfo/ChannelLabels.h"

#include <cctype>

namespace FumaraPython {
namespace {

constexpr int ChannelCount = 32;

std::string numberedKey(int channel) {
    return "channel_" + std::to_string(channel);
}

// "AdvectionOriginX_fmr" -> "advection_origin_x".
std::string snakeCase(const std::string& gridName) {
    const std::string suffix = "_fmr";
    std::string name = gridName;
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        name.resize(name.size() - suffix.size());
    std::string key;
    for (char c : name) {
        const unsigned char letter = static_cast<unsigned char>(c);
        if (std::isupper(letter) && !key.empty()) key += '_';
        key += static_cast<char>(std::tolower(letter));
    }
    return key;
}

template <typename KeyOf>
int numberOf(const std::string& key, KeyOf keyOf) {
    for (int channel = 0; channel < ChannelCount; ++channel)
        if (keyOf(channel) == key) return channel;
    return -1;
}

}  // namespace

std::string gridChannelKey(int channel) {
    if (channel == CacheIO::ChannelSpeed) return "speed";
    const char* name = CacheIO::gridChannelName(channel);
    return name ? snakeCase(name) : numberedKey(channel);
}

std::string particleChannelKey(int channel) {
    // "position", "velocity" and "id" as ovrinfo prints them; "-" for the channels without a role.
    const std::string content = OvrInfo::particleChannelContent(channel);
    return content == "-" ? numberedKey(channel) : content;
}

int gridChannelNumber(const std::string& key) {
    return numberOf(key, gridChannelKey);
}

int particleChannelNumber(const std::string& key) {
    return numberOf(key, particleChannelKey);
}

}  // namespace FumaraPython
