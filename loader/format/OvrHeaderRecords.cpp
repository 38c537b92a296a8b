// The header records of a cache file: tagged records from offset 4 up to the first tag outside
// 1 to 13. Each read names its place in the log when it fails.
#include "loader/format/FumaraFrameData.h"
#include "loader/format/OvrReadSupport.h"
#include "utils/Log.h"

#include <algorithm>

namespace CacheIO {

namespace {

enum HeaderTag {
    ChannelFlagsTag = 1,
    TransformTag,
    GridTag,
    FrameNumberTag,
    Scalar5Tag,
    MatrixATag,
    RawParticlesTag,
    FloatDoubleATag,
    Word9Tag,
    DoublesTag,
    MatricesTag,
    ParamBlockTag,
    CompressedParticlesTag,
};

void readGrid(OvrReadContext& read) {
    FumaraFrameData& frame = read.frame;
    ReadOrThrow(frame.description.gridResolution, sizeof(int32_t), 3, read.file, "3\n");
    int32_t words = 0;
    ReadValueOrThrow(words, read.file, "4\n");
    if (words < 0)
        FailRead("FumaraFrameData::ImportOvr bad comprDataSzInts!");
    if (read.headerOnly) {
        SeekOrThrow(read.file, int64_t(words) * 4, FileCursor::FromCurrent, "x41\n");
        return;
    }
    // Sized only for words that the file can hold.
    if (!read.file.fits(4, static_cast<uint64_t>(words)))
        FailRead("x41\n");
    if (!frame.gridData.SetSize(words, nullptr, true))
        FailRead(nullptr);
    ReadOrThrow(frame.gridData.data(), 4, static_cast<uint64_t>(words), read.file, "x41\n");
}

void readParamBlock(OvrReadContext& read) {
    int32_t length = 0;
    ReadValueOrThrow(length, read.file, "12\n");
    if (length < 0)
        FailRead("12\n");
    const int32_t kept = std::min(length, FrameDescription::ParamBlockSize);
    ReadOrThrow(read.frame.description.headerParamBlock, 1, static_cast<uint64_t>(kept), read.file, "12\n");
    SeekOrThrow(read.file, length - kept, FileCursor::FromCurrent, "x121\n");
}

}  // namespace

void ReadHeaderRecords(OvrReadContext& read) {
    FrameDescription& description = read.frame.description;
    for (;;) {
        int32_t tag = 0;
        ReadValueOrThrow(tag, read.file, "0\n");
        switch (tag) {
        case ChannelFlagsTag:
            ReadValueOrThrow(description.channelFlags, read.file, "1\n");
            description.flags = static_cast<uint8_t>((description.flags & ~FrameFlagChannelBit31) |
                                                     (description.channelFlags >> 31));
            break;
        case TransformTag:
            ReadOrThrow(description.gridTransform, sizeof(float), 12, read.file, "2\n");
            break;
        case GridTag:
            readGrid(read);
            break;
        case FrameNumberTag:
            ReadValueOrThrow(description.frameNumber, read.file, "4\n");
            break;
        case Scalar5Tag:
            ReadValueOrThrow(description.headerScalar5, read.file, "7\n");
            break;
        case MatrixATag:
            ReadOrThrow(description.headerMatrixA, sizeof(float), 12, read.file, "6\n");
            break;
        case RawParticlesTag:
            ReadParticleSection(read, false);
            break;
        case FloatDoubleATag: {
            float value = 0;
            ReadValueOrThrow(value, read.file, "20\n");
            description.setHeaderDoubleA(value);
            break;
        }
        case Word9Tag: {
            uint8_t word[4];
            ReadOrThrow(word, 1, sizeof word, read.file, "21\n");
            description.setHeaderWord9(word);
            ReadValueOrThrow(description.headerScalar9, read.file, "22\n");
            break;
        }
        case DoublesTag: {
            double a = 0;
            double b = 0;
            ReadValueOrThrow(a, read.file, "24\n");
            ReadValueOrThrow(b, read.file, "25\n");
            description.setHeaderDoubleA(a);
            description.setHeaderDoubleB(b);
            break;
        }
        case MatricesTag: {
            uint8_t word[8];
            ReadOrThrow(description.headerMatrixA, sizeof(float), 12, read.file, "11\n");
            ReadOrThrow(description.headerMatrixB, sizeof(float), 12, read.file, "11\n");
            ReadOrThrow(description.headerMatrixC, sizeof(float), 12, read.file, "11\n");
            ReadOrThrow(word, 1, sizeof word, read.file, "x111\n");
            description.setHeaderWord11(word);
            break;
        }
        case ParamBlockTag:
            readParamBlock(read);
            break;
        case CompressedParticlesTag:
            ReadParticleSection(read, true);
            break;
        default:
            return;
        }
    }
}

}  // namespace CacheIO
