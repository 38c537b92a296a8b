#include "converter/ConversionRun.h"

#include "converter/FrameConversion.h"
#include "converter/FramesInFlight.h"
#include "parallel/FmrParallel.h"
#include "parallel/ThreadEnvironment.h"
#include "parallel/WinThreadManager.h"
#include "platform/Affinity.h"
#include "platform/ProcessMemory.h"
#include "utils/FrameName.h"

#include <tbb/parallel_pipeline.h>
#include <tbb/task_arena.h>

#include <memory>
#include <new>
#include <sstream>
#include <string>

namespace {

struct FrameJob {
    long long position = 0;  // 1 for the first frame of the range
    std::string source;
    std::string destination;
    std::ostringstream transcript;  // what a frame in flight prints, until its turn comes
    FrameStageTimes times;
};

// The frames of a run in order. With both names and no end frame, the names are used as they
// stand for the first pass; the loop then goes on while the frame number is within the range,
// as it always has.
class FrameSequence {
public:
    explicit FrameSequence(const ConversionSettings& settings)
        : settings_(settings), frame_(settings.startFrame), forcedPass_(settings.singleFileMode()) {}

    bool next(FrameJob& job) {
        if (!forcedPass_ && frame_ > settings_.endFrame) return false;
        if (forcedPass_) {
            job.source = settings_.sourcePattern;
            job.destination = settings_.destinationPattern;
            forcedPass_ = false;
        } else {
            job.source = expandFrameName(settings_.sourcePattern.c_str(), static_cast<int>(frame_), "");
            job.destination = expandFrameName(settings_.destinationPattern.c_str(), static_cast<int>(frame_), "");
        }
        job.position = frame_ - settings_.startFrame + 1;
        ++frame_;
        return true;
    }

private:
    const ConversionSettings& settings_;
    long long frame_;
    bool forcedPass_;
};

// Converts one frame, printing its progress and its error line to out as the work goes on.
void convertFrame(const ConversionSettings& settings, FrameJob& job, long long rangeLength, std::ostream& out) {
    if (settings.verbose) out << "Converting " << job.source << " to " << job.destination << " | 0...";
    out.flush();
    const FrameConversionResult result =
        convertCacheFrame(job.source.c_str(), job.destination.c_str(), settings.output, [&] {
            if (settings.verbose) out << "...50...";
            out.flush();
        }, &job.times);
    if (result == FrameConverted) {
        if (settings.verbose) out << "...100 | " << job.position << "/" << rangeLength << "\n";
    } else {
        out << "An error has been encountered while converting frame " << job.position << ": ";
        if (result == SourceNotLoaded) out << "Unable to load source cache ";
        else if (result == ChannelNotExpanded) out << "Unable to expand a source channel";
        else out << "Unable to write to destination file";
        out << "\n";
    }
    out.flush();
}

// Converts several frames at once, each into its own transcript, and prints the transcripts in
// frame order, so that the output is that of a serial run.
void convertInFlight(const ConversionSettings& settings, FrameSequence& frames, long long rangeLength,
                     int inFlight, std::ostream& out, FrameStageTimes& stageTotals) {
    tbb::parallel_pipeline(
        static_cast<size_t>(inFlight),
        tbb::make_filter<void, FrameJob*>(tbb::filter_mode::serial_in_order,
                                          [&](tbb::flow_control& control) -> FrameJob* {
                                              std::unique_ptr<FrameJob> job(new FrameJob());
                                              if (frames.next(*job)) return job.release();
                                              control.stop();
                                              return nullptr;
                                          }) &
            tbb::make_filter<FrameJob*, FrameJob*>(tbb::filter_mode::parallel,
                                                   [&](FrameJob* job) {
                                                       convertFrame(settings, *job, rangeLength, job->transcript);
                                                       return job;
                                                   }) &
            tbb::make_filter<FrameJob*, void>(tbb::filter_mode::serial_in_order, [&](FrameJob* job) {
                std::unique_ptr<FrameJob> done(job);
                out << done->transcript.str();
                out.flush();
                stageTotals += done->times;
            }));
}

} // namespace

int runConversion(const ConversionSettings& settings, std::ostream& out, FrameStageTimes* stageTotals) {
    if (!settings.sourceGiven || !settings.destinationGiven)
        out << "Source and destination files have not been set. Use \"-srcfile\" and \"-dstfile\" arguments\n";

    // Positions and the range length are printed from 64-bit values so that extreme
    // ranges cannot overflow.
    const long long rangeLength = static_cast<long long>(settings.endFrame) - settings.startFrame + 1;
    FrameSequence frames(settings);
    FrameStageTimes totals;

    // Without "-threads" every frame is converted in turn on the calling thread: an arena of one
    // slot keeps the grid fill and the archive writer's parallel loops there too.
    if (settings.threads < 0) {
        tbb::task_arena callingThreadOnly(1);
        callingThreadOnly.execute([&] {
            FrameJob job;
            while (frames.next(job)) {
                convertFrame(settings, job, rangeLength, out);
                totals += job.times;
                job.times = FrameStageTimes();
            }
        });
    } else {
        // The built-in pool decodes channels in parallel; without it the loader's parallel loops
        // run on the calling thread.
        ZUtils::overrideDefaultThreadCount(settings.threads);
        std::unique_ptr<ZUtils::WinThreadManager> pool(new (std::nothrow) ZUtils::WinThreadManager());
        if (pool) FMRUtils::pushThreadManager(pool.get());
        // Frames in flight are bounded by the memory the first frame says one conversion needs.
        FrameJob first;
        long long available = 0;
        const int64_t frameBytes =
            FrameSequence(settings).next(first) ? frameConversionBytes(first.source.c_str()) : 0;
        if (!Platform::availablePhysicalBytes(available)) available = 0;
        const int inFlight = framesInFlight(settings.threads, Platform::processorCount(), frameBytes, available);
        convertInFlight(settings, frames, rangeLength, inFlight, out, totals);
        if (pool) FMRUtils::popThreadManager();
    }
    if (stageTotals) *stageTotals += totals;
    return 0;
}
