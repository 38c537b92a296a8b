#include "converter/ConversionRun.h"

#include "converter/VdbFrameWriter.h"
#include "loader/api/IOvr.h"
#include "utils/FrameName.h"

#include <climits>
#include <string>

int runConversion(const ConversionSettings& settings, std::ostream& out) {
    if (!settings.sourceGiven || !settings.destinationGiven)
        out << "Source and destination files have not been set. Use \"-srcfile\" and \"-dstfile\" arguments\n";

    const bool singleFile = settings.singleFileMode();
    bool forcedPass = singleFile;
    // Positions and the range length are printed from 64-bit values so that extreme
    // ranges cannot overflow.
    const long long rangeLength = static_cast<long long>(settings.endFrame) - settings.startFrame + 1;

    for (long long frame = settings.startFrame; forcedPass || frame <= settings.endFrame; ++frame) {
        std::string source, destination;
        if (singleFile) {
            source = settings.sourcePattern;
            destination = settings.destinationPattern;
            forcedPass = false;
        } else {
            source = expandFrameName(settings.sourcePattern.c_str(), static_cast<int>(frame), "");
            destination = expandFrameName(settings.destinationPattern.c_str(), static_cast<int>(frame), "");
        }
        const long long position = frame - settings.startFrame + 1;

        if (settings.verbose) out << "Converting " << source << " to " << destination << " | 0...";
        out.flush();

        IOvr* ovr = newIOvr(source.c_str());
        if (!ovr) {
            out << "An error has been encountered while converting frame " << position
                << ": Unable to load source cache \n";
            continue;
        }
        if (settings.verbose) out << "...50...";
        out.flush();

        int result = writeVDBFrame(destination.c_str(), ovr);
        deleteIOvr(ovr);

        if (result == 0) {
            if (settings.verbose) out << "...100 | " << position << "/" << rangeLength << "\n";
        } else {
            out << "An error has been encountered while converting frame " << position << ": ";
            if (result == 1) out << "Unable to expand a source channel";
            else if (result == 2) out << "Unable to write to destination file";
            out << "\n";
        }
        out.flush();
    }
    return 0;
}
