#pragma once

#include "converter/VdbOutputOptions.h"

#include <string>

// What one cacheconv run converts, as filled from the command line.
struct ConversionSettings {
    std::string sourcePattern;
    std::string destinationPattern;
    bool sourceGiven = false;
    bool destinationGiven = false;
    int startFrame = 0;
    int endFrame = -1;
    bool verbose = true;
    // -1 converts one frame after another on the main thread; N >= 0 converts frames in flight,
    // up to N at once (0: one per processor), and decodes channels on the built-in pool.
    int threads = -1;
    // Grid layout, sparseness and precision of the files written.
    VdbOutputOptions output;

    // Both names given and no end frame: the two names are used as they stand, once.
    bool singleFileMode() const { return sourceGiven && destinationGiven && endFrame == -1; }
};
