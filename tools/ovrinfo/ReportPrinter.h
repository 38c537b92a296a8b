// The printed report of one frame.
#pragma once

#include "tools/ovrinfo/FrameSummary.h"

#include <cstdio>

namespace OvrInfo {

// Prints what the summary holds to out. Problems (a frame that did not load, a channel that did
// not decode) go to err with the loader's own words, each line beginning "ovrinfo: ".
void printFrameReport(const FrameSummary& summary, FILE* out, FILE* err);

}  // namespace OvrInfo
