#include "utils/TextFormat.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

using namespace ZUtils;

TEST(TextFormat, TextsAlwaysEndAndReportWhetherTheyWereCut) {
    const int64_t march7th = TestSupport::kMarch7th2018, lastSecondOf1999 = 946684799;
    TestSupport::ScopedEnvironment zone("TZ", "UTC0");
    char text[100] = "stale";
    const std::tuple<std::function<int(size_t)>, size_t, int, std::string> cases[] = {  // size, result, text
        {[&](size_t n) { return boundedFormat(text, n, "%d-%s", 12, "ab"); }, 8, 5, "12-ab"},
        {[&](size_t n) { return boundedFormat(text, n, "%s", "12345678"); }, 8, -1, "1234567"},
        {[&](size_t n) { return boundedFormat(text, n, "%s", "x"); }, 0, 0, "1234567"},
        {[&](size_t n) { return formatDate(text, n, march7th); }, 100, 10, "2018/Mar/7"},
        {[&](size_t n) { return formatDate(text, n, march7th); }, 5, -1, "2018"},
        {[&](size_t n) { return formatClockTime(text, n, march7th); }, 100, 8, "09:05:03"},
        {[&](size_t n) { return formatDate(text, n, lastSecondOf1999); }, 100, 11, "1999/Dec/31"},
        {[&](size_t n) { return formatClockTime(text, n, lastSecondOf1999); }, 100, 8, "23:59:59"},
        {[&](size_t n) { return formatDate(text, n, INT64_MAX); }, 100, 0, ""},
        {[&](size_t n) { return formatClockTime(text, n, INT64_MAX); }, 100, 0, ""},
        {[&](size_t n) { return formatDuration(3723500, text, n); }, 32, 13, " 1h  2m  3.5s"},
        {[&](size_t n) { return formatDuration(0, text, n); }, 32, 13, " 0h  0m  0.0s"},
        {[&](size_t n) { return formatDuration(36000000 + 59 * 60000 + 1500, text, n); }, 32, 13, "10h 59m  1.5s"},
        {[&](size_t n) { return formatDuration(3723500, text, n); }, 5, -1, " 1h "}};
    for (const auto& [format, size, result, expected] : cases) {
        EXPECT_EQ(format(size), result) << expected;
        EXPECT_EQ(text, expected);
    }
    TestSupport::ScopedEnvironment east("TZ", "XYZ-3");  // local time, not universal time
    EXPECT_TRUE(formatDate(text, 100, lastSecondOf1999) == 10 && text == std::string("2000/Jan/1")) << text;
    EXPECT_TRUE(formatClockTime(text, 100, lastSecondOf1999) == 8 && text == std::string("02:59:59")) << text;
    long long megabytes = -1;
    ASSERT_TRUE(formatWorkingSet(text, sizeof text));
    EXPECT_TRUE(std::sscanf(text, "Working set: %lld MB", &megabytes) == 1 && megabytes > 0) << text;
    EXPECT_FALSE(formatWorkingSet(text, 8) || formatWorkingSet(text, 0));
}
