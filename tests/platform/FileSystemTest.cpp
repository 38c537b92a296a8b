#include "platform/Directories.h"
#include "platform/FileSystem.h"
#include "platform/FileSystemListing.h"
#include "platform/FileSystemTrash.h"

#include "tests/platform/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::set<std::string> listing(const std::string& pattern)
{
    std::set<std::string> names;
    Platform::DirectoryListing list;
    std::string name;
    for (bool more = list.first(pattern.c_str(), name); more; more = list.next(name))
        EXPECT_TRUE(names.insert(name).second) << name << " listed twice";
    return names;
}

using Names = std::set<std::string>;

TEST(DirectoryListing, MatchesStarAndQuestionMarkOnTheNamePart)
{
    ScratchDirectory dir;
    for (const char* name : {"a.vdb", "ab.vdb", "abc.vdb", "b.vdb", "abc.ovr", "[x].vdb", "a*b"})
        dir.write(name);
    EXPECT_EQ(listing(dir / "a*.vdb"), (Names{"a.vdb", "ab.vdb", "abc.vdb"}));
    EXPECT_EQ(listing(dir / "a?.vdb"), (Names{"ab.vdb"}));
    EXPECT_EQ(listing(dir / "*b*.*"), (Names{"ab.vdb", "abc.vdb", "b.vdb", "abc.ovr"}));
    EXPECT_EQ(listing(dir / "[x].vdb"), (Names{"[x].vdb"}));  // brackets are plain characters
    EXPECT_EQ(listing(dir / "a*b"), (Names{"a*b", "a.vdb", "ab.vdb", "abc.vdb"}));
    EXPECT_EQ(listing(dir / "abc.ovr"), (Names{"abc.ovr"}));
    EXPECT_EQ(listing(dir / "*"), (Names{".", "..", "a.vdb", "ab.vdb", "abc.vdb", "b.vdb", "abc.ovr", "[x].vdb", "a*b"}));
}

TEST(DirectoryListing, FailsWithoutMatchOrDirectory)
{
    ScratchDirectory dir;
    dir.write("a.vdb");
    std::string name = "unchanged";
    Platform::DirectoryListing list;
    EXPECT_FALSE(list.first((dir / "*.ovr").c_str(), name));
    EXPECT_FALSE(list.first((dir / "missing/*").c_str(), name));
    EXPECT_FALSE(list.first((dir / "").c_str(), name));  // no name part
    EXPECT_FALSE(list.first(nullptr, name));
    EXPECT_FALSE(list.next(name));
    EXPECT_EQ(name, "unchanged");
}

TEST(FileSystem, ReportsStatusAndAttributes)
{
    ScratchDirectory dir;
    const std::string file = dir.write("data.bin", std::string(1234, 'x'));
    Platform::FileStatus status;
    ASSERT_TRUE(Platform::fileStatus(file.c_str(), status));
    EXPECT_EQ(status.size, 1234);
    EXPECT_EQ(status.attributes, uint32_t(Platform::fileAttributeNormal));
    EXPECT_NEAR(double(status.modificationTime), double(time(nullptr)), 60.0);

    ASSERT_TRUE(Platform::fileStatus(dir.path().c_str(), status));
    EXPECT_EQ(status.attributes, uint32_t(Platform::fileAttributeDirectory));

    const std::string hidden = dir.write(".hidden");
    ASSERT_EQ(chmod(hidden.c_str(), 0444), 0);
    ASSERT_TRUE(Platform::fileStatus(hidden.c_str(), status));
    EXPECT_EQ(status.attributes, uint32_t(Platform::fileAttributeHidden | Platform::fileAttributeReadOnly));

    EXPECT_FALSE(Platform::fileStatus((dir / "missing").c_str(), status));
    EXPECT_FALSE(Platform::fileStatus(nullptr, status));
    EXPECT_TRUE(Platform::pathExists(file.c_str()));
    EXPECT_FALSE(Platform::pathExists((dir / "missing").c_str()));
}

TEST(FileSystem, SetsTheTimesItIsGiven)
{
    ScratchDirectory dir;
    const std::string file = dir.write("t");
    const int64_t access = 1000000000, modification = 1500000000, later = 1600000000;
    ASSERT_EQ(Platform::setFileTimes(file.c_str(), &access, &modification), 0);
    Platform::FileStatus status;
    ASSERT_TRUE(Platform::fileStatus(file.c_str(), status));
    EXPECT_EQ(status.accessTime, access);
    EXPECT_EQ(status.modificationTime, modification);

    ASSERT_EQ(Platform::setFileTimes(file.c_str(), nullptr, &later), 0);
    ASSERT_TRUE(Platform::fileStatus(file.c_str(), status));
    EXPECT_EQ(status.accessTime, access);
    EXPECT_EQ(status.modificationTime, later);
    EXPECT_EQ(Platform::setFileTimes((dir / "missing").c_str(), &access, nullptr), ENOENT);
}

TEST(FileSystem, CopiesContentPermissionsAndModificationTime)
{
    ScratchDirectory dir;
    std::string content;
    for (int i = 0; i < 200000; ++i)
        content += static_cast<char>(i * 7);
    const std::string source = dir.write("source", content);
    ASSERT_EQ(chmod(source.c_str(), 0640), 0);
    const int64_t modification = 1234567890;
    ASSERT_EQ(Platform::setFileTimes(source.c_str(), nullptr, &modification), 0);

    const std::string copy = dir / "copy";
    ASSERT_EQ(Platform::copyFile(source.c_str(), copy.c_str(), true), 0);
    EXPECT_EQ(readFile(copy), content);
    struct stat info;
    ASSERT_EQ(stat(copy.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_mtime, modification);

    dir.write("other", "old");
    EXPECT_EQ(Platform::copyFile(source.c_str(), (dir / "other").c_str(), true), EEXIST);
    EXPECT_EQ(readFile(dir / "other"), "old");
    EXPECT_EQ(Platform::copyFile(source.c_str(), (dir / "other").c_str(), false), 0);
    EXPECT_EQ(readFile(dir / "other"), content);

    EXPECT_EQ(Platform::copyFile((dir / "missing").c_str(), (dir / "x").c_str(), false), ENOENT);
    EXPECT_EQ(Platform::copyFile(dir.path().c_str(), (dir / "x").c_str(), false), EISDIR);
    EXPECT_FALSE(Platform::pathExists((dir / "x").c_str()));
}

TEST(FileSystem, RefusesToCopyAFileOntoItself)
{
    ScratchDirectory dir;
    const std::string file = dir.write("self", "precious");
    ASSERT_EQ(symlink(file.c_str(), (dir / "link").c_str()), 0);
    EXPECT_NE(Platform::copyFile(file.c_str(), file.c_str(), false), 0);
    EXPECT_NE(Platform::copyFile(file.c_str(), (dir / "link").c_str(), false), 0);
    EXPECT_EQ(readFile(file), "precious");
    EXPECT_TRUE(Platform::isSameFile(file.c_str(), (dir / "link").c_str()));
    EXPECT_FALSE(Platform::isSameFile(file.c_str(), dir.path().c_str()));
}

TEST(FileSystem, MovesWithoutReplacing)
{
    ScratchDirectory dir;
    const std::string file = dir.write("a", "moved");
    ASSERT_EQ(Platform::moveFile(file.c_str(), (dir / "b").c_str()), 0);
    EXPECT_FALSE(Platform::pathExists(file.c_str()));
    EXPECT_EQ(readFile(dir / "b"), "moved");

    dir.write("c", "kept");
    EXPECT_EQ(Platform::moveFile((dir / "b").c_str(), (dir / "c").c_str()), EEXIST);
    EXPECT_EQ(readFile(dir / "b"), "moved");
    EXPECT_EQ(readFile(dir / "c"), "kept");
    EXPECT_EQ(Platform::moveFile((dir / "missing").c_str(), (dir / "d").c_str()), ENOENT);
}

TEST(FileSystem, MovesAFileToAnotherFileSystem)
{
    // /dev/shm is a memory file system of its own on most machines.
    struct stat shm, tmp;
    ScratchDirectory dir;
    if (stat("/dev/shm", &shm) != 0 || stat(dir.path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    const std::string file = dir.write("across", "content");
    const std::string target = "/dev/shm/ovr_move_test_" + std::to_string(getpid());
    ASSERT_EQ(Platform::moveFile(file.c_str(), target.c_str()), 0);
    EXPECT_FALSE(Platform::pathExists(file.c_str()));
    EXPECT_EQ(readFile(target), "content");
    EXPECT_EQ(Platform::removeFile(target.c_str()), 0);
}

TEST(FileSystem, MakesAndRemovesDirectoriesAndFiles)
{
    ScratchDirectory dir;
    const std::string sub = dir / "sub";
    EXPECT_EQ(Platform::makeDirectory(sub.c_str()), 0);
    EXPECT_EQ(Platform::makeDirectory(sub.c_str()), EEXIST);
    const std::string file = dir.write("sub/f");
    EXPECT_EQ(Platform::removeDirectory(sub.c_str()), ENOTEMPTY);
    EXPECT_EQ(Platform::removeFile(file.c_str()), 0);
    EXPECT_EQ(Platform::removeFile(file.c_str()), ENOENT);
    EXPECT_EQ(Platform::removeDirectory(sub.c_str()), 0);
    EXPECT_EQ(Platform::makeDirectory(nullptr), EINVAL);
}

TEST(FileSystem, ErrorTextsAreEnglishWithTheCode)
{
    EXPECT_EQ(Platform::systemErrorText(0), "");
    EXPECT_EQ(Platform::systemErrorText(ENOENT), "(2) No such file or directory");
    EXPECT_EQ(Platform::runtimeErrorText(EEXIST), "(17) File exists");
}

TEST(Directories, ReportCurrentAndTemporaryDirectory)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(Platform::currentDirectory(), cwd);

    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous ? previous : "";
    setenv("TMPDIR", "/some/where", 1);
    EXPECT_EQ(Platform::temporaryDirectory(), "/some/where/");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(Platform::temporaryDirectory(), "/tmp/");
    if (previous)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

}  // namespace
