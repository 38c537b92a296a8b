// cacheconv: converts a numbered sequence of cache frames into OpenVDB files.
#include "converter/CommandLine.h"
#include "converter/ConversionRun.h"
#include "parallel/FmrParallel.h"
#include "parallel/ThreadEnvironment.h"
#include "parallel/WinThreadManager.h"

#include <iostream>
#include <memory>
#include <new>

int main(int argc, char** argv) {
    ConversionSettings settings;
    const int exitStatus = parseCommandLine(argc, argv, settings, std::cout);
    if (exitStatus >= 0) return exitStatus;

    // With "-threads" frames are converted in flight and the built-in pool decodes channels in
    // parallel; without it the loader's parallel loops run on the main thread.
    std::unique_ptr<ZUtils::WinThreadManager> pool;
    if (settings.threads >= 0) {
        ZUtils::overrideDefaultThreadCount(settings.threads);
        pool.reset(new (std::nothrow) ZUtils::WinThreadManager());
        if (pool) FMRUtils::pushThreadManager(pool.get());
    }

    const int result = runConversion(settings, std::cout);

    if (pool) FMRUtils::popThreadManager();
    return result;
}
