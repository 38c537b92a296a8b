// Loads one frame file and describes it.
#pragma once

#include "tools/ovrinfo/FrameFiles.h"
#include "tools/ovrinfo/FrameSummary.h"
#include "tools/ovrinfo/LoaderLogCapture.h"

namespace OvrInfo {

// Loads the frame (only its description when withStats is false) and fills in everything the
// reader knows about it; with withStats also expands every grid and particle channel and measures
// its values. log catches what the loader says meanwhile.
FrameSummary inspectFrame(const FrameFile& file, bool withStats, LoaderLogCapture& log);

}  // namespace OvrInfo
