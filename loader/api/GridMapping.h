// One channel mapping: which named grid of a foreign volume file fills which grid channel.
#pragma once

#include "utils/FmrArray.h"

#include <string>

namespace CacheIO {

struct GridMapping {
    std::string name;   // the foreign grid's name
    int channel = 0;    // the grid channel it fills
    float scale = 1.0f; // records made from a mapping string always have 1.0
};

// Mapping lists keep the order of the mapping string they came from.
typedef FMRUtils::FmrArray<GridMapping, int> GridMappingList;

} // namespace CacheIO
