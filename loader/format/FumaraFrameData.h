// One cache frame: its description, its grid channels (expanded on first request) and its particle
// groups. Hosts see it as IOvr; the library's creating functions load it, and the frame data array
// (FrameDataArray.h) shares and releases it.
#pragma once

#include "loader/api/IOvr.h"
#include "loader/format/ChannelGrid.h"
#include "loader/format/FrameDescription.h"
#include "loader/format/RecursiveSpinLock.h"
#include "utils/FmrArray.h"

#include <cstdint>
#include <string>
#include <vector>

namespace FMRUtils {
template <int N>
class SGCompressor;
}

class FumaraFrameData : public IOvr {
public:
    class PGroup;  // ParticleGroup.h

    static constexpr int GridChannelCount = 32;
    static constexpr int SpeedChannel = 3;
    static constexpr int PackedColourChannel = 18;

    FumaraFrameData();
    virtual ~FumaraFrameData();
    FumaraFrameData(const FumaraFrameData&) = delete;
    FumaraFrameData& operator=(const FumaraFrameData&) = delete;

    // IOvr.
    float* getChannelData(int channel) override;
    int hasChannel(int channel) override;
    int getResolution(int resolution[3]) override;
    void getTransform(float transform[12]) override;
    int getParticleGroupCount() override;
    IFumaraPrtGroup* getParticleGroup(int index) override;
    IFumaraPrtGroup* findParticleGroup(const char* name) override;

    // Loads the frame from path with the importer that its extension names (FrameLoad.cpp):
    // 0 success, 3 no such file, no lock or an unknown extension, 4 a broken file, 12 no footer,
    // or a plug-in import's code. On success records the path and the file's modification time.
    int load(const char* path, const char* mappings, double value, int64_t voxelLimit, bool headerOnly);

    // Reads a cache file (OvrImport.cpp); the codes are those of load.
    int ImportOvr(const char* path, bool headerOnly);

    // Clears the frame to its defaults: grid channels released, grid data, groups and text
    // dropped, every description field back to the value of a frame never read.
    void reset(bool headerOnly);

    // Grid channels (GridChannels.cpp). ExpandChannel makes sure a channel 0 to 31 is expanded
    // when it can be and returns its record; read the values through the record's values().
    CacheIO::GridChannelRecord& ExpandChannel(int channel);
    // Gives the record a new grid of the resolution's voxel count plus extra floats and marks it
    // loaded; false (record not loaded) when the grid cannot be allocated.
    bool AllocateChannelGrid(CacheIO::GridChannelRecord& record, const int32_t resolution[3], int64_t extra);
    // Empties the record's values, marks it not loaded and resets its range.
    void ReleaseChannelGrid(CacheIO::GridChannelRecord& record);
    CacheIO::GridChannelRecord& channelRecord(int channel) { return channels_[channel & 31]; }
    // x * y * z of gridResolution, or -1 when a count is negative or the product overflows.
    int64_t voxelCount() const;
    int comprDataSzInts() const { return static_cast<int>(gridData.count()); }
    // Grid data of one word in which no channel block can be found (frames imported by plug-ins,
    // header-only reads).
    bool setGridDataPlaceholder();

    // Particle groups, in file order.
    int groupCount() const { return static_cast<int>(groups_.size()); }
    PGroup* group(int index) { return groups_[index]; }
    // Keeps the first count groups and adds new empty ones up to count; false when out of memory.
    bool resizeGroups(int count);
    void clearGroups();

    CacheIO::FrameDescription description;
    FMRUtils::FmrArray<int32_t, int64_t> gridData;

    // Identity for sharing (FrameDataArray.h) and the reference count.
    std::string path;
    std::string mappings;
    int64_t fileTime = 0;
    int refCount = 0;

private:
    void releaseAllChannels();
    // Where channel's block lies in gridData: first payload word and word count; false when absent.
    bool findChannelBlock(int channel, int64_t& payload, int64_t& words) const;
    bool decodeChannelBlock(int channel, int64_t payload, int64_t words);
    bool unpackColour();
    bool buildSpeed();

    CacheIO::GridChannelRecord channels_[GridChannelCount];
    CacheIO::RecursiveSpinLock channelLock_;
    FMRUtils::SGCompressor<3>* decoder3_ = nullptr;
    FMRUtils::SGCompressor<1>* decoder1_ = nullptr;
    std::vector<PGroup*> groups_;  // owned
};
