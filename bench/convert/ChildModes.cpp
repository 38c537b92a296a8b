#include "bench/convert/ChildModes.h"

#include "converter/ConversionRun.h"
#include "loader/format/FumaraFrameData.h"
#include "parallel/FmrParallel.h"
#include "parallel/WinThreadManager.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

// The peak resident memory of this process image in kB (VmHWM): the peak that wait4 reports for
// a child also counts the memory of the parent it was forked from.
long long peakResidentKB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    long long kilobytes = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %lld kB", &kilobytes) == 1) break;
    std::fclose(status);
    return kilobytes;
}

int convertMode(char** args) {
    ConversionSettings settings;
    settings.threads = std::atoi(args[0]);
    if (!parseVdbLayout(args[1], settings.output.layout)) return 2;
    settings.output.sparse = std::strcmp(args[2], "1") == 0;
    settings.output.half = std::strcmp(args[3], "1") == 0;
    settings.sourcePattern = args[4];
    settings.destinationPattern = args[5];
    settings.sourceGiven = settings.destinationGiven = true;
    settings.startFrame = std::atoi(args[6]);
    settings.endFrame = std::atoi(args[7]);
    settings.verbose = false;
    std::ostringstream transcript;
    FrameStageTimes times;
    runConversion(settings, transcript, &times);
    if (!transcript.str().empty()) return 1;  // an error line: a frame failed
    std::printf("%f %f %f %f %lld\n", times.load, times.decode, times.fill, times.write, peakResidentKB());
    return 0;
}

double expandAll(FumaraFrameData& frame) {
    const auto start = std::chrono::steady_clock::now();
    for (int channel = 0; channel < FumaraFrameData::GridChannelCount; ++channel)
        if (frame.hasChannel(channel) && channel != FumaraFrameData::SpeedChannel && !frame.getChannelData(channel))
            return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int decodeMode(char** args) {
    // On the built-in pool, as cacheconv decodes with "-threads".
    ZUtils::WinThreadManager pool;
    FMRUtils::pushThreadManager(&pool);
    FumaraFrameData frame;
    const bool loaded = frame.load(args[0], "", 0.0, -1, false) == 0;
    const double cold = loaded ? expandAll(frame) : -1;
    for (int channel = 0; channel < FumaraFrameData::GridChannelCount; ++channel)
        frame.ReleaseChannelGrid(frame.channelRecord(channel));
    const double warm = loaded ? expandAll(frame) : -1;
    FMRUtils::popThreadManager();
    if (cold < 0 || warm < 0) return 1;
    std::printf("%f %f\n", cold, warm);
    return 0;
}

// One channel decoded on the calling thread, as the Python module decodes it.
int channelMode(char** args) {
    FumaraFrameData frame;
    if (frame.load(args[0], "", 0.0, -1, false) != 0) return 1;
    const auto start = std::chrono::steady_clock::now();
    if (!frame.getChannelData(std::atoi(args[1]))) return 1;
    std::printf("%f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}

} // namespace

int runChildMode(int argc, char** argv) {
    if (argc == 11 && std::strcmp(argv[2], "convert") == 0) return convertMode(argv + 3);
    if (argc == 4 && std::strcmp(argv[2], "decode") == 0) return decodeMode(argv + 3);
    if (argc == 5 && std::strcmp(argv[2], "channel") == 0) return channelMode(argv + 3);
    return 2;
}
