#pragma once
#include "converter/ConversionSettings.h"
#include <ostream>

// Reads cacheconv's arguments in order into settings, printing the help screen and the
// credits where they are asked for. Returns -1 when the run should go on, otherwise the
// exit status to end the program with: 1 for a missing or malformed frame number, an unknown
// layout, or -layout, -sparse or -half given twice.
int parseCommandLine(int argc, const char* const* argv, ConversionSettings& settings, std::ostream& out);

void printHelpScreen(std::ostream& out);
void printCredits(std::ostream& out);
// The project's own options (-threads, -layout, -sparse, -half), which the help screen leaves out.
void printOptions(std::ostream& out);
