#include "utils/ConsolePrinter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using ZUtils::setConsoleOutput;

namespace {

// Points the printer at a temporary file for one test and returns what was written.
class ConsoleCapture {
public:
    ConsoleCapture() : m_file(std::tmpfile()) { m_previous = setConsoleOutput(m_file); }
    ~ConsoleCapture() {
        setConsoleOutput(m_previous);
        std::fclose(m_file);
    }
    std::string text() const {
        std::fflush(m_file);
        std::string result;
        std::rewind(m_file);
        for (int c = std::fgetc(m_file); c != EOF; c = std::fgetc(m_file)) result += static_cast<char>(c);
        return result;
    }

private:
    FILE* m_file;
    FILE* m_previous = nullptr;
};

std::string colourPrint(const std::string& text) {
    ConsoleCapture console;
    zutils_cprint(true, text.c_str());
    return console.text();
}

std::string plainPrint(const std::string& text) {
    ConsoleCapture console;
    zutils_cprint(false, text.c_str());
    return console.text();
}

}  // namespace

TEST(ConsolePrinter, RedThenResetColoursOnlyTheFirstWord) {
    EXPECT_EQ(colourPrint("\x1b[0;31mred\x1b[0mplain"), "\x1b[31mred\x1b[0mplain");
}

TEST(ConsolePrinter, EachListedEscapeSelectsItsConsoleColour) {
    // The console colours of the table, written as foreground-only ANSI codes; the terminal's attributes
    // are restored at the end when a colour is still set.
    EXPECT_EQ(colourPrint("\x1b[0;32mg"), "\x1b[32mg\x1b[0m");
    EXPECT_EQ(colourPrint("\x1b[0;33my"), "\x1b[33my\x1b[0m");
    EXPECT_EQ(colourPrint("\x1b[0;34mc"), "\x1b[36mc\x1b[0m");
    EXPECT_EQ(colourPrint("\x1b[1;34mC"), "\x1b[96mC\x1b[0m");
    EXPECT_EQ(colourPrint("\x1b[0;35mm"), "\x1b[35mm\x1b[0m");
    EXPECT_EQ(colourPrint("a\x1b[0;31mb\x1b[0;32mc"), "a\x1b[31mb\x1b[32mc\x1b[0m");
}

TEST(ConsolePrinter, UnlistedAndUnfinishedEscapesAreDropped) {
    EXPECT_EQ(colourPrint("a\x1b[1;31mb\x1b[4mc"), "abc");
    EXPECT_EQ(colourPrint("ab\x1b[0;3"), "ab");
}

TEST(ConsolePrinter, WithoutColoursEveryEscapeIsStripped) {
    EXPECT_EQ(plainPrint("\x1b[0;31mred\x1b[0mplain"), "redplain");
    EXPECT_EQ(plainPrint("a\x1b[1;31mb\x1b[4mc\x1b[0;3"), "abc");
    EXPECT_EQ(plainPrint("no escapes\n"), "no escapes\n");
    // The 64-character limit applies only when colours are interpreted.
    EXPECT_EQ(plainPrint("x\x1b[" + std::string(100, '1') + "my"), "xy");
}

TEST(ConsolePrinter, AnEscapeOf64CharactersWithoutItsEndStopsThePrint) {
    const std::string longest = "\x1b[" + std::string(61, '1') + "m";  // 64 characters with the "m"
    ASSERT_EQ(longest.size(), 64u);
    EXPECT_EQ(colourPrint("a" + longest + "b"), "ab");

    const std::string tooLong = "\x1b[" + std::string(62, '1');  // 64 characters, no "m"
    EXPECT_EQ(colourPrint("\x1b[0;31mred" + tooLong + "m dropped"),
              "\x1b[31mzutils_cprint: Incorrect ESC length!\nred\x1b[0m");
}

TEST(ConsolePrinter, NullAndEmptyTextsWriteNothing) {
    ConsoleCapture console;
    zutils_cprint(true, nullptr);
    zutils_cprint(false, "");
    EXPECT_EQ(console.text(), "");
}

TEST(ConsolePrinter, FormattedTextOfAnyLengthArrivesWhole) {
    ConsoleCapture console;
    zutils_cprintf(true, "%s%d", "\x1b[0;32mframe ", 12);
    const std::string longText(5000, 'z');
    zutils_cprintf(false, "<%s>", longText.c_str());
    EXPECT_EQ(console.text(), "\x1b[32mframe 12\x1b[0m<" + longText + ">");
}

TEST(ConsolePrinter, AClosedOutputIsReportedOnStandardOutput) {
    testing::internal::CaptureStdout();  // first, so that its descriptors do not reuse the closed one
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    FILE* stream = fdopen(pipeEnds[1], "w");
    ASSERT_NE(stream, nullptr);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    FILE* previous = setConsoleOutput(stream);
    zutils_cprint(true, "text");
    setConsoleOutput(previous);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(output, "zutils_cprint: Invalid handle!\n");

    // Give the stream a descriptor again so that closing it closes nothing else.
    const int devNull = open("/dev/null", O_WRONLY);
    ASSERT_GE(devNull, 0);
    ASSERT_EQ(dup2(devNull, pipeEnds[1]), pipeEnds[1]);
    close(devNull);
    std::fclose(stream);
}

TEST(ConsoleSize, ReadsTheTerminalWindow) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) GTEST_SKIP() << "no pseudo-terminal";
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    winsize size{};
    size.ws_col = 123;
    size.ws_row = 45;
    ASSERT_EQ(ioctl(slave, TIOCSWINSZ, &size), 0);
    FILE* terminal = fdopen(slave, "w");
    ASSERT_NE(terminal, nullptr);

    FILE* previous = setConsoleOutput(terminal);
    int width = 0;
    int height = 0;
    EXPECT_TRUE(ZUtils::consoleSize(width, height));
    EXPECT_EQ(width, 123);
    EXPECT_EQ(height, 45);
    EXPECT_EQ(ZUtils::consoleWidth(), 123);
    setConsoleOutput(previous);
    std::fclose(terminal);
    close(master);
}

TEST(ConsoleSize, AFileIsNoConsole) {
    ConsoleCapture console;
    int width = -1;
    int height = -1;
    EXPECT_FALSE(ZUtils::consoleSize(width, height));
    EXPECT_EQ(width, -1);
    EXPECT_EQ(height, -1);
    EXPECT_EQ(ZUtils::consoleWidth(), 80);
}
