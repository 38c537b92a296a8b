#include "converter/VdbFrameWriter.h"

#include "converter/ParallelArchive.h"
#include "converter/VdbGrids.h"
#include "utils/AtomicFile.h"

#include <openvdb/io/Compression.h>

int writeVdbGrids(const char* path, openvdb::GridPtrVec& grids, bool compact) {
    try {
        openvdb::MetaMap fileMetadata;
        fileMetadata.insertMeta("FumaraVDBVer", openvdb::Int32Metadata(0));
        // What io::File writes (a seekable archive), but into a file that is complete or absent:
        // io::File does not check its stream after writing, so a full disk went unnoticed.
        FMRUtils::AtomicFile file(path);
        if (!file.stream()) return 2;
        const uint32_t deflated = openvdb::io::COMPRESS_ZIP | openvdb::io::COMPRESS_ACTIVE_MASK;
        writeArchiveInParallel(file.stream(), grids, fileMetadata, compact ? deflated : 0);
        return file.commit() ? 0 : 2;
    } catch (...) {
        return 2;
    }
}

int writeVDBFrame(const char* path, IOvr* frame, const VdbOutputOptions& options) {
    if (!path || !frame) return 2;
    // Beyond OpenVDB's I/O error, anything raised while building (running out of memory, a
    // transform OpenVDB rejects) fails this frame alone.
    try {
        openvdb::initialize();
        openvdb::GridPtrVec grids;
        const int built = buildFrameGrids(frame, options, grids);
        if (built != 0) return built;
        return writeVdbGrids(path, grids, options.half);
    } catch (...) {
        return 2;
    }
}
