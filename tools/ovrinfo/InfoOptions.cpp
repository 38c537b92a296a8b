#include "tools/ovrinfo/InfoOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace OvrInfo {

const char UsageText[] =
    "Usage: ovrinfo [options] FILE|PATTERN [...]\n"
    "Prints what Fumara cache frames (.ovr) hold: container version, resolution, transform, the grid\n"
    "channels with their stored value ranges, and the particle groups with their counts and channels.\n"
    "A PATTERN names a sequence with a placeholder for the frame number (####, %04d or <frame04>),\n"
    "for example plume_####.ovr; every matching frame on disk is listed, in frame order.\n"
    "\n"
    "Options:\n"
    "  -stats        read the whole frame, expand every grid and particle channel and print its\n"
    "                min, max and mean; report each channel that fails to decode. Without it only\n"
    "                the frame's description is read (fast; particle groups that only the particle\n"
    "                data chunk holds are not listed)\n"
    "  -threads N    decode with N worker threads (0: the default count, ZENTO_NUM_THREADS or one\n"
    "                per processor); without it everything runs on the main thread\n"
    "  -help         print this text\n"
    "\n"
    "Exit status: 0 when every frame loaded (and, with -stats, every channel decoded); 1 when a\n"
    "frame did not load, a channel did not decode or a pattern matched no file (the reasons go to\n"
    "standard error with the loader's messages); 2 for a bad command line.\n";

namespace {

constexpr long MaxThreads = 1024;

bool parseThreadCount(const char* text, int& count) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0 || value > MaxThreads) return false;
    count = static_cast<int>(value);
    return true;
}

}  // namespace

bool parseInfoOptions(int argc, const char* const* argv, InfoOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!std::strcmp(argument, "-help") || !std::strcmp(argument, "--help") || !std::strcmp(argument, "-h")) {
            options.help = true;
        } else if (!std::strcmp(argument, "-stats")) {
            options.stats = true;
        } else if (!std::strcmp(argument, "-threads")) {
            if (i + 1 >= argc) {
                error = "option \"-threads\" needs a value";
                return false;
            }
            if (!parseThreadCount(argv[++i], options.threads)) {
                error = std::string("bad thread count \"") + argv[i] + "\" (0 to " + std::to_string(MaxThreads) + ")";
                return false;
            }
        } else if (argument[0] == '-' && argument[1] != '\0') {
            error = std::string("unknown option \"") + argument + "\"";
            return false;
        } else {
            options.inputs.emplace_back(argument);
        }
    }
    if (options.inputs.empty() && !options.help) {
        error = "no file or pattern given";
        return false;
    }
    return true;
}

}  // namespace OvrInfo
