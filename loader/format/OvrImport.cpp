// FumaraFrameData::ImportOvr: opens and locks a cache file, reads its footer, then its chunk
// section and then its header records (OvrChunks.cpp, OvrHeaderRecords.cpp).
#include "loader/format/FumaraFrameData.h"

#include "loader/format/ArrayStorage.h"
#include "loader/format/CacheFileLock.h"
#include "loader/format/OvrReadSupport.h"
#include "platform/FileOpen.h"
#include "utils/Log.h"

#include <cstdio>
#include <new>

namespace {

constexpr uint64_t FooterMagic = 0x524D46324152564FULL;  // "OVRA2FMR"
constexpr uint32_t HeaderMagic = 0x4152564Fu;            // "OVRA"

const char* const MissingFooterMessage =
    "Failed reading the ovra2 file footer!\nThe file is damaged, incomplete or in unsupported file format.\n"
    "If the file was saved by Fumara 2.2 or older, please simulate the scene again, but note that the "
    "results may differ.\n";

}  // namespace

int FumaraFrameData::ImportOvr(const char* path, bool headerOnly) {
    using CacheIO::FileCursor;
    reset(headerOnly);
    description.frameNumber = 0;
    if (!path || !*path)
        return 3;
    // The UTF-8 path reaches any file name (through the wide open on Windows).
    FILE* file = Platform::openFile(path, "rb");
    if (!file)
        return 3;
    // The path's address identifies this read in the open-file registry.
    if (!CacheIO::LockCacheFile(file, path)) {
        fclose(file);
        return 3;
    }
    bool locked = true;
    auto releaseFile = [&] {
        if (locked)
            CacheIO::ReleaseCacheFile(file, path);
        locked = false;
    };

    try {
        FileCursor cursor;
        if (!cursor.attach(file))
            CacheIO::FailRead("Failed to seek to EOF!\n");
        CacheIO::SeekOrThrow(cursor, -8, FileCursor::FromEnd, "Failed while seeking to ovra2 magic!\n");
        uint64_t magic = 0;
        CacheIO::ReadValueOrThrow(magic, cursor, "Failed reading ovra2 magic!\n");
        int64_t dataOffset = 0;
        if (magic == FooterMagic) {
            CacheIO::SeekOrThrow(cursor, -12, FileCursor::FromEnd, "Failed to seek to ovra2 version!\n");
            CacheIO::ReadValueOrThrow(description.containerVersion, cursor, "Failed reading ovra2 version!\n");
            if (description.containerVersion >= 4) {
                CacheIO::SeekOrThrow(cursor, -20, FileCursor::FromEnd, "Failed seeking to marker chunk!\n");
                CacheIO::ReadValueOrThrow(dataOffset, cursor, "Failed reading ovra2 data offset!\n");
            } else {
                int32_t offset32 = 0;
                CacheIO::SeekOrThrow(cursor, -16, FileCursor::FromEnd, "Failed seeking to marker chunk!\n");
                CacheIO::ReadValueOrThrow(offset32, cursor, "Failed reading ovra2 data offset!\n");
                if (offset32 < 0) {
                    releaseFile();
                    return 3;
                }
                dataOffset = offset32;
            }
        }
        CacheIO::SeekOrThrow(cursor, 0, FileCursor::FromStart, nullptr);
        if (magic != FooterMagic) {
            logMessage("%s", MissingFooterMessage);
            releaseFile();
            return 12;
        }

        CacheIO::OvrReadContext read{*this, cursor, headerOnly};
        // The data offset points at a 4-byte marker in front of the first chunk.
        CacheIO::SeekOrThrow(cursor, dataOffset, FileCursor::FromStart, nullptr);
        CacheIO::SeekOrThrow(cursor, 4, FileCursor::FromCurrent, nullptr);
        CacheIO::ReadChunkSection(read);

        // The header section ends at the latest with the marker, read as its last tag.
        CacheIO::SeekOrThrow(cursor, 0, FileCursor::FromStart, nullptr);
        cursor.limitTo(dataOffset + 4);
        uint32_t headerMagic = 0;
        CacheIO::ReadValueOrThrow(headerMagic, cursor, nullptr);
        if (headerMagic != HeaderMagic)
            CacheIO::FailRead("no hdr\n");
        CacheIO::ReadHeaderRecords(read);
        releaseFile();
        if (headerOnly)
            setGridDataPlaceholder();
        return 0;
    } catch (const CacheIO::IOErrException&) {
        logMessage("FumaraFrameData::ImportOvr broken file. File is: %s\n", path);
    } catch (const std::bad_alloc&) {
        logMessage("FumaraFrameData::ImportOvr bad memory allocation. File is: %s\n", path);
    }
    CacheIO::releaseStorage(gridData);
    releaseFile();
    return 4;
}
