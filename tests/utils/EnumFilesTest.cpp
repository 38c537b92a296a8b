#include "utils/EnumFiles.h"

#include "tests/platform/ScratchDirectory.h"
#include "utils/FrameName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using FumaraEnum::EnumFiles;
using Call = std::pair<int, std::string>;

// Collects the calls instead of choosing a file, as the channel listing does.
class RecordingEnum : public EnumFiles {
public:
    void onEnumBegin(const char* pattern, int mode) override { begins.emplace_back(mode, pattern); }
    void onFrameFile(int frame, const char* path) override { files.emplace_back(frame, path); }

    // The files in name order (the listing order is the file system's).
    std::vector<Call> sortedFiles() const
    {
        std::vector<Call> sorted = files;
        std::sort(sorted.begin(), sorted.end(), [](const Call& a, const Call& b) { return a.second < b.second; });
        return sorted;
    }

    std::vector<Call> begins;
    std::vector<Call> files;
};

const int strictMode = -1;  // what the channel listing passes

TEST(EnumFiles, PatternWithoutPlaceholderIsOneFileOrNone)
{
    ScratchDirectory dir;
    const std::string file = dir.write("smoke.vdb");
    RecordingEnum found;
    EXPECT_EQ(found.enumerateFrameFiles(file.c_str(), strictMode), 1);
    EXPECT_EQ(found.foundPath, file);
    EXPECT_EQ(found.files, (std::vector<Call>{{kNoFrame, file}}));
    EXPECT_EQ(found.begins, (std::vector<Call>{{strictMode, file}}));

    EnumFiles wildcard;
    wildcard.foundPath = "left over";
    EXPECT_EQ(wildcard.enumerateFrameFiles((dir / "*.vdb").c_str(), 0), 1);
    EXPECT_EQ(wildcard.foundPath, dir / "*.vdb");  // the pattern itself, not the file

    EnumFiles missing;
    missing.foundPath = "left over";
    EXPECT_EQ(missing.enumerateFrameFiles((dir / "other.vdb").c_str(), strictMode), 0);
    EXPECT_EQ(missing.foundPath, "");
}

TEST(EnumFiles, NullPatternDoesNothing)
{
    RecordingEnum found;
    EXPECT_EQ(found.enumerateFrameFiles(nullptr, 0), 0);
    EXPECT_TRUE(found.begins.empty());
}

TEST(EnumFiles, StrictModeAcceptsOnlyNamesThePatternProduces)
{
    ScratchDirectory dir;
    for (const char* name : {"f_0001.vdb", "f_0002.vdb", "f_1.vdb", "f_00003.vdb", "f_x.vdb", "g_0004.vdb"})
        dir.write(name);
    RecordingEnum strict;
    EXPECT_EQ(strict.enumerateFrameFiles((dir / "f_####.vdb").c_str(), strictMode), 1);
    EXPECT_EQ(strict.sortedFiles(), (std::vector<Call>{{1, dir / "f_0001.vdb"}, {2, dir / "f_0002.vdb"}}));

    RecordingEnum all;
    EXPECT_EQ(all.enumerateFrameFiles((dir / "f_####.vdb").c_str(), EnumFiles::modeAllFiles), 1);
    EXPECT_EQ(all.sortedFiles(), (std::vector<Call>{{3, dir / "f_00003.vdb"},
                                                    {1, dir / "f_0001.vdb"},
                                                    {2, dir / "f_0002.vdb"},
                                                    {1, dir / "f_1.vdb"},
                                                    {kNoFrame, dir / "f_x.vdb"}}));

    RecordingEnum none;
    EXPECT_EQ(none.enumerateFrameFiles((dir / "h_####.vdb").c_str(), strictMode), 0);
    EXPECT_TRUE(none.files.empty());
}

TEST(EnumFiles, ASingleMatchIsReportedWithTheTargetFrame)
{
    ScratchDirectory dir;
    dir.write("f_0042.vdb");
    RecordingEnum found;
    found.targetFrame = 7;
    EXPECT_EQ(found.enumerateFrameFiles((dir / "f_####.vdb").c_str(), strictMode), 1);
    EXPECT_EQ(found.files, (std::vector<Call>{{7, dir / "f_0042.vdb"}}));
}

TEST(EnumFiles, FindsTheTargetFrameOrTheNearestOne)
{
    ScratchDirectory dir;
    for (const char* name : {"f_0001.vdb", "f_0005.vdb", "f_0008.vdb", "f_0020.vdb"})
        dir.write(name);
    const std::string pattern = dir / "f_####.vdb";

    EnumFiles exact;
    exact.targetFrame = 5;
    EXPECT_EQ(exact.enumerateFrameFiles(pattern.c_str(), strictMode), 1);
    EXPECT_EQ(exact.foundPath, dir / "f_0005.vdb");
    EXPECT_EQ(exact.foundFrame, 5);

    EnumFiles absent;
    absent.targetFrame = 6;
    EXPECT_EQ(absent.enumerateFrameFiles(pattern.c_str(), strictMode), 1);
    EXPECT_EQ(absent.foundPath, "");

    EnumFiles nearest;
    nearest.exact = false;
    nearest.targetFrame = 12;
    EXPECT_EQ(nearest.enumerateFrameFiles(pattern.c_str(), strictMode), 1);
    EXPECT_EQ(nearest.foundPath, dir / "f_0008.vdb");
    EXPECT_EQ(nearest.foundFrame, 8);
}

TEST(EnumFiles, NearestFrameKeepsTheFirstOnATie)
{
    EnumFiles choice;
    choice.exact = false;
    choice.targetFrame = 4;
    choice.onFrameFile(kNoFrame, "ignored");
    EXPECT_EQ(choice.foundPath, "");
    choice.onFrameFile(5, "five");
    choice.onFrameFile(3, "three");
    EXPECT_EQ(choice.foundPath, "five");
    choice.onFrameFile(4, "four");
    choice.onFrameFile(4, "four again");
    EXPECT_EQ(choice.foundPath, "four");
    EXPECT_EQ(choice.foundFrame, 4);

    EnumFiles far;  // distances beyond the int range
    far.exact = false;
    far.targetFrame = -2000000000;
    far.onFrameFile(2000000000, "high");
    far.onFrameFile(0, "middle");
    EXPECT_EQ(far.foundPath, "middle");
}

TEST(EnumFiles, TargetModeLooksForTheOneExpandedName)
{
    ScratchDirectory dir;
    dir.write("f_0003.vdb");
    dir.write("f_0004.vdb");
    EnumFiles found;
    found.targetFrame = 3;
    EXPECT_EQ(found.enumerateFrameFiles((dir / "f_####.vdb").c_str(), EnumFiles::modeTargetFrame), 1);
    EXPECT_EQ(found.foundPath, dir / "f_0003.vdb");

    EnumFiles missing;
    missing.targetFrame = 9;
    EXPECT_EQ(missing.enumerateFrameFiles((dir / "f_####.vdb").c_str(), EnumFiles::modeTargetFrame), 1);
    EXPECT_EQ(missing.foundPath, "");
}

TEST(EnumFiles, CacheFilesMayCarryUnpaddedFrameNumbers)
{
    ScratchDirectory dir;
    for (const char* name : {"s_1.ovr", "s_2.ovr", "s_10.ovr", "s_1.vdb", "s_2.vdb"})
        dir.write(name);

    EnumFiles cache;
    cache.targetFrame = 10;
    EXPECT_EQ(cache.enumerateFrameFiles((dir / "s_####.ovr").c_str(), strictMode), 1);
    EXPECT_EQ(cache.foundPath, dir / "s_10.ovr");

    RecordingEnum all;  // collects nothing, so the marker pass offers every unpadded file too
    all.enumerateFrameFiles((dir / "s_%04d.ovr").c_str(), strictMode);
    EXPECT_EQ(all.sortedFiles(), (std::vector<Call>{{1, dir / "s_1.ovr"}, {10, dir / "s_10.ovr"}, {2, dir / "s_2.ovr"}}));

    EnumFiles volume;  // other extensions get no second pass
    volume.targetFrame = 2;
    EXPECT_EQ(volume.enumerateFrameFiles((dir / "s_####.vdb").c_str(), strictMode), 1);
    EXPECT_EQ(volume.foundPath, "");
}

}  // namespace
