// Converts one cache file into one OpenVDB file, holding at most the channels one grid needs.
#pragma once

#include "converter/FrameStageTimes.h"
#include "converter/VdbOutputOptions.h"

#include <functional>

class FumaraFrameData;

// The results of convertCacheFrame: those of writeVDBFrame, and a source that does not load.
enum FrameConversionResult { FrameConverted = 0, ChannelNotExpanded = 1, DestinationNotWritten = 2, SourceNotLoaded = 3 };

// Loads source as a frame of its own (never shared with frames that hosts hold), builds its grids
// in the options' layout giving each expanded channel back as soon as its grids are built, and
// writes them to destination (complete or not at all). loaded, when set, is called once the source
// has loaded; stage times are added to times when it is not null. Never throws.
FrameConversionResult convertCacheFrame(const char* source, const char* destination, const VdbOutputOptions& options,
                                        const std::function<void()>& loaded = {}, FrameStageTimes* times = nullptr);

// Writes a loaded frame that no one else reads (a frame of the caller's own, not one shared with
// hosts) to destination, giving each expanded channel back as soon as its grids are built. Returns
// FrameConverted, ChannelNotExpanded or DestinationNotWritten. Never throws.
FrameConversionResult convertOwnFrame(FumaraFrameData& frame, const char* destination, const VdbOutputOptions& options,
                                      FrameStageTimes* times = nullptr);
