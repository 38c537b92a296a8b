// The chunk section of a cache file: particle directory, text, particle data, channel ranges and
// channel values; other chunks are skipped by their size.
#include "loader/format/FumaraFrameData.h"
#include "loader/format/OvrReadSupport.h"
#include "loader/format/ParticleGroup.h"
#include "utils/Log.h"

namespace CacheIO {

namespace {

enum ChunkId {
    ParticleDirectory = 1000,
    TextChunk = 1001,
    ParticleData = 1002,
    ChannelRanges = 1003,
    ChannelValues = 1004,
    EndOfChunks = 9999999,
};

// Smallest size of one group's entry in the particle directory and in the particle data chunk.
constexpr uint64_t DirectoryEntryBytes = 16;
constexpr uint64_t ParticleDataEntryBytes = 24;
constexpr uint64_t ChannelEntryBytes = 12;

int32_t readInt(FileCursor& file) {
    int32_t value = 0;
    ReadValueOrThrow(value, file, nullptr);
    return value;
}

// A count of entries of at least entryBytes each that must fit in the rest of the file.
int32_t readEntryCount(FileCursor& file, uint64_t entryBytes, const char* what) {
    const int32_t count = readInt(file);
    if (count < 0 || !file.fits(entryBytes, static_cast<uint64_t>(count))) {
        logMessage("Bad %s count %d in the cache file!\n", what, count);
        FailRead(nullptr);
    }
    return count;
}

int32_t readParticleCount(FileCursor& file, const std::string& group) {
    const int32_t count = readInt(file);
    if (count < 0) {
        logMessage("Bad particle count %d in group %s!\n", count, group.c_str());
        FailRead(nullptr);
    }
    return count;
}

void readDirectory(OvrReadContext& read) {
    FumaraFrameData& frame = read.frame;
    const int32_t groups = readEntryCount(read.file, DirectoryEntryBytes, "particle group");
    if (!frame.resizeGroups(groups))
        FailRead(nullptr);
    for (int32_t index = 0; index < groups; ++index) {
        FumaraFrameData::PGroup& group = *frame.group(index);
        ReadString(group.name, read.file);
        group.count = readParticleCount(read.file, group.name);
        group.channelMask = static_cast<uint32_t>(readInt(read.file));
        group.kind = readInt(read.file);
    }
    ReadOrThrow(frame.description.particleBounds, sizeof(float), 6, read.file, nullptr);
    read.directorySeen = true;
    uint32_t ignored = 0;
    ReadValueOrThrow(ignored, read.file, "Failed reading chunk id!\n");
}

void readParticleChannels(OvrReadContext& read, FumaraFrameData::PGroup& group) {
    const int32_t channels = readEntryCount(read.file, ChannelEntryBytes, "particle channel");
    for (int32_t index = 0; index < channels; ++index) {
        const int32_t channel = readInt(read.file);
        const int32_t method = readInt(read.file);
        const int32_t length = readInt(read.file);
        if (length < 0 || !read.file.fits(1, static_cast<uint64_t>(length)))
            FailRead("Failed to load compressed particle data!\n");
        if (channel < 0 || channel >= ParticleChannelCount) {
            // No such channel: its bytes are passed over.
            SeekOrThrow(read.file, length, FileCursor::FromCurrent, nullptr);
            continue;
        }
        if (!group.storeCompressedChannel(channel, method, length))
            FailRead(nullptr);
        ReadOrThrow(group.record(channel).compressed.data(), 1, static_cast<uint64_t>(length), read.file,
                    "Failed to load compressed particle data!\n");
        if (group.hasChannel(channel))
            group.channelMask |= 1u << channel;
    }
}

void readParticleData(OvrReadContext& read) {
    FumaraFrameData& frame = read.frame;
    const int32_t groups = readEntryCount(read.file, ParticleDataEntryBytes, "particle group");
    frame.clearGroups();
    if (!frame.resizeGroups(groups))
        FailRead(nullptr);
    for (int32_t index = 0; index < groups; ++index) {
        FumaraFrameData::PGroup& group = *frame.group(index);
        group.owner = &frame;
        ReadString(group.name, read.file);
        group.kind = readInt(read.file);
        group.count = readParticleCount(read.file, group.name);
        ReadOrThrow(group.groupWord, 1, sizeof group.groupWord, read.file, nullptr);
        group.channelMask = 0;
        readParticleChannels(read, group);
    }
}

void readChannelRanges(OvrReadContext& read) {
    const int32_t entries = readInt(read.file);
    for (int32_t index = 0; index < entries; ++index) {
        uint32_t channel = 0;
        float range[2];
        ReadValueOrThrow(channel, read.file, nullptr);
        ReadOrThrow(range, sizeof(float), 2, read.file, nullptr);
        if (channel < FumaraFrameData::GridChannelCount) {
            read.frame.channelRecord(static_cast<int>(channel)).minimum = range[0];
            read.frame.channelRecord(static_cast<int>(channel)).maximum = range[1];
        }
    }
}

void readChannelValues(OvrReadContext& read) {
    const int32_t entries = readInt(read.file);
    for (int32_t index = 0; index < entries; ++index) {
        uint32_t channel = 0;
        int64_t value = 0;
        ReadValueOrThrow(channel, read.file, nullptr);
        ReadValueOrThrow(value, read.file, nullptr);
        if (channel < FumaraFrameData::GridChannelCount)
            read.frame.description.channelValues[channel] = value;
    }
}

// Moves past a chunk that is not read; never backwards and never past the end.
void skipChunk(FileCursor& file, int32_t id, int64_t size) {
    if (!file.skip(size)) {
        logMessage("Bad size %lld of chunk %d in the cache file!\n", static_cast<long long>(size), id);
        FailRead(nullptr);
    }
}

}  // namespace

void ReadChunkSection(OvrReadContext& read) {
    const int32_t version = read.frame.description.containerVersion;
    for (;;) {
        int32_t id = EndOfChunks;
        ReadValueOrThrow(id, read.file, "Failed reading chunk id!\n");
        if (id == EndOfChunks)
            return;
        int64_t size = 0;
        if (version < 4) {
            int32_t size32 = 0;
            ReadValueOrThrow(size32, read.file, "Failed reading chunk size!\n");
            size = size32;
        } else {
            ReadValueOrThrow(size, read.file, "Failed reading chunk size!\n");
        }
        switch (id) {
        case ParticleDirectory:
            readDirectory(read);
            // Before version 3 the directory is the last chunk.
            if (version < 3)
                return;
            break;
        case TextChunk:
            ReadString(read.frame.description.textChunk, read.file);
            break;
        case ParticleData:
            if (read.headerOnly)
                skipChunk(read.file, id, size);
            else
                readParticleData(read);
            break;
        case ChannelRanges:
            readChannelRanges(read);
            break;
        case ChannelValues:
            readChannelValues(read);
            break;
        default:
            skipChunk(read.file, id, size);
            break;
        }
    }
}

}  // namespace CacheIO
