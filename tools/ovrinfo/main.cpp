// ovrinfo: prints what cache frames hold, for users and pipeline checks, in the spirit of
// OpenVDB's vdb_print; with -preview it draws a frame, or a sequence's contact sheet, as a PNG.
#include "parallel/FmrParallel.h"
#include "parallel/ThreadEnvironment.h"
#include "parallel/WinThreadManager.h"
#include "tools/ovrinfo/FrameFiles.h"
#include "tools/ovrinfo/FrameInspector.h"
#include "tools/ovrinfo/InfoOptions.h"
#include "tools/ovrinfo/LoaderLogCapture.h"
#include "tools/ovrinfo/PreviewRun.h"
#include "tools/ovrinfo/ReportPrinter.h"
#include "utils/FrameName.h"

#include <cstdio>
#include <memory>
#include <new>

namespace {

struct RunCounts {
    int frames = 0;
    int failed = 0;     // frames that did not load or hold a channel that did not decode
    int unmatched = 0;  // patterns without a frame file
};

void printSequenceLine(const std::string& pattern, const std::vector<OvrInfo::FrameFile>& files) {
    std::printf("%s: %zu frame%s, %d to %d\n", pattern.c_str(), files.size(), files.size() == 1 ? "" : "s",
                files.front().frame, files.back().frame);
    const std::string missing = OvrInfo::missingFrames(files);
    if (!missing.empty()) std::printf("  missing frames: %s\n", missing.c_str());
}

void inspectArgument(const std::string& argument, bool withStats, OvrInfo::LoaderLogCapture& log, RunCounts& counts) {
    const std::vector<OvrInfo::FrameFile> files = OvrInfo::findFrameFiles(argument);
    const bool pattern = hasFrameNumberPattern(argument.c_str());
    if (files.empty()) {
        std::fprintf(stderr, "ovrinfo: no frame files match %s\n", argument.c_str());
        ++counts.unmatched;
        return;
    }
    if (pattern) {
        if (counts.frames > 0) std::printf("\n");
        printSequenceLine(argument, files);
    }
    for (const OvrInfo::FrameFile& file : files) {
        const OvrInfo::FrameSummary summary = OvrInfo::inspectFrame(file, withStats, log);
        if (counts.frames > 0 || pattern) std::printf("\n");
        OvrInfo::printFrameReport(summary, stdout, stderr);
        ++counts.frames;
        if (summary.failed()) ++counts.failed;
    }
}

// The report of every frame the inputs name; returns the exit status.
int printReports(const OvrInfo::InfoOptions& options) {
    RunCounts counts;
    {
        OvrInfo::LoaderLogCapture log;
        for (const std::string& argument : options.inputs) inspectArgument(argument, options.stats, log, counts);
    }
    if (counts.frames > 1) std::printf("\n%d frames, %d failed\n", counts.frames, counts.failed);
    return counts.failed > 0 || counts.unmatched > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    OvrInfo::InfoOptions options;
    std::string error;
    if (!OvrInfo::parseInfoOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "ovrinfo: %s\n\n%s", error.c_str(), OvrInfo::UsageText);
        return 2;
    }
    if (options.help) {
        std::fputs(OvrInfo::UsageText, stdout);
        return 0;
    }
    // The report and the problems on standard error stay in order when both go to one place.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // With "-threads" the built-in pool decodes channels in parallel; without it every parallel
    // loop runs on the main thread.
    std::unique_ptr<ZUtils::WinThreadManager> pool;
    if (options.threads >= 0) {
        ZUtils::overrideDefaultThreadCount(options.threads);
        pool.reset(new (std::nothrow) ZUtils::WinThreadManager());
        if (pool) FMRUtils::pushThreadManager(pool.get());
    }

    const int status = options.preview.empty() ? printReports(options) : OvrInfo::runPreview(options);
    if (pool) FMRUtils::popThreadManager();
    return status;
}
