#include "utils/PathListSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const char* list)
{
    std::vector<std::string> entries;
    PathListSplitter splitter;
    for (const char* entry = splitter.first(list); entry; entry = splitter.next())
        entries.push_back(entry);
    return entries;
}

using Entries = std::vector<std::string>;

TEST(PathListSplitter, SkipsEmptyEntries)
{
    EXPECT_EQ(split("ab;;cd;efg"), (Entries{"ab", "cd", "efg"}));
    EXPECT_EQ(split("abc;"), (Entries{"abc"}));
    EXPECT_EQ(split(";;abc;;"), (Entries{"abc"}));
    EXPECT_EQ(split("plugins;more\\"), (Entries{"plugins", "more\\"}));
    EXPECT_EQ(split(""), Entries{});
    EXPECT_EQ(split(";;;"), Entries{});
    EXPECT_EQ(split(nullptr), Entries{});
}

TEST(PathListSplitter, OneCharacterEntriesCountWhereverTheyStand)
{
    EXPECT_EQ(split("a;b"), (Entries{"a", "b"}));
    EXPECT_EQ(split("a"), (Entries{"a"}));
    EXPECT_EQ(split(";x;y;"), (Entries{"x", "y"}));
}

TEST(PathListSplitter, CutsLongEntriesAndLongLists)
{
    const std::string longEntry(1500, 'p');
    EXPECT_EQ(split((longEntry + ";b").c_str()), (Entries{longEntry.substr(0, 1023), "b"}));

    // Only the first 51200 characters are looked at: an entry behind them is not seen.
    std::string list(51199, ';');
    list += "ab;cd";
    EXPECT_EQ(split(list.c_str()), (Entries{"a"}));
}

TEST(PathListSplitter, FirstRestartsOnANewList)
{
    PathListSplitter splitter;
    EXPECT_STREQ(splitter.first("a;b"), "a");
    EXPECT_STREQ(splitter.first("c"), "c");
    EXPECT_EQ(splitter.next(), nullptr);
    EXPECT_EQ(splitter.next(), nullptr);
}

}  // namespace
