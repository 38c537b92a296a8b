#include "utils/TextFormat.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <cstdio>
#include <string>

using namespace ZUtils;

TEST(BoundedFormat, AlwaysTerminatesAndReportsCutText) {
    char buffer[8];
    EXPECT_EQ(boundedFormat(buffer, sizeof buffer, "%d-%s", 12, "ab"), 5);
    EXPECT_STREQ(buffer, "12-ab");

    EXPECT_EQ(boundedFormat(buffer, sizeof buffer, "%s", "12345678"), -1);
    EXPECT_STREQ(buffer, "1234567");

    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_EQ(boundedFormat(buffer, 0, "%s", "x"), 0);
    EXPECT_EQ(buffer[0], 'q');
}

TEST(DateAndClock, FormatLocalTimeWithoutLeadingZerosInTheDate) {
    TestSupport::ScopedTimeZone utc("UTC0");
    char date[100];
    char clock[100];
    EXPECT_EQ(formatDate(date, sizeof date, TestSupport::kMarch7th2018), 10);
    EXPECT_STREQ(date, "2018/Mar/7");
    EXPECT_EQ(formatClockTime(clock, sizeof clock, TestSupport::kMarch7th2018), 8);
    EXPECT_STREQ(clock, "09:05:03");

    const int64_t lastSecondOf1999 = 946684799;
    formatDate(date, sizeof date, lastSecondOf1999);
    formatClockTime(clock, sizeof clock, lastSecondOf1999);
    EXPECT_STREQ(date, "1999/Dec/31");
    EXPECT_STREQ(clock, "23:59:59");

    // Local time, not universal time.
    TestSupport::ScopedTimeZone east("XYZ-3");
    formatDate(date, sizeof date, lastSecondOf1999);
    formatClockTime(clock, sizeof clock, lastSecondOf1999);
    EXPECT_STREQ(date, "2000/Jan/1");
    EXPECT_STREQ(clock, "02:59:59");
}

TEST(DateAndClock, UnconvertibleTimesGiveEmptyText) {
    char date[100] = "stale";
    char clock[100] = "stale";
    EXPECT_EQ(formatDate(date, sizeof date, INT64_MAX), 0);
    EXPECT_STREQ(date, "");
    EXPECT_EQ(formatClockTime(clock, sizeof clock, INT64_MAX), 0);
    EXPECT_STREQ(clock, "");
}

TEST(DateAndClock, ASmallBufferCutsTheText) {
    TestSupport::ScopedTimeZone utc("UTC0");
    char date[5];
    EXPECT_EQ(formatDate(date, sizeof date, TestSupport::kMarch7th2018), -1);
    EXPECT_STREQ(date, "2018");
}

TEST(FormatDuration, SplitsMillisecondsIntoHoursMinutesAndSeconds) {
    char text[32];
    formatDuration(3723500, text, sizeof text);
    EXPECT_STREQ(text, " 1h  2m  3.5s");
    formatDuration(0, text, sizeof text);
    EXPECT_STREQ(text, " 0h  0m  0.0s");
    formatDuration(36000000 + 59 * 60000 + 1500, text, sizeof text);
    EXPECT_STREQ(text, "10h 59m  1.5s");
    EXPECT_EQ(formatDuration(3723500, text, 5), -1);
    EXPECT_STREQ(text, " 1h ");
}

TEST(FormatWorkingSet, ReportsWholeMebibytes) {
    char text[64];
    ASSERT_TRUE(formatWorkingSet(text, sizeof text));
    long long megabytes = -1;
    int length = 0;
    ASSERT_EQ(std::sscanf(text, "Working set: %lld MB%n", &megabytes, &length), 1) << text;
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(text)) << text;
    EXPECT_GT(megabytes, 0);

    char tiny[8];
    EXPECT_FALSE(formatWorkingSet(tiny, sizeof tiny));
    EXPECT_FALSE(formatWorkingSet(tiny, 0));
}
