// ovrsynth: writes a deterministic sequence of cache frames of a rising, swirling smoke and fire
// plume, for tests, benchmarks and demonstrations.
#include "tools/ovrsynth/PlumeFrame.h"
#include "utils/FrameName.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kUsage[] =
    "Usage: ovrsynth [options]\n"
    "Writes a deterministic sequence of cache frames (.ovr) of a rising, swirling smoke and fire plume:\n"
    "smoke, temperature, fuel, velocity and colour on an N x N x N grid, and a particle group \"plume\"\n"
    "with positions, velocities and ids.\n"
    "\n"
    "  -res N         grid resolution along each axis, 2 to 1024 (default 64)\n"
    "  -frames N      number of frames, 1 or more (default 12)\n"
    "  -start N       first frame number (default 1)\n"
    "  -out PATTERN   output path with a frame placeholder such as ####, %04d or <frame04>\n"
    "                 (default plume_####.ovr)\n"
    "  -particles N   particles emitted per frame, 0 to 1000000 (default N*N/32)\n"
    "  -bits N        quantisation bits of the grid channels, 1 to 20; 20 stores raw floats (default 16)\n"
    "  -version N     container version, 2 or more (default 5; below 5 the grid uses 3-D zones)\n"
    "  -quiet         print nothing per frame\n"
    "  -help          print this text\n";

struct Arguments {
    OvrSynth::FrameOptions frame;
    int32_t frames = 12;
    int32_t start = 1;
    std::string pattern = "plume_####.ovr";
    bool particlesGiven = false;
    bool quiet = false;
    bool help = false;
};

bool parseInt(const char* text, long low, long high, int32_t& out) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
    out = int32_t(v);
    return true;
}

// Reads the command line; on an error prints a message and returns false.
bool parseArguments(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        if (!std::strcmp(option, "-help")) {
            args.help = true;
            continue;
        }
        if (!std::strcmp(option, "-quiet")) {
            args.quiet = true;
            continue;
        }
        struct IntOption {
            const char* name;
            long low, high;
            int32_t* target;
        };
        const IntOption intOptions[] = {
            {"-res", 2, 1024, &args.frame.plume.resolution},
            {"-frames", 1, 1000000, &args.frames},
            {"-start", -1000000000L, 1000000000L, &args.start},
            {"-particles", 0, 1000000, &args.frame.plume.particlesPerFrame},
            {"-bits", 1, 20, &args.frame.quantBits},
            {"-version", 2, 0x7FFFFFFF, &args.frame.version},
        };
        const IntOption* matched = nullptr;
        for (const IntOption& o : intOptions)
            if (!std::strcmp(option, o.name)) matched = &o;
        const bool isOut = !std::strcmp(option, "-out");
        if (!matched && !isOut) {
            std::fprintf(stderr, "ovrsynth: unknown option \"%s\"\n", option);
            return false;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "ovrsynth: option \"%s\" needs a value\n", option);
            return false;
        }
        const char* value = argv[++i];
        if (isOut) {
            args.pattern = value;
        } else if (!parseInt(value, matched->low, matched->high, *matched->target)) {
            std::fprintf(stderr, "ovrsynth: bad value \"%s\" for %s (%ld to %ld)\n", value, option, matched->low, matched->high);
            return false;
        } else if (matched->target == &args.frame.plume.particlesPerFrame) {
            args.particlesGiven = true;
        }
    }
    if (long(args.start) + args.frames - 1 > 2147483646L) {
        std::fprintf(stderr, "ovrsynth: the frame range ends past the largest frame number\n");
        return false;
    }
    // Only placeholders in the file-name part are replaced: the names of two frames must differ.
    if (args.frames > 1 && expandFrameName(args.pattern.c_str(), args.start, "") ==
                               expandFrameName(args.pattern.c_str(), args.start + 1, "")) {
        std::fprintf(stderr, "ovrsynth: the output pattern \"%s\" has no frame placeholder\n", args.pattern.c_str());
        return false;
    }
    if (!args.particlesGiven) {
        const int32_t n = args.frame.plume.resolution;
        args.frame.plume.particlesPerFrame = n * n / 32;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!parseArguments(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (args.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    for (int32_t f = args.start; f < args.start + args.frames; ++f) {
        const std::string path = expandFrameName(args.pattern.c_str(), f, "");
        const OvrWriter::Bytes bytes = OvrSynth::buildPlumeFrame(args.frame, f);
        if (!OvrWriter::writeBytes(path, bytes)) {
            std::fprintf(stderr, "ovrsynth: cannot write \"%s\"\n", path.c_str());
            return 1;
        }
        if (!args.quiet) std::printf("ovrsynth: frame %d -> %s (%zu bytes)\n", f, path.c_str(), bytes.size());
    }
    return 0;
}
