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
    "  -preview PNG  write a picture to the file PNG instead of the report: the smoke summed along\n"
    "                one axis of the grid (orthographic), with fire from the temperature (or the\n"
    "                fuel) tinted on top. For a PATTERN, a contact sheet: one tile per frame, in\n"
    "                frame order from left to right and top to bottom\n"
    "  -axis x|y|z   the axis the picture looks along: z front view (the default), x side view,\n"
    "                y top view\n"
    "  -help         print this text\n"
    "\n"
    "Exit status: 0 when every frame loaded (and, with -stats, every channel decoded); 1 when a\n"
    "frame did not load, a channel did not decode, a pattern matched no file or the picture could not\n"
    "be written (the reasons go to standard error with the loader's messages); 2 for a bad command\n"
    "line.\n";

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

bool parseAxis(const char* text, ViewAxis& axis) {
    const std::string name = text;
    if (name != "x" && name != "y" && name != "z") return false;
    axis = name == "x" ? ViewAxis::X : name == "y" ? ViewAxis::Y : ViewAxis::Z;
    return true;
}

// Options that do not go together; empty when they all do.
std::string conflict(const InfoOptions& options, bool axisGiven) {
    if (axisGiven && options.preview.empty()) return "option \"-axis\" goes with \"-preview\"";
    if (options.preview.empty()) return "";
    if (options.stats) return "options \"-preview\" and \"-stats\" do not go together";
    if (options.inputs.size() > 1) return "option \"-preview\" takes one file or pattern";
    return "";
}

}  // namespace

bool parseInfoOptions(int argc, const char* const* argv, InfoOptions& options, std::string& error) {
    bool axisGiven = false;
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
        } else if (!std::strcmp(argument, "-preview")) {
            // A name that looks like an option is a forgotten name.
            if (i + 1 >= argc || argv[i + 1][0] == '-' || argv[i + 1][0] == '\0') {
                error = "option \"-preview\" needs the name of the picture to write";
                return false;
            }
            options.preview = argv[++i];
        } else if (!std::strcmp(argument, "-axis")) {
            if (i + 1 >= argc) {
                error = "option \"-axis\" needs a value";
                return false;
            }
            if (!parseAxis(argv[++i], options.axis)) {
                error = std::string("bad axis \"") + argv[i] + "\" (x, y or z)";
                return false;
            }
            axisGiven = true;
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
    error = conflict(options, axisGiven);
    return error.empty();
}

}  // namespace OvrInfo
