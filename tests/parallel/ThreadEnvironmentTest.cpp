#include "parallel/ThreadEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using ZUtils::defaultThreadCountFrom;
using ZUtils::threadAffinityEnabledFrom;

TEST(ThreadEnvironment, PositiveThreadCountIsTaken) {
    EXPECT_EQ(defaultThreadCountFrom("6", nullptr, 16), 6);
    EXPECT_EQ(defaultThreadCountFrom("6", "0", 16), 6);
    EXPECT_EQ(defaultThreadCountFrom(" 3threads", nullptr, 16), 3);  // read as atoi does
    EXPECT_EQ(defaultThreadCountFrom("200", nullptr, 2), 200);
}

TEST(ThreadEnvironment, UnusableThreadCountFallsBackToTheProcessors) {
    for (const char* text : {"0", "-2", "abc", "", "99999999999999999999", "4294967297"}) {
        EXPECT_EQ(defaultThreadCountFrom(text, nullptr, 12), 12) << text;
    }
    EXPECT_EQ(defaultThreadCountFrom(nullptr, nullptr, 12), 12);
    EXPECT_EQ(defaultThreadCountFrom(nullptr, nullptr, 0), 1);
}

TEST(ThreadEnvironment, AffinityIsOnUnlessANumberSaysZero) {
    EXPECT_TRUE(threadAffinityEnabledFrom(nullptr));
    EXPECT_TRUE(threadAffinityEnabledFrom("1"));
    EXPECT_TRUE(threadAffinityEnabledFrom("-3"));
    EXPECT_FALSE(threadAffinityEnabledFrom("0"));
    EXPECT_FALSE(threadAffinityEnabledFrom(""));
    EXPECT_FALSE(threadAffinityEnabledFrom("no"));
}

TEST(ThreadEnvironment, WithoutAffinityTheCountStaysWithinOneProcessorGroup) {
    EXPECT_EQ(defaultThreadCountFrom(nullptr, "0", 100), 64);
    EXPECT_EQ(defaultThreadCountFrom(nullptr, "1", 100), 100);
    EXPECT_EQ(defaultThreadCountFrom(nullptr, nullptr, 100), 100);
    EXPECT_EQ(defaultThreadCountFrom(nullptr, "0", 8), 8);
}

TEST(ThreadEnvironment, SettingsAreReadOnceAtLoad) {
    const int atLoad = ZUtils::getDefaultThreadCount();
    const bool affinityAtLoad = ZUtils::isThreadAffinityEnabled();
    EXPECT_GE(atLoad, 1);
    const char* previous = std::getenv("ZENTO_NUM_THREADS");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("ZENTO_NUM_THREADS", std::to_string(atLoad + 3).c_str(), 1);
    setenv("ZENTO_USE_THREAD_AFFINITY", affinityAtLoad ? "0" : "1", 1);
    EXPECT_EQ(ZUtils::getDefaultThreadCount(), atLoad);
    EXPECT_EQ(ZUtils::isThreadAffinityEnabled(), affinityAtLoad);
    if (previous != nullptr) {
        setenv("ZENTO_NUM_THREADS", saved.c_str(), 1);
    } else {
        unsetenv("ZENTO_NUM_THREADS");
    }
    unsetenv("ZENTO_USE_THREAD_AFFINITY");
}

TEST(ThreadEnvironment, AnExplicitCountReplacesTheOneReadAtLoadUntilWithdrawn) {
    const int atLoad = ZUtils::getDefaultThreadCount();
    ZUtils::overrideDefaultThreadCount(atLoad + 5);
    EXPECT_EQ(ZUtils::getDefaultThreadCount(), atLoad + 5);
    ZUtils::overrideDefaultThreadCount(0);
    EXPECT_EQ(ZUtils::getDefaultThreadCount(), atLoad);
    ZUtils::overrideDefaultThreadCount(-4);
    EXPECT_EQ(ZUtils::getDefaultThreadCount(), atLoad);
}
