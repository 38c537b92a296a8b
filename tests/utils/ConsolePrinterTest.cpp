#include "utils/ConsolePrinter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

// What the printer writes, with or without colours, to a temporary file that is no console.
static std::string print(bool colours, const std::string& text) {
    FILE* file = std::tmpfile();
    FILE* previous = ZUtils::setConsoleOutput(file);
    int width = -1, height = -1;
    EXPECT_TRUE(!ZUtils::consoleSize(width, height) && width == -1 && height == -1 && ZUtils::consoleWidth() == 80);
    zutils_cprintf(colours, "%s", text.c_str());
    ZUtils::setConsoleOutput(previous);
    char result[8192];
    const size_t size = (std::rewind(file), std::fread(result, 1, sizeof result, file));
    std::fclose(file);
    return std::string(result, size);
}

TEST(ConsolePrinter, ListedEscapesSelectConsoleColoursOthersAreDropped) {
    // Foreground ANSI codes, reset at the end while a colour is set; an escape of 64 characters without "m" ends the print.
    const std::string longest = "\x1b[" + std::string(61, '1') + "m", tooLong = "\x1b[" + std::string(62, '1');
    const std::pair<std::string, std::string> cases[] = {
        {"\x1b[0;31mred\x1b[0mplain", "\x1b[31mred\x1b[0mplain"}, {"\x1b[0;32mg", "\x1b[32mg\x1b[0m"},
        {"\x1b[0;33my", "\x1b[33my\x1b[0m"}, {"\x1b[0;34mc", "\x1b[36mc\x1b[0m"}, {"\x1b[1;34mC", "\x1b[96mC\x1b[0m"},
        {"\x1b[0;35mm", "\x1b[35mm\x1b[0m"}, {"a\x1b[0;31mb\x1b[0;32mc", "a\x1b[31mb\x1b[32mc\x1b[0m"},
        {"a\x1b[1;31mb\x1b[4mc", "abc"}, {"ab\x1b[0;3", "ab"}, {"a" + longest + "b", "ab"}, {"", ""},
        {"\x1b[0;31mred" + tooLong + "m dropped", "\x1b[31mzutils_cprint: Incorrect ESC length!\nred\x1b[0m"},
        {std::string(5000, 'z'), std::string(5000, 'z')}};
    for (const auto& [text, printed] : cases) EXPECT_EQ(print(true, text), printed) << text;
    // Without colours every escape is stripped, however long.
    EXPECT_EQ(print(false, "\x1b[0;31mred\x1b[0mplain\x1b[1;31m!" + tooLong + "m\n\x1b[0;3"), "redplain!\n");
}

TEST(ConsolePrinter, AClosedOutputIsReportedOnStandardOutputATerminalGivesItsSize) {
    testing::internal::CaptureStdout();  // first, so that its descriptors do not reuse the closed one
    FILE* stream = std::fopen("/dev/null", "w");
    ASSERT_TRUE(stream && close(fileno(stream)) == 0);
    FILE* previous = ZUtils::setConsoleOutput(stream);
    zutils_cprint(true, "text");
    zutils_cprint(true, nullptr);
    ZUtils::setConsoleOutput(previous);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "zutils_cprint: Invalid handle!\n");
    dup2(open("/dev/null", O_WRONLY), fileno(stream));  // so that closing the stream closes nothing else
    std::fclose(stream);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) GTEST_SKIP() << "no pseudo-terminal";
    FILE* terminal = fdopen(open(ptsname(master), O_RDWR | O_NOCTTY), "w");
    const winsize size{45, 123, 0, 0};  // rows, columns
    ASSERT_EQ(ioctl(fileno(terminal), TIOCSWINSZ, &size), 0);
    ZUtils::setConsoleOutput(terminal);
    int width = 0, height = 0;
    EXPECT_TRUE(ZUtils::consoleSize(width, height) && width == 123 && height == 45 && ZUtils::consoleWidth() == 123);
    ZUtils::setConsoleOutput(previous);
    EXPECT_TRUE(std::fclose(terminal) == 0 && close(master) == 0);
}
