#include "LogCapture.h"
#include "utils/DebugLogFile.h"

using namespace TestSupport;

TEST(LogMessage, MarkedMessagesGoToTheDebuggerOutputEveryMessageToTheFileAndConsoleAsTheEnvironmentSays) {
    const std::string plain = "first 1\njob of MTJob did not exit properly\n", stamp = "[2018/Mar/7|09:05:03] ";
    const std::string stamped = stamp + "first 1\n" + stamp + "job of MTJob did not exit properly\n";
    const std::tuple<bool, bool, bool, std::string, std::string> cases[] = {  // time stamps, echo, file: file, console
        {false, false, true, plain, ""}, {false, true, false, "", plain}, {true, false, false, "", ""},
        {true, true, true, stamped, stamped}};
    ScopedEnvironment utc("TZ", "UTC0");
    for (const auto& [timeStamps, echo, toFile, file, console] : cases) {
        LogCapture log(timeStamps, echo, toFile);
        ZUtils::setLogClock([] { return kMarch7th2018; });
        DebugOutputCapture debug;
        testing::internal::CaptureStdout();
        logMessage("first %d\n", 1);
        logMessage("#job of %s did not exit properly\n", "MTJob");
        logMessage(static_cast<const char*>(nullptr));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), console);
        EXPECT_EQ(log.text(), file);
        EXPECT_EQ(debug.texts, std::vector<std::string>{"#job of MTJob did not exit properly\n"});
    }
    // The file is opened per message, so removing it starts a new one; it takes any length, the debugger 1023.
    LogCapture log;
    DebugOutputCapture debug;
    logMessage("lost\n"), std::remove(log.path.c_str());
    logMessage("#%s", std::string(3000, 'x').c_str());
    debugPrint("[WinThreadManager] Terminating thread %i\n", 3), debugPrint(static_cast<const char*>(nullptr));
    debugPrint("%s", std::string(5000, 'y').c_str());  // cut to 4095
    EXPECT_EQ(log.text(), std::string(3000, 'x'));
    EXPECT_EQ(debug.texts, (std::vector<std::string>{"#" + std::string(1022, 'x'),
                                                     "[WinThreadManager] Terminating thread 3\n", std::string(4095, 'y')}));
    for (const auto& [value, on] : {std::pair<const char*, bool>{"1", true}, {"-3", true}, {"0", false}, {"on", false},
                                    {"", false}, {nullptr, false}}) {
        ScopedEnvironment file("ZENTO_LOG_FILE", value), stamps("ZENTO_LOG_TIMESTAMPS", value), echo("ZENTO_LOG_ECHO", value);
        const ZUtils::LogSettings set = ZUtils::logSettingsFromEnvironment();
        EXPECT_TRUE(set.filePath == (value ? value : "") && set.timeStamps == on && set.echo == on) << value;
    }
}

TEST(DebugLogFile, LivesInTheTemporaryDirectoryStartsEmptyAndCollectsMessages) {
    ScratchDirectory d;
    ScopedEnvironment missing("TMPDIR", (d / "missing").c_str());
    EXPECT_FALSE(ZUtils::startDebugLogFile(17));
    ZUtils::appendDebugLogFile(17, "dropped\n");  // nowhere
    ScopedEnvironment tmpdir("TMPDIR", (d.path() + "//").c_str());
    const std::string path = ZUtils::debugLogFilePath(17);
    ASSERT_TRUE(path == d / "zento_dbg_log_17" && ZUtils::startDebugLogFile(17) && readFile(path).empty());
    ZUtils::appendDebugLogFile(17, "frame %d", 4);
    ZUtils::appendDebugLogFile(17, " done\n");
    EXPECT_EQ(readFile(path), "frame 4 done\n");
    ASSERT_TRUE(ZUtils::startDebugLogFile(17));
    ZUtils::appendDebugLogFile(17, "%s", std::string(2000, 'k').c_str());
    EXPECT_EQ(readFile(path), std::string(1023, 'k'));
}
