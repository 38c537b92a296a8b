#include "utils/PathListSplitter.h"

#include <gtest/gtest.h>

TEST(PathListSplitter, YieldsTheNonEmptyEntriesOfTheFirst51200Characters) {
    const std::string longEntry(1500, 'p'), longPair = longEntry + ";b", longList = std::string(51199, ';') + "ab;cd";
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"ab;;cd;efg", {"ab", "cd", "efg"}}, {";;abc;;", {"abc"}}, {"plugins;more\\", {"plugins", "more\\"}},
        {"a;b", {"a", "b"}}, {"a", {"a"}}, {"", {}}, {";;;", {}}, {nullptr, {}},
        {longPair.c_str(), {longEntry.substr(0, 1023), "b"}}, {longList.c_str(), {"a"}}};
    PathListSplitter splitter;
    for (const auto& c : cases) {
        std::vector<std::string> entries;
        for (const char* entry = splitter.first(c.first); entry; entry = splitter.next()) entries.push_back(entry);
        EXPECT_EQ(entries, c.second) << (c.first ? std::string(c.first).substr(0, 20) : "null");
        EXPECT_EQ(splitter.next(), nullptr);
    }
}
