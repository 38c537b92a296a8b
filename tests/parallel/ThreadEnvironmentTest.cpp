#include "parallel/ThreadEnvironment.h"

#include <gtest/gtest.h>

TEST(ThreadEnvironment, DefaultThreadCountAndPlacementFollowTheEnvironmentTexts) {
    const struct { const char *numThreads, *useAffinity; int processors, expected; } counts[] = {
        {"6", "0", 16, 6},         {" 3threads", nullptr, 16, 3}, {"1", nullptr, 12, 1},   {"0", nullptr, 12, 12},
        {"-2", nullptr, 12, 12},   {"abc", nullptr, 12, 12},      {nullptr, nullptr, 0, 1}, {nullptr, "0", 8, 8},
        {nullptr, "0", 100, 64},   {nullptr, "1", 100, 100},      {nullptr, nullptr, 100, 100},  // one group without placement
        {"2147483647", nullptr, 12, 2147483647}, {"2147483648", nullptr, 12, 12}, {"99999999999999999999", nullptr, 12, 12},
    };
    for (const auto& c : counts) {
        EXPECT_EQ(ZUtils::defaultThreadCountFrom(c.numThreads, c.useAffinity, c.processors), c.expected)
            << (c.numThreads ? c.numThreads : "unset") << " / " << (c.useAffinity ? c.useAffinity : "unset");
    }
    const std::pair<const char*, bool> placement[] = {{nullptr, true}, {"1", true},  {"-3", true},
                                                      {"0", false},    {"", false}, {"no", false}};
    for (const auto& c : placement) EXPECT_EQ(ZUtils::threadAffinityEnabledFrom(c.first), c.second) << (c.first ? c.first : "unset");
}
