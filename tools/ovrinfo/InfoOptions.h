// The command line of ovrinfo.
#pragma once

#include <string>
#include <vector>

namespace OvrInfo {

struct InfoOptions {
    std::vector<std::string> inputs;  // files and frame patterns, in the order given
    bool stats = false;               // expand every channel and measure its values
    int threads = -1;                 // worker threads for decoding; -1 runs on the main thread
    bool help = false;
};

extern const char UsageText[];

// Reads the arguments after the program name. False with a message in error for an unknown
// option, an option without its value, a bad thread count or no input.
bool parseInfoOptions(int argc, const char* const* argv, InfoOptions& options, std::string& error);

}  // namespace OvrInfo
