#pragma once
#include "converter/ConversionSettings.h"
#include <ostream>

// The frame loop of cacheconv: loads each frame of the range, writes it as an OpenVDB file,
// and prints a progress line per frame and an error line per failed frame. A failed frame
// never stops the run. Returns the exit status (always 0).
int runConversion(const ConversionSettings& settings, std::ostream& out);
