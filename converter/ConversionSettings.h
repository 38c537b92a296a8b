#pragma once
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
    // Worker threads for channel decoding: -1 runs everything on the main thread,
    // 0 registers the built-in pool with its default count, N > 0 with N workers.
    int threads = -1;

    // Both names given and no end frame: the two names are used as they stand, once.
    bool singleFileMode() const { return sourceGiven && destinationGiven && endFrame == -1; }
};
