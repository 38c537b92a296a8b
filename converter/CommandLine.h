#pragma once
#include "converter/ConversionSettings.h"
#include <ostream>

// Reads cacheconv's arguments in order into settings, printing the help screen and the
// credits where they are asked for. Returns -1 when the run should go on, otherwise the
// exit status to end the program with (1 for a missing or malformed frame number).
int parseCommandLine(int argc, const char* const* argv, ConversionSettings& settings, std::ostream& out);

void printHelpScreen(std::ostream& out);
void printCredits(std::ostream& out);
