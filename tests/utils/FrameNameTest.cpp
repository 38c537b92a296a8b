#include "utils/FrameName.h"

#include <gtest/gtest.h>

TEST(FrameName, ExpandReplacesEachPlaceholderOfTheFileName) {
    const std::tuple<const char*, int, const char*, const char*> cases[] = {  // pattern, frame, replacement, result
        // hash runs: zero padded, never cut, sign first, at most 12 wide
        {"s_####.ovr", 7, "", "s_0007.ovr"}, {"s_####.ovr", 12345, "", "s_12345.ovr"}, {"s_####.ovr", -3, "", "s_-003.ovr"},
        {"x_###_##", 5, "", "x_005_05"}, {"####################", 7, "", "000000000007"}, {"#", 0, "", "0"},
        // printf style: zero padded with the "0", otherwise with spaces
        {"i%04d.v", 7, "", "i0007.v"}, {"i%4d.v", 7, "", "i   7.v"}, {"i%4d.v", -5, "", "i  -5.v"}, {"i%04i", -5, "", "i-005"},
        {"i%d.v", 7, "", "i7.v"}, {"i%D%I.v", 7, "", "i77.v"}, {"i%u.v", -1, "", "i4294967295.v"}, {"i%3U", 7, "", "i  7"},
        {"i%020d", 7, "", "i000000000007"}, {"i%99999999999999d", 7, "", "i           7"},
        {"a<frame03>.v", 7, "", "a007.v"}, {"a<frame3>.v", 7, "", "a  7.v"}, {"a<frame>.v", 7, "", "a7.v"},
        // texts that are no placeholder stay; "<" not followed by "frame" hides the next character
        {"a<Frame3>.v", 7, "", "a<Frame3>.v"}, {"a%%d.v", 7, "", "a%%d.v"}, {"a%s.v", 7, "", "a%s.v"}, {"a%4.v", 7, "", "a%4.v"},
        {"a<frame3.v", 7, "", "a<frame3.v"}, {"a%", 7, "", "a%"}, {"a<", 7, "", "a<"}, {"<<frame3>", 7, "", "<<frame3>"},
        {"<#", 7, "", "<#"}, {"<frame<frame2>", 7, "", "<frame 7"}, {"%%%d", 7, "", "%%7"}, {"%x%d", 7, "", "%x7"},
        // the directory part is copied as it is
        {"shots_##/f_##.v", 5, "", "shots_##/f_05.v"}, {"a%d\\b_#.v", 5, "", "a%d\\b_5.v"},
        // no-frame value: the replacement's first 15 characters; INT_MIN has no signed form
        {"f_####.v", kNoFrame, "*", "f_*.v"}, {"f_#_%d", kNoFrame, "#", "f_#_#"}, {"f_#", kNoFrame, nullptr, "f_"},
        {"f_#", kNoFrame, "0123456789abcdefgh", "f_0123456789abcde"}, {"f_####", INT_MIN, "", "f_"},
        {"f_%u", INT_MIN, "", "f_"}, {"f_#", INT_MAX - 1, "", "f_2147483646"}, {nullptr, 7, "*", ""}};
    for (const auto& [pattern, frame, replacement, result] : cases)
        EXPECT_EQ(expandFrameName(pattern, frame, replacement), result) << pattern << " " << frame;
}

TEST(FrameName, PlaceholdersAreRecognisedAnywhereParseReadsTheLastDigitRunBeforeTheExtension) {
    for (const char* yes : {"#", "a_####.ovr", "%d", "img%04u.vdb", "a<frame>", "a<frame0123456789012345>.x",
                            "%123456789012345i", "shots_##/f.vdb", "%%%d", "a<x<frame>"})
        EXPECT_TRUE(hasFrameNumberPattern(yes)) << yes;
    for (const char* no : {"", "plain.ovr", "a%%d.vdb", "a%s", "a<Frame3>", "a<frame3", "<<frame>", "%", "<", "a%4.vdb",
                           static_cast<const char*>(nullptr)})
        EXPECT_FALSE(hasFrameNumberPattern(no)) << no;
    const std::pair<const char*, int> cases[] = {
        {"f_0012.vdb", 12}, {"dir/f_0012.vdb", 12}, {"f_0012_v2.vdb", 2}, {"f-0012.vdb", -12}, {"f--5.vdb", -5},
        {"5.vdb", 5}, {"a1.b2.vdb", 2}, {"f_0000.vdb", 0}, {"f_2147483646.ovr", 2147483646}, {"f_-2147483648.ovr", INT_MIN},
        {"dir.x/file", kNoFrame}, {"f_0012", kNoFrame}, {"noNumber.vdb", kNoFrame}, {"dir7/f.vdb", kNoFrame},
        {"dir7\\f.vdb", kNoFrame}, {".vdb", kNoFrame}, {"f_2147483648.vdb", kNoFrame}, {"f_99999999999999999999.v", kNoFrame},
        {"", kNoFrame}, {nullptr, kNoFrame}};
    for (const auto& c : cases) EXPECT_EQ(parseFrameNumber(c.first), c.second) << c.first;
    for (const char* pattern : {"dir/s_####.ovr", "a%d.vdb", "a<frame06>.f3d"})  // reads back what expand wrote
        for (int frame : {0, 7, 10000, 2147483646, -1, -250})
            EXPECT_EQ(parseFrameNumber(expandFrameName(pattern, frame, "").c_str()), frame) << pattern;
    const std::pair<const char*, const char*> extensions[] = {{"a.b/File.VDB", "vdb"}, {"a.b/file", "b/file"},
        {"x.Ovr", "ovr"}, {"x.\xC9Z1", "\xC9z1"}, {"x.", ""}, {"noext", ""}, {nullptr, ""}};  // after the last ".", lowered
    for (const auto& e : extensions) EXPECT_EQ(getFileExtension(e.first), e.second) << e.first;
}
