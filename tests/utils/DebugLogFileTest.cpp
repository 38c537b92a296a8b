#include "utils/DebugLogFile.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>

namespace {

// Points the temporary directory (TMPDIR) at a fresh folder for one test.
class ScopedTemporaryDirectory {
public:
    explicit ScopedTemporaryDirectory(const std::string& directory)
        : m_directory(directory), m_tmpdir("TMPDIR", (directory + "//").c_str()) {
        mkdir(directory.c_str(), 0700);
    }
    ~ScopedTemporaryDirectory() { rmdir(m_directory.c_str()); }

private:
    std::string m_directory;
    TestSupport::ScopedEnvironment m_tmpdir;
};

}  // namespace

TEST(DebugLogFile, StartsEmptyAndCollectsAppendedMessages) {
    const std::string directory = TestSupport::scratchPath("dbglog");
    ScopedTemporaryDirectory temporary(directory);
    const std::string path = ZUtils::debugLogFilePath(17);
    EXPECT_EQ(path, directory + "/zento_dbg_log_17");

    ASSERT_TRUE(ZUtils::startDebugLogFile(17));
    EXPECT_EQ(TestSupport::readFile(path), "");
    ZUtils::appendDebugLogFile(17, "frame %d", 4);
    ZUtils::appendDebugLogFile(17, " done\n");
    EXPECT_EQ(TestSupport::readFile(path), "frame 4 done\n");

    ASSERT_TRUE(ZUtils::startDebugLogFile(17));
    EXPECT_EQ(TestSupport::readFile(path), "");
    ZUtils::appendDebugLogFile(17, "%s", std::string(2000, 'k').c_str());
    EXPECT_EQ(TestSupport::readFile(path), std::string(1023, 'k'));
    std::remove(path.c_str());
}

TEST(DebugLogFile, AMissingDirectoryDropsEverything) {
    const std::string directory = TestSupport::scratchPath("dbglog");
    std::string path;
    {
        ScopedTemporaryDirectory temporary(directory);
        rmdir(directory.c_str());
        path = ZUtils::debugLogFilePath(3);
        EXPECT_FALSE(ZUtils::startDebugLogFile(3));
        ZUtils::appendDebugLogFile(3, "lost\n");
    }
    std::FILE* file = std::fopen(path.c_str(), "r");
    EXPECT_EQ(file, nullptr);
    if (file != nullptr) std::fclose(file);
}
