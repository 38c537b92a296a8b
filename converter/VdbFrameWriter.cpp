#include "converter/VdbFrameWriter.h"

#include "converter/ParallelArchive.h"
#include "converter/VdbGrids.h"
#include "utils/AtomicFile.h"

int writeVdbGrids(const char* path, openvdb::GridPtrVec& grids) {
    try {
        openvdb::MetaMap fileMetadata;
        fileMetadata.insertMeta("FumaraVDBVer", openvdb::Int32Metadata(0));
        // What io::File writes (a seekable archive), but into a file that is complete or absent:
        // io::File does not check its stream after writing, so a full disk went unnoticed.
        FMRUtils::AtomicFile file(path);
        if (!file.stream()) return 2;
        writeArchiveInParallel(file.stream(), grids, fileMetadata);
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
        return writeVdbGrids(path, grids);
    } catch (...) {
        return 2;
    }
}
