#include "loader/api/ChannelMappings.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace CacheIO {

namespace {

// The standard decimal-to-int reading of a channel text, saturated at the int range.
int parseChannelNumber(const std::string& text) {
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

bool decomposeChannelMappings(const char* text, GridMappingList& list) {
    if (!text) return true;
    const char* cursor = text;
    while (*cursor) {
        const char* comma = std::strchr(cursor, ',');
        if (!comma) break;
        const char* nameBegin = comma + 1;
        const char* semicolon = std::strchr(nameBegin, ';');
        const char* nameEnd = semicolon ? semicolon : nameBegin + std::strlen(nameBegin);

        GridMapping mapping;
        mapping.channel = parseChannelNumber(std::string(cursor, comma));
        mapping.name.assign(nameBegin, nameEnd);
        if (!list.Append(mapping)) return false;

        if (!semicolon) break;
        cursor = semicolon + 1;
    }
    return true;
}

void appendChannelMapping(std::string& text, int channel, const std::string& name) {
    text += std::to_string(channel);
    text += ',';
    text += name;
    text += ';';
}

} // namespace CacheIO
