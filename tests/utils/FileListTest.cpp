#include "utils/FileList.h"

#include "tests/platform/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <sys/stat.h>

namespace {

std::set<std::string> names(const FileList& list)
{
    std::set<std::string> result;
    for (int i = 0; i < list.count(); ++i)
        result.insert(list.name(i));
    return result;
}

TEST(FileList, ListsMatchesWithTheDirectoryPartOfThePattern)
{
    ScratchDirectory dir;
    dir.write("f_0001.vdb");
    dir.write("f_0002.vdb");
    dir.write("f_0002.ovr");
    dir.write("g_0001.vdb");
    mkdir((dir / "f_dir.vdb").c_str(), 0755);

    FileList list((dir / "f_*.vdb").c_str());
    EXPECT_EQ(names(list), (std::set<std::string>{dir / "f_0001.vdb", dir / "f_0002.vdb", dir / "f_dir.vdb"}));

    ASSERT_TRUE(list.list((dir / "?_0001.vdb").c_str()));
    EXPECT_EQ(names(list), (std::set<std::string>{dir / "f_0001.vdb", dir / "g_0001.vdb"}));
}

TEST(FileList, LeavesOutDotAndNamesBeginningWithTwoDots)
{
    ScratchDirectory dir;
    dir.write("..hidden");
    dir.write(".single");
    dir.write("visible");
    FileList list((dir / "*").c_str());
    EXPECT_EQ(names(list), (std::set<std::string>{dir / ".single", dir / "visible"}));
}

TEST(FileList, FailureKeepsThePreviousContent)
{
    ScratchDirectory dir;
    dir.write("a.txt");
    FileList list;
    EXPECT_FALSE(list.list((dir / "*.none").c_str()));
    EXPECT_EQ(list.count(), 0);

    ASSERT_TRUE(list.list((dir / "*.txt").c_str()));
    EXPECT_FALSE(list.list((dir / "missing/*").c_str()));
    EXPECT_FALSE(list.list(nullptr));
    EXPECT_EQ(names(list), (std::set<std::string>{dir / "a.txt"}));

    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.name(0), nullptr);
    EXPECT_EQ(list.name(-1), nullptr);
}

TEST(FileList, SortsByteWise)
{
    ScratchDirectory dir;
    for (const char* name : {"b", "\xC3\xA9", "B", "a", "ab"})
        dir.write(name);
    FileList list((dir / "*").c_str());
    list.sort();
    ASSERT_EQ(list.count(), 5);
    const char* expected[] = {"B", "a", "ab", "b", "\xC3\xA9"};  // upper case and ASCII before high bytes
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(std::string(list.name(i)), dir / expected[i]);
}

TEST(FileList, ListsTheCurrentDirectoryForAPatternWithoutDirectory)
{
    ScratchDirectory dir;
    dir.write("only_here.cfg");
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    FileList list("*.cfg");
    EXPECT_EQ(chdir(previous), 0);
    EXPECT_EQ(names(list), std::set<std::string>{"only_here.cfg"});
}

}  // namespace
