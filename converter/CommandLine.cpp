#include "converter/CommandLine.h"

#include "loader/api/IOvr.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class NumberRead { Converted, Empty, NotANumber };

// Reads a frame number the way "%d" does: leading white space is skipped, text after the
// number is ignored, and an empty value converts nothing without being an error. Values
// beyond the int range are clamped instead of wrapping.
NumberRead readFrameNumber(const char* text, int& value) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    if (*text == '\0') return NumberRead::Empty;
    const char* digits = text + ((*text == '+' || *text == '-') ? 1 : 0);
    if (!std::isdigit(static_cast<unsigned char>(*digits))) return NumberRead::NotANumber;
    errno = 0;
    long long parsed = std::strtoll(text, nullptr, 10);
    if (parsed > INT_MAX) parsed = INT_MAX;
    if (parsed < INT_MIN) parsed = INT_MIN;
    value = static_cast<int>(parsed);
    return NumberRead::Converted;
}

// The value of the option at argv[i], or null when the option stands last.
const char* optionValue(int argc, const char* const* argv, int& i) {
    if (i + 1 >= argc) return nullptr;
    return argv[++i];
}

}  // namespace

void printHelpScreen(std::ostream& out) {
    char banner[96];
    std::snprintf(banner, sizeof banner, "Cache conversion tool (Fumara SDK version 0x%x)\n",
                  FumaraSDKGetVersionNumber());
    out << banner
        << "-help :           Shows the help screen\n"
        << "-credits :        Shows copyright notices for the cache converter and used libraries.\n"
        << "-srcfile :        Input file(s) name or pattern. Use '##...#' as a frame number.\n"
        << "-dstfile :        Output file(s) name or pattern. Use '##...#' as a frame number.\n"
        << "-start/end :      Export range (inclusive) \n"
        << "-silent :         Hide progress \n"
        << "Example command line: \n"
        << "cacheconv.exe -srcfile ND2_FumaraFire001_####.ovr -dstfile outFile_####.vdb -start 0 -end 10\n";
}

void printOptions(std::ostream& out) {
    out << "Options beside those of -help:\n"
        << "-threads N :       Converts up to N frames at once (0: one per processor), as memory allows\n"
        << "-layout NAME :     Grid names and types: fumara (default: Smoke_fmr, VelocityX_fmr...),\n"
        << "                   houdini (density, temperature, fuel, vel, Cd) or\n"
        << "                   blender (density, temperature, fuel, velocity, color)\n"
        << "-sparse :          Only voxels that differ from 0 are active; empty leaves become tiles\n"
        << "-half :            Saves grids as 16-bit floats in a deflated file\n"
        << "-options :         Shows this list\n";
}

void printCredits(std::ostream& out) {
    out << "cacheconv: converts Fumara cache frames into OpenVDB files.\n"
           "\n"
           "zlib (zlib license)\n"
           "  Copyright (C) 1995-2022 Jean-loup Gailly and Mark Adler.\n"
           "\n"
           "Boost (Boost Software License 1.0)\n"
           "  Distributed under the Boost Software License, Version 1.0.\n"
           "\n"
           "OpenVDB (Mozilla Public License 2.0)\n"
           "  Copyright Contributors to the OpenVDB Project.\n"
           "\n"
           "oneTBB (Apache License 2.0)\n"
           "  Copyright (c) 2005-2022 Intel Corporation.\n"
        << "\n";
}

int parseCommandLine(int argc, const char* const* argv, ConversionSettings& settings, std::ostream& out) {
    if (argc <= 1) printHelpScreen(out);
    bool layoutGiven = false;

    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-help") == 0) {
            printHelpScreen(out);
        } else if (std::strcmp(arg, "-credits") == 0) {
            printCredits(out);
        } else if (std::strcmp(arg, "-options") == 0) {
            printOptions(out);
        } else if (std::strcmp(arg, "-silent") == 0) {
            settings.verbose = false;
        } else if (std::strcmp(arg, "-sparse") == 0 || std::strcmp(arg, "-half") == 0) {
            bool& flag = arg[1] == 's' ? settings.output.sparse : settings.output.half;
            if (flag) {
                out << arg << " is given twice.\n";
                return 1;
            }
            flag = true;
        } else if (std::strcmp(arg, "-layout") == 0) {
            const char* value = optionValue(argc, argv, i);
            if (layoutGiven || !value || !parseVdbLayout(value, settings.output.layout)) {
                out << (layoutGiven ? "-layout is given twice."
                                    : "A layout expected after -layout: fumara, houdini or blender.")
                    << "\n";
                return 1;
            }
            layoutGiven = true;
        } else if (std::strcmp(arg, "-srcfile") == 0 || std::strcmp(arg, "-dstfile") == 0) {
            // A name option standing last has no value and is ignored.
            const char* value = optionValue(argc, argv, i);
            if (!value) continue;
            bool source = arg[1] == 's';
            (source ? settings.sourcePattern : settings.destinationPattern) = value;
            (source ? settings.sourceGiven : settings.destinationGiven) = true;
        } else if (std::strcmp(arg, "-start") == 0 || std::strcmp(arg, "-end") == 0 ||
                   std::strcmp(arg, "-threads") == 0) {
            // A number option standing last is a missing number.
            const char* value = optionValue(argc, argv, i);
            int& target = arg[1] == 's' ? settings.startFrame
                        : arg[1] == 'e' ? settings.endFrame
                                        : settings.threads;
            NumberRead read = value ? readFrameNumber(value, target) : NumberRead::NotANumber;
            if (read == NumberRead::NotANumber) {
                out << "A number expected after " << arg << ".\n";
                return 1;
            }
        }
    }
    return -1;
}
