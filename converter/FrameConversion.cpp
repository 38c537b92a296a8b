#include "converter/FrameConversion.h"

#include "converter/VdbFrameWriter.h"
#include "converter/VdbGrids.h"
#include "loader/api/DefaultChannelMappings.h"
#include "loader/format/FumaraFrameData.h"

#include <memory>

FrameConversionResult convertCacheFrame(const char* source, const char* destination, const VdbOutputOptions& options,
                                        const std::function<void()>& loaded, FrameStageTimes* times) {
    if (!source || !destination) return SourceNotLoaded;
    try {
        std::unique_ptr<FumaraFrameData> frame(new FumaraFrameData());
        {
            StageTimer timer(times ? &times->load : nullptr);
            const std::string mappings = CacheIO::generateDefaultChannelMappings(source);
            if (frame->load(source, mappings.c_str(), 0.0, -1, false) != 0) return SourceNotLoaded;
        }
        if (loaded) loaded();

        openvdb::initialize();
        openvdb::GridPtrVec grids;
        GridBuildHooks hooks;
        hooks.times = times;
        // The frame is ours alone, so an expanded channel can go as soon as its grid holds the values.
        hooks.channelDone = [&frame](int channel) { frame->ReleaseChannelGrid(frame->channelRecord(channel)); };
        const int built = buildFrameGrids(frame.get(), options, grids, hooks);
        if (built != 0) return static_cast<FrameConversionResult>(built);
        // The compressed blocks are not needed for writing.
        frame.reset();

        StageTimer timer(times ? &times->write : nullptr);
        return static_cast<FrameConversionResult>(writeVdbGrids(destination, grids));
    } catch (...) {
        // Out of memory while loading or building fails this frame alone.
        return DestinationNotWritten;
    }
}
