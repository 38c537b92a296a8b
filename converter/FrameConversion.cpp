#include "converter/FrameConversion.h"

#include "converter/VdbFrameWriter.h"
#include "converter/VdbGrids.h"
#include "loader/api/DefaultChannelMappings.h"
#include "loader/format/FumaraFrameData.h"

#include <memory>
#include <new>

FrameConversionResult convertOwnFrame(FumaraFrameData& frame, const char* destination, const VdbOutputOptions& options,
                                      FrameStageTimes* times) {
    try {
        openvdb::initialize();
        openvdb::GridPtrVec grids;
        GridBuildHooks hooks;
        hooks.times = times;
        // The frame is the caller's alone, so an expanded channel can go as soon as its grid holds
        // the values.
        hooks.channelDone = [&frame](int channel) { frame.ReleaseChannelGrid(frame.channelRecord(channel)); };
        const int built = buildFrameGrids(&frame, options, grids, hooks);
        if (built != 0) return static_cast<FrameConversionResult>(built);
        StageTimer timer(times ? &times->write : nullptr);
        return static_cast<FrameConversionResult>(writeVdbGrids(destination, grids, options.half));
    } catch (...) {
        // Out of memory while building fails this frame alone.
        return DestinationNotWritten;
    }
}

FrameConversionResult convertCacheFrame(const char* source, const char* destination, const VdbOutputOptions& options,
                                        const std::function<void()>& loaded, FrameStageTimes* times) {
    if (!source || !destination) return SourceNotLoaded;
    std::unique_ptr<FumaraFrameData> frame(new (std::nothrow) FumaraFrameData());
    {
        StageTimer timer(times ? &times->load : nullptr);
        try {
            const std::string mappings = CacheIO::generateDefaultChannelMappings(source);
            if (!frame || frame->load(source, mappings.c_str(), 0.0, -1, false) != 0) return SourceNotLoaded;
        } catch (...) {
            return SourceNotLoaded;
        }
    }
    if (loaded) loaded();
    return convertOwnFrame(*frame, destination, options, times);
}
