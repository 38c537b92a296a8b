#include "converter/ParallelArchive.h"

#include "converter/MemoryStreamBuffer.h"

#include <openvdb/io/Archive.h>
#include <openvdb/io/GridDescriptor.h>
#include <tbb/parallel_for.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

// A grid serialised as if it started at stream position 0, with the descriptor that knows where
// its stream positions are.
struct SerialisedGrid {
    MemoryStreamBuffer buffer;
    openvdb::io::StreamMetadata::Ptr streamMetadata;  // must outlive the stream's use of it
    openvdb::io::GridDescriptor descriptor;
};

class ParallelArchive : public openvdb::io::Archive {
public:
    void write(std::ostream& out, openvdb::GridPtrVec& grids, const openvdb::MetaMap& metadata) const {
        std::vector<std::unique_ptr<SerialisedGrid>> pieces(grids.size());
        tbb::parallel_for(size_t(0), grids.size(), [&](size_t i) {
            pieces[i].reset(new SerialisedGrid());
            std::ostream piece(&pieces[i]->buffer);
            piece.exceptions(std::ios_base::badbit);
            prepare(piece, pieces[i]->streamMetadata);
            const openvdb::GridBase::Ptr grid = std::move(grids[i]);
            pieces[i]->descriptor = openvdb::io::GridDescriptor(grid->getName(), grid->type(), grid->saveFloatAsHalf());
            writeGrid(pieces[i]->descriptor, grid, piece, /*seekable=*/true);
        });

        openvdb::io::StreamMetadata::Ptr fileMetadata;
        prepare(out, fileMetadata);
        writeHeader(out, /*seekable=*/true);
        metadata.writeMeta(out);
        const int32_t gridCount = static_cast<int32_t>(pieces.size());
        out.write(reinterpret_cast<const char*>(&gridCount), sizeof gridCount);
        for (std::unique_ptr<SerialisedGrid>& piece : pieces) {
            relocate(*piece, static_cast<int64_t>(out.tellp()));
            std::vector<char>& bytes = piece->buffer.bytes();
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            piece.reset();
        }
        openvdb::io::clearStreamMetadataPtr(out);
    }

private:
    // The stream state that the archive's writer gives a stream before the grids; the stream
    // refers to streamMetadata until it is done.
    void prepare(std::ostream& stream, openvdb::io::StreamMetadata::Ptr& streamMetadata) const {
        streamMetadata = std::make_shared<openvdb::io::StreamMetadata>();
        openvdb::io::setStreamMetadataPtr(stream, streamMetadata, /*transfer=*/false);
        openvdb::io::setDataCompression(stream, compression());
        openvdb::io::setWriteGridStatsMetadata(stream, isGridStatsMetadataEnabled());
    }

    // Moves the grid's stream positions, recorded as from 0, to where its bytes land in the file.
    // They are the three positions written just before the grid position.
    static void relocate(SerialisedGrid& piece, int64_t base) {
        openvdb::io::GridDescriptor& descriptor = piece.descriptor;
        const int64_t positionsAt = descriptor.getGridPos() - 3 * static_cast<int64_t>(sizeof(int64_t));
        descriptor.setGridPos(descriptor.getGridPos() + base);
        descriptor.setBlockPos(descriptor.getBlockPos() + base);
        descriptor.setEndPos(descriptor.getEndPos() + base);
        std::ostream rewrite(&piece.buffer);
        rewrite.seekp(positionsAt);
        descriptor.writeStreamPos(rewrite);
    }
};

} // namespace

void writeArchiveInParallel(std::ostream& out, openvdb::GridPtrVec& grids, const openvdb::MetaMap& metadata,
                            uint32_t compression) {
    ParallelArchive archive;
    if (compression != 0) archive.setCompression(compression);
    archive.write(out, grids, metadata);
}
