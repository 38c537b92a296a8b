#include "utils/FileQueries.h"

#include "platform/Directories.h"
#include "tests/platform/ScratchDirectory.h"
#include "utils/UtfConversion.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(FileQueries, ModificationTimeOrZero)
{
    ScratchDirectory dir;
    const std::string file = dir.write("frame.ovr");
    const int64_t modification = 1520413503;
    ASSERT_TRUE(ZUtils::setFileTimes(file.c_str(), nullptr, &modification));
    EXPECT_EQ(getFileModificationTime(file.c_str()), modification);
    EXPECT_EQ(getFileModificationTime((dir / "missing.ovr").c_str()), 0);
    EXPECT_EQ(getFileModificationTime(nullptr), 0);
}

TEST(FileQueries, MissingFilesAreReportedAsSuch)
{
    ScratchDirectory dir;
    const std::string missing = dir / "missing";
    int64_t size = -1;
    EXPECT_FALSE(ZUtils::getFileSize(missing.c_str(), size));
    EXPECT_EQ(size, -1);
    EXPECT_EQ(ZUtils::getFileAttributes(missing.c_str()), ZUtils::invalidFileAttributes);
    EXPECT_FALSE(ZUtils::getFileTimes(missing.c_str(), nullptr, nullptr, nullptr));
    EXPECT_TRUE(ZUtils::getFileSize(dir.write("present", "12345").c_str(), size));
    EXPECT_EQ(size, 5);
}

TEST(FileQueries, DirectoriesInUtf16)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(wideToUtf8(ZUtils::getCurrentDirectory()), cwd);
    EXPECT_EQ(wideToUtf8(ZUtils::getTemporaryDirectory()), Platform::temporaryDirectory());
}

}  // namespace
