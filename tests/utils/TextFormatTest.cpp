#include "utils/TextFormat.h"

#include "LogCapture.h"

using namespace ZUtils;

static int duration(char* text, size_t size, int64_t milliseconds) { return formatDuration(int(milliseconds), text, size); }

TEST(TextFormat, TextsAlwaysEndAndReportWhetherTheyWereCut) {
    const int64_t march7th = TestSupport::kMarch7th2018, lastSecondOf1999 = 946684799;
    TestSupport::ScopedEnvironment zone("TZ", "UTC0");
    char text[100] = "stale";
    EXPECT_TRUE(boundedFormat(text, 8, "%d-%s", 12, "ab") == 5 && text == std::string("12-ab"));
    EXPECT_TRUE(boundedFormat(text, 8, "%s", "12345678") == -1 && text == std::string("1234567"));
    EXPECT_TRUE(boundedFormat(text, 0, "%s", "x") == 0 && text == std::string("1234567"));  // writes nothing
    const std::tuple<int (*)(char*, size_t, int64_t), int64_t, size_t, int, std::string> cases[] = {  // size, result
        {formatDate, march7th, 100, 10, "2018/Mar/7"}, {formatDate, march7th, 5, -1, "2018"},
        {formatClockTime, march7th, 100, 8, "09:05:03"}, {formatDate, lastSecondOf1999, 100, 11, "1999/Dec/31"},
        {formatClockTime, lastSecondOf1999, 100, 8, "23:59:59"}, {formatDate, INT64_MAX, 100, 0, ""},
        {formatClockTime, INT64_MAX, 100, 0, ""}, {duration, 3723500, 32, 13, " 1h  2m  3.5s"},
        {duration, 0, 32, 13, " 0h  0m  0.0s"}, {duration, 36000000 + 59 * 60000 + 1500, 32, 13, "10h 59m  1.5s"},
        {duration, 3723500, 5, -1, " 1h "}};
    for (const auto& [format, value, size, result, expected] : cases) {
        EXPECT_EQ(format(text, size, value), result) << expected;
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
