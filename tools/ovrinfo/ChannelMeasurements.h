// Expansion of every channel of a fully loaded frame, with the statistics of its values.
#pragma once

#include "tools/ovrinfo/FrameSummary.h"
#include "tools/ovrinfo/LoaderLogCapture.h"

class FumaraFrameData;

namespace OvrInfo {

// Expands each readable grid channel of summary.channels through the frame's interface, measures
// it and lets it go again, so that at most the channels one expansion needs are held at a time.
// A channel that yields no values is marked failed with what the loader logged.
void measureGridChannels(FumaraFrameData& frame, FrameSummary& summary, LoaderLogCapture& log);

// Reads every particle of every channel of each group in summary.groups and measures the values
// per component. A channel whose values cannot all be read is marked failed.
void measureParticleChannels(FumaraFrameData& frame, FrameSummary& summary, LoaderLogCapture& log);

}  // namespace OvrInfo
