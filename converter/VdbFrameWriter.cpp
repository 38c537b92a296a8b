#include "converter/VdbFrameWriter.h"

#include "converter/FrameTransform.h"
#include "converter/VdbGrids.h"
#include "loader/api/ChannelNames.h"
#include "loader/api/IOvr.h"
#include "utils/AtomicFile.h"

#include <openvdb/io/Archive.h>

namespace {

// Channels in file order, each written under its grid name. The velocity and colour triples are
// written whole or not at all.
const int scalarChannels[] = {CacheIO::ChannelSmoke, CacheIO::ChannelTemperature, CacheIO::ChannelFuel};
const int velocityChannels[] = {CacheIO::ChannelVelocityX, CacheIO::ChannelVelocityY, CacheIO::ChannelVelocityZ};
const int colorChannels[] = {CacheIO::ChannelColorR, CacheIO::ChannelColorG, CacheIO::ChannelColorB};

// Appends the three channels when the frame has all of them (asked in order).
void appendWholeTriple(IOvr* frame, const int (&triple)[3], std::vector<int>& channels) {
    for (int channel : triple)
        if (!frame->hasChannel(channel)) return;
    channels.insert(channels.end(), std::begin(triple), std::end(triple));
}

// Exposes the archive writer that io::File uses, for a stream of our own.
class SeekableArchive : public openvdb::io::Archive {
public:
    void writeTo(std::ostream& out, const openvdb::GridPtrVec& grids, const openvdb::MetaMap& metadata) const {
        write(out, grids, /*seekable=*/true, metadata);
    }
};

} // namespace

int buildChannelGrids(IOvr* frame, std::vector<openvdb::FloatGrid::Ptr>& grids) {
    int resolution[3] = {0, 0, 0};
    frame->getResolution(resolution);
    float transform[12];
    frame->getTransform(transform);
    double indexToWorld[16];
    const bool invertible = indexToWorldMatrix(transform, indexToWorld);

    std::vector<int> channels;
    for (int channel : scalarChannels)
        if (frame->hasChannel(channel)) channels.push_back(channel);
    appendWholeTriple(frame, velocityChannels, channels);
    appendWholeTriple(frame, colorChannels, channels);

    grids.resize(channels.size());
    for (size_t i = 0; i < channels.size(); ++i) {
        const float* data = frame->getChannelData(channels[i]);
        if (!data) return 1;
        fillGridFromDense(data, grids[i], resolution[0], resolution[1], resolution[2],
                          CacheIO::gridChannelName(channels[i]));
    }

    // A singular frame transform has no index-to-world map; writing NaNs would lose the frame.
    if (!invertible) return 2;
    const openvdb::math::Mat4d matrix(indexToWorld);
    for (openvdb::FloatGrid::Ptr& grid : grids)
        grid->setTransform(openvdb::math::Transform::createLinearTransform(matrix));
    return 0;
}

int writeVDBFrame(const char* path, IOvr* frame) {
    if (!path || !frame) return 2;
    // Beyond OpenVDB's I/O error, anything raised while building or writing (running out of
    // memory, a transform OpenVDB rejects) fails this frame alone.
    try {
        openvdb::initialize();
        std::vector<openvdb::FloatGrid::Ptr> grids;
        const int built = buildChannelGrids(frame, grids);
        if (built != 0) return built;

        openvdb::GridPtrVec output(grids.begin(), grids.end());
        openvdb::MetaMap fileMetadata;
        fileMetadata.insertMeta("FumaraVDBVer", openvdb::Int32Metadata(0));
        // What io::File writes (a seekable archive), but into a file that is complete or absent:
        // io::File does not check its stream after writing, so a full disk went unnoticed.
        FMRUtils::AtomicFile file(path);
        if (!file.stream()) return 2;
        SeekableArchive().writeTo(file.stream(), output, fileMetadata);
        return file.commit() ? 0 : 2;
    } catch (...) {
        return 2;
    }
}
