// The utility layer's uses of the system on Windows: the console printer on a stream that is no
// console, the log file under a UTF-8 name with time stamps in local time, runtime file copies,
// and the working set.
#include "platform/FileOpen.h"
#include "tests/windows/WindowsTestSupport.h"
#include "utils/ConsolePrinter.h"
#include "utils/FileOps.h"
#include "utils/Log.h"
#include "utils/TextFormat.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

int64_t pinnedTime() { return 1520413503; }  // 2018-03-07 09:05:03 UTC

// Local time is UTC while a test runs.
class UtcTime {
public:
    UtcTime() {
        _putenv("TZ=UTC0");
        _tzset();
    }
    ~UtcTime() {
        _putenv("TZ=");
        _tzset();
    }
};

}  // namespace

TEST(WindowsConsolePrinter, AStreamThatIsNoConsoleGetsTheTextWithoutColours) {
    ScratchFolder scratch;
    const std::string path = scratch / "console.txt";
    std::FILE* file = Platform::openFile(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::FILE* previous = ZUtils::setConsoleOutput(file);
    zutils_cprint(true, "\x1b[0;31mred\x1b[0m plain \x1b[1;34mcyan");
    zutils_cprintf(false, "%s\x1b[0;32m%d\n", " and", 7);
    int width = -1;
    int height = -1;
    EXPECT_FALSE(ZUtils::consoleSize(width, height));
    EXPECT_EQ(width, -1);
    EXPECT_EQ(ZUtils::consoleWidth(), 80);
    ZUtils::setConsoleOutput(previous);
    std::fclose(file);
    EXPECT_EQ(readAll(path), "red plain cyan and7\n");
}

TEST(WindowsLog, TheLogFileTakesAUtf8NameAndStampsLocalTime) {
    UtcTime utc;
    ScratchFolder scratch;
    const std::string path = scratch / "log \xE2\x82\xAC.txt";
    const ZUtils::LogSettings saved = ZUtils::logSettings();
    ZUtils::LogSettings settings;
    settings.filePath = path;
    settings.timeStamps = true;
    ZUtils::setLogSettings(settings);
    ZUtils::setLogClock(pinnedTime);
    logMessage("#marked %d\n", 5);
    logMessage("plain\n");
    ZUtils::setLogClock(nullptr);
    ZUtils::setLogSettings(saved);
    // Appended in text mode: lines end in CR LF.
    EXPECT_EQ(readAll(path), "[2018/Mar/7|09:05:03] marked 5\r\n[2018/Mar/7|09:05:03] plain\r\n");
}

TEST(WindowsFileOps, RuntimeCopiesReachUtf8Names) {
    ScratchFolder scratch;
    const std::string source = scratch.write("source \xC3\xBC.bin", std::string(3000, 'x') + "end");
    const std::string destination = scratch / "copy \xE2\x82\xAC.bin";
    EXPECT_EQ(ZUtils::copyFile(source.c_str(), destination.c_str()), nullptr);
    EXPECT_EQ(readAll(destination), readAll(source));
    const ZUtils::ErrorChain error = ZUtils::copyFile((scratch / "missing").c_str(), destination.c_str());
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(std::strncmp(error->message, "Open error ", 11), 0) << error->message;
}

TEST(WindowsTextFormat, TheWorkingSetGrowsWithTouchedMemory) {
    char before[64];
    char after[64];
    ASSERT_TRUE(ZUtils::formatWorkingSet(before, sizeof before));
    std::vector<char> block(96u << 20);
    std::memset(block.data(), 1, block.size());
    ASSERT_TRUE(ZUtils::formatWorkingSet(after, sizeof after));
    long long first = -1;
    long long second = -1;
    ASSERT_EQ(std::sscanf(before, "Working set: %lld MB", &first), 1) << before;
    ASSERT_EQ(std::sscanf(after, "Working set: %lld MB", &second), 1) << after;
    EXPECT_GE(second - first, 64) << before << " / " << after;
    EXPECT_EQ(block[block.size() / 2], 1);
}
