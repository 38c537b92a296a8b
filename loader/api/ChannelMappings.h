// The mapping string: the text form of a mapping list, one "%d,%s;" entry per mapping
// (channel number, grid name), with nothing between entries and no escaping.
#pragma once

#include "loader/api/GridMapping.h"

#include <string>

namespace CacheIO {

// Appends the mappings of a mapping string to list, in the string's order, each with scale 1.0.
// A null or empty text adds nothing. The channel text of an entry (up to its ",") is read as a
// decimal int with optional leading white space and sign (no digits gives 0); the name runs to
// the next ";" unchanged. A last entry without ";" keeps the rest of the text as its name; one
// without "," is dropped. Returns false when the list cannot grow.
bool decomposeChannelMappings(const char* text, GridMappingList& list);

// Appends the entry of one mapping to a mapping string; a mapping string is composed by
// appending its mappings in order.
void appendChannelMapping(std::string& text, int channel, const std::string& name);

} // namespace CacheIO
