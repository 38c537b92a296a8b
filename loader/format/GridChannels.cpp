// Expansion of grid channels: finding a channel's block in the grid data and decoding it into a
// float grid that stays with the frame.
#include "loader/format/FumaraFrameData.h"

#include "compression/ByteCursor.h"
#include "compression/InflateBlock.h"
#include "compression/SGCompressor.h"
#include "loader/format/PayloadLimits.h"
#include "utils/Allocation.h"
#include "utils/Log.h"

#include <cstdint>
#include <limits>

namespace {

const char* const InvalidCacheMessage = "Invalid cache file!!!\n";
constexpr int FirstColourChannel = 7;
constexpr int LastColourChannel = 9;

int64_t voxelCountOf(const int32_t resolution[3]) {
    int64_t count = 1;
    for (int axis = 0; axis < 3; ++axis) {
        if (resolution[axis] < 0)
            return -1;
        if (resolution[axis] != 0 && count > std::numeric_limits<int64_t>::max() / resolution[axis])
            return -1;
        count *= resolution[axis];
    }
    return count;
}

template <class Decoder>
Decoder* decoderOf(Decoder*& slot) {
    if (!slot)
        FMRUtils::newObject(slot);
    return slot;
}

}  // namespace

int64_t FumaraFrameData::voxelCount() const {
    return voxelCountOf(description.gridResolution);
}

bool FumaraFrameData::AllocateChannelGrid(CacheIO::GridChannelRecord& record, const int32_t resolution[3],
                                          int64_t extra) {
    ReleaseChannelGrid(record);
    const int64_t voxels = voxelCountOf(resolution);
    if (voxels < 0 || extra < 0 || voxels > std::numeric_limits<int64_t>::max() - extra)
        return false;
    CacheIO::ChannelGrid* grid = nullptr;
    if (!FMRUtils::newObject(grid))
        return false;
    if (!grid->values.allocate(voxels + extra)) {
        grid->release();
        return false;
    }
    for (int axis = 0; axis < 3; ++axis)
        grid->resolution[axis] = resolution[axis];
    record.grid = grid;
    record.loaded = true;
    return true;
}

void FumaraFrameData::ReleaseChannelGrid(CacheIO::GridChannelRecord& record) {
    if (record.grid)
        record.grid->release();
    record.grid = nullptr;
    record.loaded = false;
    record.minimum = CacheIO::GridChannelRecord::NoMinimum;
    record.maximum = CacheIO::GridChannelRecord::NoMaximum;
}

void FumaraFrameData::releaseAllChannels() {
    for (CacheIO::GridChannelRecord& record : channels_) {
        ReleaseChannelGrid(record);
        record.corrupt = false;
    }
}

bool FumaraFrameData::findChannelBlock(int channel, int64_t& payload, int64_t& words) const {
    const int64_t total = gridData.count();
    int64_t at = 0;
    while (at < total - 1) {
        const int32_t length = gridData[at + 1];
        if (length < 1)
            return false;
        if (gridData[at] == channel) {
            if (length > total - (at + 2)) {
                logMessage("Grid channel %d runs past the end of the grid data!\n", channel);
                return false;
            }
            payload = at + 2;
            words = length;
            return true;
        }
        at += 2 + static_cast<int64_t>(length);
    }
    return false;
}

bool FumaraFrameData::decodeChannelBlock(int channel, int64_t payload, int64_t words) {
    CacheIO::GridChannelRecord& record = channels_[channel];
    if (record.corrupt) {
        logMessage("%s", InvalidCacheMessage);
        return false;
    }
    const int64_t voxels = voxelCount();
    if (voxels < 0) {
        logMessage("Grid resolution %d x %d x %d is not usable!\n", description.gridResolution[0],
                   description.gridResolution[1], description.gridResolution[2]);
        return false;
    }
    const int32_t* block = gridData.data() + payload;
    const int64_t blockBytes = words * 4;
    // Up to version 4, and in frames not read from a file, blocks hold 3-D zones.
    const int32_t version = description.containerVersion;
    const bool boxZones = version < 5 || version == 0x7FFFFFFF;
    // The payload must be able to fill the grid before the grid is made.
    FMRUtils::ByteCursor colour(block, blockBytes);
    uint64_t streamBytes = 0;
    bool ok = false;
    bool noDecoder = false;
    if (channel == PackedColourChannel) {
        // A 64-bit length, then a zlib stream of one 0x00RRGGBB word per voxel.
        ok = colour.read(streamBytes) && streamBytes <= static_cast<uint64_t>(colour.remaining()) &&
                  CacheIO::zlibCanInflate(static_cast<int64_t>(streamBytes), voxels * 4);
    } else {
        ok = CacheIO::blockFloatExtent(block, blockBytes, boxZones ? 3 : 1) >= voxels;
    }
    if (ok) {
        // An allocation failure has been logged by the allocator; the channel stays absent.
        if (!AllocateChannelGrid(record, description.gridResolution, 4))
            return false;
        float* out = record.grid->values.data();
        const int64_t floats = voxels + 4;
        if (channel == PackedColourChannel) {
            ok = InflateBlock(colour.position(), static_cast<uint32_t>(streamBytes), out,
                                   static_cast<uint32_t>(voxels * 4));
        } else if (boxZones) {
            FMRUtils::SGCompressor<3>* decoder = decoderOf(decoder3_);
            noDecoder = !decoder;
            ok = decoder && decoder->Decompress(block, blockBytes, out, floats) == 1;
        } else {
            FMRUtils::SGCompressor<1>* decoder = decoderOf(decoder1_);
            noDecoder = !decoder;
            ok = decoder && decoder->Decompress(block, blockBytes, out, floats) == 1;
        }
    }
    if (!ok) {
        logMessage("%s", InvalidCacheMessage);
        ReleaseChannelGrid(record);
        // A broken block would fail again on every later request (for a velocity channel that
        // particles sample: once per particle); a decoder that could not be made may be made later.
        record.corrupt = !noDecoder;
    }
    return ok;
}

CacheIO::GridChannelRecord& FumaraFrameData::ExpandChannel(int channel) {
    CacheIO::GridChannelRecord& record = channels_[channel];
    channelLock_.lock();
    const bool colourLoaded = channels_[7].loaded && channels_[8].loaded && channels_[9].loaded;
    // Colour grids already handed out are never replaced, so a packed colour block is only
    // unpacked while one of them is missing.
    if (!record.loaded && !(channel == PackedColourChannel && colourLoaded)) {
        int64_t payload = 0;
        int64_t words = 0;
        if (findChannelBlock(channel, payload, words))
            decodeChannelBlock(channel, payload, words);
        if (channel == PackedColourChannel && record.loaded)
            unpackColour();
        else if (channel == SpeedChannel && !record.loaded)
            buildSpeed();
    }
    if (!record.loaded && channel >= FirstColourChannel && channel <= LastColourChannel)
        ExpandChannel(PackedColourChannel);
    channelLock_.unlock();
    return record;
}
