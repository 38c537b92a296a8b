#include "utils/FileOps.h"

#include "tests/platform/ScratchDirectory.h"
#include "utils/UtfConversion.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace {

using ZUtils::ErrorChain;

bool isDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Checks one record of a chain.
void expectRecord(const ErrorChain& record, const char* function, int code, const std::string& message)
{
    ASSERT_TRUE(record);
    EXPECT_STREQ(record->function, function);
    EXPECT_EQ(record->code, code);
    EXPECT_EQ(std::string(record->message), message);
}

TEST(CreatePath, CreatesEveryMissingDirectory)
{
    ScratchDirectory dir;
    EXPECT_FALSE(ZUtils::createPath((dir / "a/b//c/").c_str()));
    EXPECT_TRUE(isDirectory(dir / "a/b/c"));
    EXPECT_FALSE(ZUtils::createPath((dir / "a/b/c").c_str()));  // already there: no error

    std::string longest = dir.path() + "/";
    longest += std::string(259 - longest.size(), 'n');
    EXPECT_FALSE(ZUtils::createPath(longest.c_str()));
    EXPECT_TRUE(isDirectory(longest));
}

TEST(CreatePath, ReportsWhyAndWhere)
{
    ScratchDirectory dir;
    expectRecord(ZUtils::createPath(""), "ZUtils::createPath", EINVAL, "Empty string argument");
    expectRecord(ZUtils::createPath(nullptr), "ZUtils::createPath", EINVAL, "Empty string argument");
    expectRecord(ZUtils::createPath(std::string(260, 'x').c_str()), "ZUtils::createPath", ENAMETOOLONG,
                 "Path length exceeds MAX_PATH");

    // A file where a directory should be: the record names it and links the failed call's record.
    const std::string file = dir.write("file");
    ErrorChain blocked = ZUtils::createPath((file + "/sub/deeper").c_str());
    expectRecord(blocked, "ZUtils::createPath", EEXIST, "mkdir " + file + " (17) File exists");
    ASSERT_TRUE(blocked);
    expectRecord(blocked->next, "ZUtils::uniMakeDir2", EEXIST, "(17) File exists");
    EXPECT_FALSE(blocked->next->next);
    EXPECT_FALSE(exists(file + "/sub"));
}

TEST(CopyFile, CopiesThroughBufferedFilesWhateverTheSize)
{
    ScratchDirectory dir;
    for (size_t size : {size_t(0), size_t(1), size_t(1024), size_t(3001)}) {
        std::string content;
        for (size_t i = 0; i < size; ++i)
            content += static_cast<char>(i * 31 + size);
        const std::string source = dir.write("source", content);
        dir.write("target", "previous content that is longer than some copies");
        EXPECT_FALSE(ZUtils::copyFile(source.c_str(), (dir / "target").c_str()));
        EXPECT_EQ(readFile(dir / "target"), content) << size;
    }
}

TEST(CopyFile, ReportsOpenErrorsAndNeverEmptiesTheSource)
{
    ScratchDirectory dir;
    const std::string source = dir.write("source", "data");
    const std::string missing = dir / "missing";
    expectRecord(ZUtils::copyFile(missing.c_str(), (dir / "x").c_str()), "ZUtils::copyFile", ENOENT,
                 "Open error " + missing);
    const std::string nowhere = dir / "no/dir/target";
    expectRecord(ZUtils::copyFile(source.c_str(), nowhere.c_str()), "ZUtils::copyFile", ENOENT,
                 "Open error " + nowhere);

    expectRecord(ZUtils::copyFile(source.c_str(), source.c_str()), "ZUtils::copyFile", EINVAL,
                 "Open error " + source);
    EXPECT_EQ(readFile(source), "data");
}

TEST(FileOps, OperatingSystemCallsReportTheSystemErrorText)
{
    ScratchDirectory dir;
    const std::string source = dir.write("source", "data");
    const std::string copy = dir / "copy";
    EXPECT_FALSE(ZUtils::copyFileOS(source.c_str(), copy.c_str()));
    EXPECT_EQ(readFile(copy), "data");
    expectRecord(ZUtils::copyFileOS(source.c_str(), copy.c_str(), true), "ZUtils::copyFileOS", EEXIST,
                 "(17) File exists");

    EXPECT_FALSE(ZUtils::moveFileOS(copy.c_str(), (dir / "moved").c_str()));
    EXPECT_EQ(readFile(dir / "moved"), "data");
    expectRecord(ZUtils::moveFileOS(copy.c_str(), (dir / "x").c_str()), "ZUtils::moveFileOS", ENOENT,
                 "(2) No such file or directory");
    expectRecord(ZUtils::moveFileOS(source.c_str(), (dir / "moved").c_str()), "ZUtils::moveFileOS", EEXIST,
                 "(17) File exists");

    EXPECT_FALSE(ZUtils::deleteFile((dir / "moved").c_str()));
    EXPECT_FALSE(exists(dir / "moved"));
    expectRecord(ZUtils::deleteFile((dir / "moved").c_str()), "ZUtils::deleteFile", ENOENT,
                 "(2) No such file or directory");
}

TEST(FileOps, WidePathFunctionsKeepEveryByteOfTheName)
{
    ScratchDirectory dir;
    const std::string name = dir / "caf\xE9-\xE2\x82\xAC";  // one byte that is no UTF-8, then a Euro sign
    const std::u16string wide = utf8ToWide(name);
    EXPECT_FALSE(ZUtils::uniMakeDir2(wide.c_str()));
    EXPECT_TRUE(isDirectory(name));
    expectRecord(ZUtils::uniMakeDir2(wide.c_str()), "ZUtils::uniMakeDir2", EEXIST, "(17) File exists");

    dir.write("caf\xE9-\xE2\x82\xAC/inner");
    expectRecord(ZUtils::uniRemoveDir(wide.c_str()), "ZUtils::uniRemoveDir", ENOTEMPTY,
                 "(39) Directory not empty");
    EXPECT_FALSE(ZUtils::uniRemoveFile(utf8ToWide(name + "/inner").c_str()));
    EXPECT_FALSE(ZUtils::uniRemoveDir(wide.c_str()));
    EXPECT_FALSE(exists(name));
    expectRecord(ZUtils::uniRemoveFile(wide.c_str()), "ZUtils::uniRemoveFile", ENOENT,
                 "(2) No such file or directory");

    for (const char16_t* empty : {static_cast<const char16_t*>(nullptr), u""}) {
        expectRecord(ZUtils::uniRemoveDir(empty), "ZUtils::uniRemoveDir", EINVAL, "Empty string argument");
        expectRecord(ZUtils::uniRemoveFile(empty), "ZUtils::uniRemoveFile", EINVAL, "Empty string argument");
    }
    expectRecord(ZUtils::uniMakeDir2(nullptr), "ZUtils::uniMakeDir2", ENOENT, "(2) No such file or directory");
}

// Points the user's trash into a scratch directory for the time of a test.
class RecycleFileOS : public testing::Test {
protected:
    void SetUp() override
    {
        const char* previous = std::getenv("XDG_DATA_HOME");
        m_hadDataHome = previous != nullptr;
        m_previousDataHome = previous ? previous : "";
        setenv("XDG_DATA_HOME", (m_dir / "data").c_str(), 1);
    }

    void TearDown() override
    {
        if (m_hadDataHome)
            setenv("XDG_DATA_HOME", m_previousDataHome.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }

    std::string trash(const std::string& name) const { return m_dir / ("data/Trash/" + name); }

    ScratchDirectory m_dir;
    bool m_hadDataHome = false;
    std::string m_previousDataHome;
};

TEST_F(RecycleFileOS, MovesTheFileIntoTheTrashWithItsOrigin)
{
    const std::string file = m_dir.write("old frame.ovr", "frame");
    EXPECT_FALSE(ZUtils::recycleFileOS(file.c_str()));
    EXPECT_FALSE(exists(file));
    EXPECT_EQ(readFile(trash("files/old frame.ovr")), "frame");

    const std::string info = readFile(trash("info/old frame.ovr.trashinfo"));
    const std::string head = "[Trash Info]\nPath=" + m_dir.path() + "/old%20frame.ovr\nDeletionDate=";
    ASSERT_EQ(info.compare(0, head.size(), head), 0) << info;
    const std::string date = info.substr(head.size());
    EXPECT_EQ(date.size(), 20u) << date;  // YYYY-MM-DDThh:mm:ss and the newline
    EXPECT_EQ(date[10], 'T');

    // The same name again gets a free name of its own.
    m_dir.write("old frame.ovr", "second");
    EXPECT_FALSE(ZUtils::recycleFileOS(file.c_str()));
    EXPECT_EQ(readFile(trash("files/old frame.ovr")), "frame");
    EXPECT_EQ(readFile(trash("files/old frame.ovr.2")), "second");
    EXPECT_TRUE(exists(trash("info/old frame.ovr.2.trashinfo")));
}

TEST_F(RecycleFileOS, TrashesDirectoriesAndRelativePaths)
{
    ASSERT_EQ(mkdir((m_dir / "cache").c_str(), 0755), 0);
    m_dir.write("cache/a.ovr");
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(m_dir.path().c_str()), 0);
    ZUtils::ErrorChain error = ZUtils::recycleFileOS("cache/");
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_FALSE(error);
    EXPECT_TRUE(exists(trash("files/cache/a.ovr")));
    EXPECT_NE(readFile(trash("info/cache.trashinfo")).find("Path=" + m_dir.path() + "/cache\n"), std::string::npos);
}

TEST_F(RecycleFileOS, ReportsEmptyAndMissingPaths)
{
    expectRecord(ZUtils::recycleFileOS(""), "ZUtils::recycleFileOS", EINVAL, "Empty string argument");
    expectRecord(ZUtils::recycleFileOS(nullptr), "ZUtils::recycleFileOS", EINVAL, "Empty string argument");
    expectRecord(ZUtils::recycleFileOS((m_dir / "missing").c_str()), "ZUtils::recycleFileOS", ENOENT,
                 "(2) No such file or directory");
    EXPECT_FALSE(exists(trash("info/missing.trashinfo")));
}

}  // namespace
