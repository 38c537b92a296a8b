#pragma once
#include "converter/ConversionSettings.h"
#include "converter/FrameStageTimes.h"
#include <ostream>

// The frame loop of cacheconv: loads each frame of the range, writes it as an OpenVDB file,
// and prints a progress line per frame and an error line per failed frame. A failed frame
// never stops the run. With settings.threads >= 0 it converts frames in flight and decodes
// channels on the built-in pool, registered for the run. Returns the exit status (always 0). The time each frame spent in each stage
// is added to stageTotals when it is not null.
int runConversion(const ConversionSettings& settings, std::ostream& out, FrameStageTimes* stageTotals = nullptr);
