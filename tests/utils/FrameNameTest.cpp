#include "utils/FrameName.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct ExpandCase {
    const char* pattern;
    int frame;
    const char* replacement;
    const char* expected;
};

class ExpandFrameName : public testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandFrameName, ReplacesEachPlaceholderOfTheFileName)
{
    const ExpandCase& c = GetParam();
    EXPECT_EQ(expandFrameName(c.pattern, c.frame, c.replacement), c.expected)
        << "pattern " << c.pattern << ", frame " << c.frame;
}

const ExpandCase expandCases[] = {
    // hash runs: zero padded, never cut, sign first
    {"smoke_####.ovr", 7, "", "smoke_0007.ovr"},
    {"smoke_####.ovr", 12345, "", "smoke_12345.ovr"},
    {"smoke_####.ovr", -3, "", "smoke_-003.ovr"},
    {"x_###_##.vdb", 5, "", "x_005_05.vdb"},
    {"####################", 7, "", "000000000007"},
    {"#", 0, "", "0"},
    // printf style
    {"img%04d.vdb", 7, "", "img0007.vdb"},
    {"img%4d.vdb", 7, "", "img   7.vdb"},
    {"img%4d.vdb", -5, "", "img  -5.vdb"},
    {"img%04i.vdb", -5, "", "img-005.vdb"},
    {"img%d.vdb", 7, "", "img7.vdb"},
    {"img%D%I.vdb", 7, "", "img77.vdb"},
    {"img%u.vdb", -1, "", "img4294967295.vdb"},
    {"img%3U.vdb", 7, "", "img  7.vdb"},
    {"img%020d.vdb", 7, "", "img000000000007.vdb"},
    {"img%99999999999999d.vdb", 7, "", "img           7.vdb"},
    // frame tags
    {"a<frame03>.vdb", 7, "", "a007.vdb"},
    {"a<frame3>.vdb", 7, "", "a  7.vdb"},
    {"a<frame>.vdb", 7, "", "a7.vdb"},
    // texts that are no placeholder stay unchanged
    {"a<Frame3>.vdb", 7, "", "a<Frame3>.vdb"},
    {"a%%d.vdb", 7, "", "a%%d.vdb"},
    {"a%s.vdb", 7, "", "a%s.vdb"},
    {"a%4.vdb", 7, "", "a%4.vdb"},
    {"a<frame3.vdb", 7, "", "a<frame3.vdb"},
    {"a%", 7, "", "a%"},
    {"a<", 7, "", "a<"},
    // "<" not followed by "frame" hides the next character; an incomplete "<frame" does not
    {"<<frame3>", 7, "", "<<frame3>"},
    {"<#", 7, "", "<#"},
    {"<frame<frame2>", 7, "", "<frame 7"},
    // a "%" that starts no placeholder is text, and the scan goes on right behind it
    {"%%%d", 7, "", "%%7"},
    {"%x%d", 7, "", "%x7"},
    // the directory part is copied as it is
    {"shots_##/f_##.vdb", 5, "", "shots_##/f_05.vdb"},
    {"a%d\\b_#.vdb", 5, "", "a%d\\b_5.vdb"},
    // no-frame value: the replacement's first 15 characters
    {"f_####.vdb", kNoFrame, "*", "f_*.vdb"},
    {"f_#_%d.vdb", kNoFrame, "#", "f_#_#.vdb"},
    {"f_#.vdb", kNoFrame, "0123456789abcdefgh", "f_0123456789abcde.vdb"},
    {"f_#.vdb", kNoFrame, nullptr, "f_.vdb"},
    // the one number without a signed form
    {"f_####.vdb", INT_MIN, "", "f_.vdb"},
    {"f_%u.vdb", INT_MIN, "", "f_.vdb"},
    {"f_#.vdb", INT_MAX - 1, "", "f_2147483646.vdb"},
};

INSTANTIATE_TEST_SUITE_P(Table, ExpandFrameName, testing::ValuesIn(expandCases));

TEST(ExpandFrameNameTest, NullPatternGivesEmptyString)
{
    EXPECT_EQ(expandFrameName(nullptr, 7, "*"), "");
}

TEST(HasFrameNumberPattern, RecognisesPlaceholdersAnywhere)
{
    for (const char* yes : {"#", "a_####.ovr", "%d", "img%04u.vdb", "a<frame>", "a<frame0123456789012345>.x",
                            "%123456789012345i", "shots_##/f.vdb", "%%%d", "a<x<frame>"})
        EXPECT_TRUE(hasFrameNumberPattern(yes)) << yes;
    for (const char* no : {"", "plain.ovr", "a%%d.vdb", "a%s", "a<Frame3>", "a<frame3", "<<frame>", "%", "<",
                           "a%4.vdb"})
        EXPECT_FALSE(hasFrameNumberPattern(no)) << no;
    EXPECT_FALSE(hasFrameNumberPattern(nullptr));
}

TEST(ParseFrameNumber, ReadsTheLastDigitRunBeforeTheExtension)
{
    struct {
        const char* name;
        int expected;
    } cases[] = {
        {"f_0012.vdb", 12},
        {"dir/f_0012.vdb", 12},
        {"f_0012_v2.vdb", 2},
        {"f-0012.vdb", -12},
        {"f--5.vdb", -5},
        {"5.vdb", 5},
        {"a1.b2.vdb", 2},
        {"f_0000.vdb", 0},
        {"f_2147483646.ovr", 2147483646},
        {"f_-2147483648.ovr", INT_MIN},
        {"dir.x/file", kNoFrame},
        {"f_0012", kNoFrame},
        {"noNumber.vdb", kNoFrame},
        {"dir7/f.vdb", kNoFrame},
        {"dir7\\f.vdb", kNoFrame},
        {".vdb", kNoFrame},
        {"f_2147483648.vdb", kNoFrame},
        {"f_99999999999999999999999.vdb", kNoFrame},
        {"", kNoFrame},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseFrameNumber(c.name), c.expected) << c.name;
    EXPECT_EQ(parseFrameNumber(nullptr), kNoFrame);
}

TEST(ParseFrameNumber, ReadsBackWhatExpandWrote)
{
    const struct {
        const char* pattern;
        bool signedNumbers;
    } patterns[] = {{"dir/s_####.ovr", true}, {"a%d.vdb", true}, {"a<frame06>.f3d", true}, {"x%u.vdb", false}};
    for (const auto& p : patterns) {
        for (int frame : {0, 1, 7, 42, 999, 10000, 2147483646, -1, -250}) {
            if (frame < 0 && !p.signedNumbers)
                continue;
            EXPECT_EQ(parseFrameNumber(expandFrameName(p.pattern, frame, "").c_str()), frame) << p.pattern;
        }
    }
}

TEST(GetFileExtension, LowersLettersAfterTheLastDot)
{
    EXPECT_EQ(getFileExtension("a.b/File.VDB"), "vdb");
    EXPECT_EQ(getFileExtension("a.b/file"), "b/file");
    EXPECT_EQ(getFileExtension("x.Ovr"), "ovr");
    EXPECT_EQ(getFileExtension("x.\xC9Z1"), "\xC9z1");
    EXPECT_EQ(getFileExtension("x."), "");
    EXPECT_EQ(getFileExtension("noext"), "");
    EXPECT_EQ(getFileExtension(nullptr), "");
}

}  // namespace
