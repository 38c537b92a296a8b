// Fuzz target: the mapping string (parse, compose, and the exported copies into small buffers) and
// the default mappings of a foreign file's channel list.
//
// Input: buffer size (8 bits, taken modulo 64), extension choice (8 bits: "vdb", "f3d", "VDB", "ovr"),
// then zero-separated texts: the mapping string, then the channels of the listing, each a flag byte
// followed by the channel name.
#include "fuzz/FuzzInput.h"
#include "loader/api/ChannelMappings.h"
#include "loader/api/DefaultChannelMappings.h"
#include "loader/api/IOvr.h"
#include "loader/api/ThirdPartyChannels.h"
#include "utils/FrameName.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using FuzzInput::check;

CacheIO::AvailableChannelList listing;

void listFuzzChannels(const char*, CacheIO::AvailableChannelList& list) {
    for (int i = 0; i < listing.count(); ++i) list.Append(listing[i]);
}

// One exported copy: 1 exactly when the text fits, and the buffer then holds its prefix.
void checkCopy(int result, const std::string& text, const std::vector<char>& buffer, int bufferSize) {
    if (bufferSize < 1) return check(result == 0, "a copy into no buffer succeeded");
    check(result == (text.size() < static_cast<size_t>(bufferSize) ? 1 : 0), "copy result");
    const size_t length = std::min(text.size(), static_cast<size_t>(bufferSize) - 1);
    check(std::strlen(buffer.data()) == length && text.compare(0, length, buffer.data(), length) == 0,
          "the buffer does not hold the text's prefix");
}

void mappingString(const std::string& text, std::vector<char>& buffer, int bufferSize) {
    CacheIO::GridMappingList list, again;
    check(CacheIO::decomposeChannelMappings(text.c_str(), list), "decompose failed");
    std::string composed;
    std::vector<int> channels;
    std::vector<const char*> names;
    for (int i = 0; i < list.count(); ++i) {
        check(list[i].name.find(';') == std::string::npos, "a name holds the separator");
        CacheIO::appendChannelMapping(composed, list[i].channel, list[i].name);
        channels.push_back(list[i].channel);
        names.push_back(list[i].name.c_str());
    }
    bool same = CacheIO::decomposeChannelMappings(composed.c_str(), again) && again.count() == list.count();
    for (int i = 0; same && i < list.count(); ++i)
        same = again[i].channel == list[i].channel && again[i].name == list[i].name;
    check(same, "composing and decomposing changes the mappings");

    for (int i = -1; i <= list.count(); ++i) {
        int channel = -7;
        const int result = ovrDecomposeChannelMappingsString(&channel, buffer.data(), bufferSize, text.c_str(), i);
        if (i < 0 || i == list.count()) {
            check(result == -1 && channel == -7, "entry outside the list");
            continue;
        }
        check(channel == list[i].channel, "exported decompose gives another channel");
        checkCopy(result, list[i].name, buffer, bufferSize);
    }
    checkCopy(ovrComposeChannelMappingsString(buffer.data(), bufferSize, channels.data(), names.data(), list.count()),
              composed, buffer, bufferSize);
}

void defaultMappings(const std::vector<std::string>& entries, const char* extension, std::vector<char>& buffer,
                     int bufferSize) {
    listing.SetSize(0);
    bool plainNames = true;
    for (size_t i = 1; i < entries.size(); ++i) {
        CacheIO::AvailableChannels channel;
        channel.flag = entries[i].empty() ? 0 : static_cast<unsigned char>(entries[i][0]);
        channel.name = entries[i].empty() ? std::string() : entries[i].substr(1);
        plainNames = plainNames && channel.name.find(';') == std::string::npos;
        listing.Append(channel);
    }
    const std::string path = std::string("frame_0001.") + extension;
    const std::string mappings = CacheIO::generateDefaultChannelMappings(path.c_str());
    const std::string lowerPath = "frame_0001." + getFileExtension(path.c_str());
    check(mappings == CacheIO::generateDefaultChannelMappings(lowerPath.c_str()),
          "the extension's case changes the default mappings");
    checkCopy(ovrGenerateDefaultChannelMappings(buffer.data(), bufferSize, path.c_str()), mappings, buffer, bufferSize);
    if (!plainNames) return;
    CacheIO::GridMappingList list;
    check(CacheIO::decomposeChannelMappings(mappings.c_str(), list), "decompose failed");
    for (int i = 0; i < list.count(); ++i) {
        bool listed = false;
        for (int c = 0; c < listing.count() && !listed; ++c) listed = listing[c].name == list[i].name;
        check(listed, "a default mapping names no listed channel");
        check(list[i].channel >= 0 && list[i].channel < 32, "a default mapping outside the grid channels");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const extensions[] = {"vdb", "f3d", "VDB", "ovr"};
    CacheIO::setThirdPartyChannelLister(listFuzzChannels);
    FuzzInput::Reader in(data, size);
    const int bufferSize = in.take<uint8_t>() % 64;
    const char* extension = extensions[in.take<uint8_t>() % 4];
    const std::vector<std::string> texts = in.strings(256);  // never empty
    std::vector<char> buffer(size_t(bufferSize > 0 ? bufferSize : 1));
    mappingString(texts[0], buffer, bufferSize);
    defaultMappings(texts, extension, buffer, bufferSize);
    return 0;
}
