// The command line of ovrinfo.
#pragma once

#include "tools/ovrinfo/VolumeProjection.h"

#include <string>
#include <vector>

namespace OvrInfo {

struct InfoOptions {
    std::vector<std::string> inputs;  // files and frame patterns, in the order given
    bool stats = false;               // expand every channel and measure its values
    int threads = -1;                 // worker threads for decoding; -1 runs on the main thread
    std::string preview;              // with a name: write this picture instead of the report
    ViewAxis axis = ViewAxis::Z;      // the axis the picture looks along
    bool help = false;
};

extern const char UsageText[];

// Reads the arguments after the program name. False with a message in error for an unknown
// option, an option without its value, a bad thread count or axis, no input, or options that do
// not go together (-preview with -stats or with more than one input, -axis without -preview).
bool parseInfoOptions(int argc, const char* const* argv, InfoOptions& options, std::string& error);

}  // namespace OvrInfo
