// The particle sections of header records 7 (raw channel words) and 13 (codec blocks): the
// section's words, then per group its name, count, channel offsets and sub-records.
#include "loader/format/FumaraFrameData.h"
#include "loader/format/OvrReadSupport.h"
#include "loader/format/ParticleBounds.h"
#include "loader/format/ParticleGroup.h"
#include "utils/Log.h"

namespace CacheIO {

namespace {

enum SubTag { EndOfGroup = 0, KindSubRecord = 1, IdsSubRecord = 2, GroupWordSubRecord = 3 };

// Smallest size of one group: name length, count, 32 offsets and the end sub-tag.
constexpr uint64_t GroupEntryBytes = 4 + 4 + 32 * 4 + 4;
constexpr int32_t AbsentChannel = -1;

using Words = FMRUtils::FmrArray<uint32_t, int64_t>;

void readIds(OvrReadContext& read, FumaraFrameData::PGroup& group) {
    int32_t length = 0;
    ReadValueOrThrow(length, read.file, "16\n");
    if (length < 0)
        FailRead("16\n");
    if (read.headerOnly) {
        SeekOrThrow(read.file, length, FileCursor::FromCurrent, "x162\n");
        return;
    }
    if (!read.file.fits(1, static_cast<uint64_t>(length)))
        FailRead("x161\n");
    FMRUtils::FmrArray<char, int64_t> bytes;
    if (!bytes.SetSize(length, nullptr, true))
        FailRead(nullptr);
    ReadOrThrow(bytes.data(), 1, static_cast<uint64_t>(length), read.file, "x161\n");
    // Undecodable ids leave the group without ids; the frame stays usable.
    group.decodeIds(bytes.data(), length);
}

void readSubRecords(OvrReadContext& read, FumaraFrameData::PGroup& group) {
    for (;;) {
        int32_t subTag = 0;
        ReadValueOrThrow(subTag, read.file, "14\n");
        switch (subTag) {
        case EndOfGroup:
            return;
        case KindSubRecord:
            ReadValueOrThrow(group.kind, read.file, "15\n");
            break;
        case IdsSubRecord:
            readIds(read, group);
            break;
        case GroupWordSubRecord:
            ReadOrThrow(group.groupWord, 1, sizeof group.groupWord, read.file, "18\n");
            break;
        default:
            FailRead("19\n");
        }
    }
}

void fillChannels(FumaraFrameData::PGroup& group, const int32_t offsets[ParticleChannelCount], const Words& words,
                  bool compressed) {
    for (int channel = 0; channel < ParticleChannelCount; ++channel) {
        if (offsets[channel] == AbsentChannel)
            continue;
        const bool filled = compressed
                                ? group.decodeSectionChannel(channel, words.data(), words.count(), offsets[channel])
                                : group.copyRawChannel(channel, words.data(), words.count(), offsets[channel]);
        if (!filled) {
            logMessage("Particle channel %d of group %s lies outside the particle data!\n", channel,
                       group.name.c_str());
            FailRead(nullptr);
        }
    }
}

}  // namespace

void ReadParticleSection(OvrReadContext& read, bool compressed) {
    FumaraFrameData& frame = read.frame;
    const char* wordsMessage = compressed ? "13\n" : "x91\n";
    int32_t wordCount = 0;
    ReadValueOrThrow(wordCount, read.file, "9\n");
    if (wordCount < 0)
        FailRead("9\n");
    // With a directory already read, a header-only read needs no particle data.
    const bool load = !(read.headerOnly && read.directorySeen);
    Words words;
    if (load) {
        if (!read.file.fits(4, static_cast<uint64_t>(wordCount)))
            FailRead(wordsMessage);
        if (!words.SetSize(wordCount, nullptr, true))
            FailRead(nullptr);
        ReadOrThrow(words.data(), 4, static_cast<uint64_t>(wordCount), read.file, wordsMessage);
    } else {
        SeekOrThrow(read.file, int64_t(wordCount) * 4, FileCursor::FromCurrent, wordsMessage);
    }

    int32_t groups = 0;
    ReadValueOrThrow(groups, read.file, "11\n");
    if (groups < 0 || !read.file.fits(GroupEntryBytes, static_cast<uint64_t>(groups))) {
        logMessage("Bad particle group count %d in the cache file!\n", groups);
        FailRead(nullptr);
    }
    if (!frame.resizeGroups(groups))
        FailRead(nullptr);
    for (int32_t index = 0; index < groups; ++index) {
        FumaraFrameData::PGroup& group = *frame.group(index);
        group.owner = &frame;
        ReadString(group.name, read.file);
        ReadValueOrThrow(group.count, read.file, "12\n");
        if (group.count < 0) {
            logMessage("Bad particle count %d in group %s!\n", group.count, group.name.c_str());
            FailRead(nullptr);
        }
        int32_t offsets[ParticleChannelCount];
        ReadOrThrow(offsets, sizeof(int32_t), ParticleChannelCount, read.file, "13\n");
        if (load)
            fillChannels(group, offsets, words, compressed);
        readSubRecords(read, group);
        if (load && !read.directorySeen)
            extendParticleBounds(group, frame.description.particleBounds);
    }
    read.directorySeen = true;
}

}  // namespace CacheIO
