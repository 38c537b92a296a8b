#include "utils/Log.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using TestSupport::DebugOutputCapture;
using TestSupport::LogFileCapture;
using TestSupport::ScopedEnvironment;

namespace {

int64_t fixedClock() { return TestSupport::kMarch7th2018; }

// Applies log settings (and optionally the fixed clock) for one test, restoring the previous ones.
class ScopedLogSettings {
public:
    explicit ScopedLogSettings(const ZUtils::LogSettings& settings, bool fixedTime = false)
        : m_previous(ZUtils::logSettings()) {
        ZUtils::setLogSettings(settings);
        if (fixedTime) ZUtils::setLogClock(fixedClock);
    }
    ~ScopedLogSettings() {
        ZUtils::setLogSettings(m_previous);
        ZUtils::setLogClock(nullptr);
    }

private:
    ZUtils::LogSettings m_previous;
};

ZUtils::LogSettings settingsWith(const std::string& path, bool timeStamps, bool echo) {
    ZUtils::LogSettings settings;
    settings.filePath = path;
    settings.timeStamps = timeStamps;
    settings.echo = echo;
    return settings;
}

}  // namespace

TEST(LogMessage, DefaultSettingsShowOnlyMarkedMessagesInTheDebuggerOutput) {
    ScopedLogSettings defaults(ZUtils::LogSettings{});
    DebugOutputCapture debug;
    testing::internal::CaptureStdout();
    logMessage("[ERROR] plain %d\n", 1);
    logMessage("#bad particles found in group %s, count:%d\n", "smoke", 3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(debug.texts, (std::vector<std::string>{"#bad particles found in group smoke, count:3\n"}));
}

TEST(LogMessage, TheFileGetsEveryMessageAndMarkedOnesWithoutTheirMark) {
    LogFileCapture log;
    DebugOutputCapture debug;
    logMessage("first %d\n", 1);
    logMessage("#job of %s did not exit properly\n", "MTJob");
    EXPECT_EQ(log.text(), "first 1\njob of MTJob did not exit properly\n");
    EXPECT_EQ(debug.texts, (std::vector<std::string>{"#job of MTJob did not exit properly\n"}));

    // The file is opened per message: removing it between messages starts a new one.
    std::remove(log.path().c_str());
    logMessage("after removal\n");
    EXPECT_EQ(log.text(), "after removal\n");
}

TEST(LogMessage, TimeStampsPrefixTheFileAndTheConsole) {
    TestSupport::ScopedTimeZone utc("UTC0");
    const std::string path = TestSupport::scratchPath("stamped");
    ScopedLogSettings stamped(settingsWith(path, true, true), true);
    DebugOutputCapture debug;
    testing::internal::CaptureStdout();
    logMessage("loaded %s\n", "frame");
    logMessage("#marked\n");
    const std::string console = testing::internal::GetCapturedStdout();
    const std::string expected = "[2018/Mar/7|09:05:03] loaded frame\n[2018/Mar/7|09:05:03] marked\n";
    EXPECT_EQ(TestSupport::readFile(path), expected);
    EXPECT_EQ(console, expected);
    EXPECT_EQ(debug.texts, (std::vector<std::string>{"#marked\n"}));
    std::remove(path.c_str());
}

TEST(LogMessage, EchoWithoutTimeStampsPrintsTheBareMessage) {
    ScopedLogSettings echo(settingsWith("", false, true));
    testing::internal::CaptureStdout();
    logMessage("value %d\n", 42);
    logMessage("#marked %d\n", 7);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "value 42\nmarked 7\n");
}

TEST(LogMessage, MarkedMessagesReachTheDebuggerCutTo1023Characters) {
    LogFileCapture log;
    DebugOutputCapture debug;
    const std::string longText(3000, 'x');
    logMessage("#%s", longText.c_str());
    ASSERT_EQ(debug.texts.size(), 1u);
    EXPECT_EQ(debug.texts[0], "#" + std::string(1022, 'x'));
    EXPECT_EQ(log.text(), longText);  // the file is not limited
}

TEST(LogMessage, NullFormatDoesNothing) {
    LogFileCapture log;
    DebugOutputCapture debug;
    const char* noFormat = nullptr;
    logMessage(noFormat);
    debugPrint(noFormat);
    EXPECT_TRUE(debug.texts.empty());
    EXPECT_EQ(log.text(), "");
}

TEST(LogMessage, ConcurrentMessagesStayWhole) {
    TestSupport::ScopedTimeZone utc("UTC0");
    const std::string path = TestSupport::scratchPath("threads");
    ScopedLogSettings stamped(settingsWith(path, true, false), true);
    constexpr int kThreads = 4;
    constexpr int kMessages = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kMessages; ++i) logMessage("thread %d message %d\n", t, i);
        });
    }
    for (std::thread& thread : threads) thread.join();

    // Every message arrives exactly once, on a line of its own.
    std::istringstream lines(TestSupport::readFile(path));
    std::set<std::pair<int, int>> seen;
    std::string line;
    while (std::getline(lines, line)) {
        int thread = -1;
        int message = -1;
        int length = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "[2018/Mar/7|09:05:03] thread %d message %d%n", &thread, &message, &length), 2)
            << line;
        ASSERT_EQ(static_cast<size_t>(length), line.size()) << line;
        EXPECT_TRUE(seen.emplace(thread, message).second) << line;
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kMessages));
    std::remove(path.c_str());
}

TEST(DebugPrint, SendsFormattedTextCutTo4095Characters) {
    DebugOutputCapture debug;
    debugPrint("[WinThreadManager] Terminating thread %i\n", 3);
    debugPrint("%s", std::string(5000, 'y').c_str());
    ASSERT_EQ(debug.texts.size(), 2u);
    EXPECT_EQ(debug.texts[0], "[WinThreadManager] Terminating thread 3\n");
    EXPECT_EQ(debug.texts[1], std::string(4095, 'y'));
}

TEST(LogSettingsFromEnvironment, NonZeroNumbersTurnFlagsOn) {
    {
        ScopedEnvironment file("ZENTO_LOG_FILE", "/var/tmp/zento.log");
        ScopedEnvironment stamps("ZENTO_LOG_TIMESTAMPS", "1");
        ScopedEnvironment echo("ZENTO_LOG_ECHO", "-3");
        const ZUtils::LogSettings settings = ZUtils::logSettingsFromEnvironment();
        EXPECT_EQ(settings.filePath, "/var/tmp/zento.log");
        EXPECT_TRUE(settings.timeStamps);
        EXPECT_TRUE(settings.echo);
    }
    {
        ScopedEnvironment file("ZENTO_LOG_FILE", nullptr);
        ScopedEnvironment stamps("ZENTO_LOG_TIMESTAMPS", "0");
        ScopedEnvironment echo("ZENTO_LOG_ECHO", "on");
        const ZUtils::LogSettings settings = ZUtils::logSettingsFromEnvironment();
        EXPECT_EQ(settings.filePath, "");
        EXPECT_FALSE(settings.timeStamps);
        EXPECT_FALSE(settings.echo);
    }
}
