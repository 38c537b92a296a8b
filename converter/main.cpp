// cacheconv: converts a numbered sequence of cache frames into OpenVDB files.
#include "converter/CommandLine.h"
#include "converter/ConversionRun.h"

#include <iostream>

int main(int argc, char** argv) {
    ConversionSettings settings;
    const int exitStatus = parseCommandLine(argc, argv, settings, std::cout);
    if (exitStatus >= 0) return exitStatus;
    return runConversion(settings, std::cout);
}
