#include "utils/EnumFiles.h"

#include "tests/platform/ScratchDirectory.h"
#include "utils/FrameName.h"

using FumaraEnum::EnumFiles;

TEST(EnumFiles, KeepsTheTargetFrameOrTheNearestOneOfTheFilesTheModeAccepts) {
    ScratchDirectory d;
    for (const char* name : {"f_0001.v", "f_0005.v", "f_0008.v", "f_0020.v", "f_00003.v", "f_x.v", "s_1.ovr", "s_10.ovr",
                             "s_1.v", "s_2.v"}) d.write(name);
    const int strict = -1, all = EnumFiles::modeAllFiles, target = EnumFiles::modeTargetFrame;  // strict as listings
    const std::tuple<const char*, int, int, bool, int, const char*, int> cases[] = {
        // pattern, mode, target frame, exact, result, found file (null: none), found frame
        {"f_####.v", strict, 5, true, 1, "f_0005.v", 5}, {"f_####.v", strict, 6, true, 1, nullptr, 0},
        {"f_####.v", strict, 12, false, 1, "f_0008.v", 8}, {"f_####.v", target, 8, true, 1, "f_0008.v", 8},
        {"f_####.v", target, 9, true, 1, nullptr, 0}, {"h_####.v", strict, 1, true, 0, nullptr, 0},
        {"f_####.v", strict, 3, true, 1, nullptr, 0}, {"f_####.v", all, 3, true, 1, "f_00003.v", 3},
        {"f_002#.v", strict, 7, true, 1, "f_0020.v", 7},  // a single match stands for the target frame
        // without placeholder: the pattern itself when anything matches it
        {"s_1.ovr", 0, 1, true, 1, "s_1.ovr", INT_MIN}, {"s_*.ovr", 0, 1, true, 1, "s_*.ovr", INT_MIN},
        {"s_3.ovr", 0, 1, true, 0, nullptr, 0},
        // cache files may carry unpadded frame numbers; other files get no second look
        {"s_####.ovr", strict, 10, true, 1, "s_10.ovr", 10}, {"s_%04d.ovr", strict, 1, true, 1, "s_1.ovr", 1},
        {"s_####.v", strict, 2, true, 1, nullptr, 0}};
    for (const auto& [pattern, mode, frame, exact, result, found, foundFrame] : cases) {
        EnumFiles search;
        search.targetFrame = frame, search.exact = exact, search.foundPath = "left over";
        EXPECT_EQ(search.enumerateFrameFiles((d / pattern).c_str(), mode), result) << pattern;
        EXPECT_TRUE(search.foundPath == (found ? d / found : "") && (!found || search.foundFrame == foundFrame))
            << pattern << " " << frame << ": " << search.foundPath << " " << search.foundFrame;
    }
    EXPECT_EQ(EnumFiles().enumerateFrameFiles(nullptr, 0), 0);
    const std::tuple<int, std::vector<std::pair<int, const char*>>, const char*> nearest[] = {  // the first stays on a tie
        {4, {{kNoFrame, "none"}, {5, "5"}, {3, "3"}}, "5"}, {4, {{5, "5"}, {4, "4"}, {4, "4 again"}}, "4"},
        {-2000000000, {{2000000000, "high"}, {0, "middle"}}, "middle"}};  // distances beyond the int range
    for (const auto& [target, files, found] : nearest) {
        EnumFiles choice;
        choice.exact = false, choice.targetFrame = target;
        for (const auto& [frame, name] : files) choice.onFrameFile(frame, name);
        EXPECT_EQ(choice.foundPath, found) << target;
    }
}
