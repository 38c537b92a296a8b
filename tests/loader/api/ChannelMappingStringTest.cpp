#include "loader/api/ChannelMappings.h"
#include "loader/api/IOvr.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace {

// A buffer pre-filled with a marker, to tell what a call wrote.
struct Buffer {
    std::vector<char> bytes = std::vector<char>(64, '#');
    std::string text() const { return bytes.front() == '#' ? "untouched" : std::string(bytes.data()); }
};

TEST(ChannelMappingStringTest, ComposedTextIsCutToTheBufferAndReportsWhetherItFitted) {
    int channels[] = {2, 1}, odd[] = {-7, 3};
    const char* names[] = {"density", "temperature"};
    const char* oddNames[] = {"a b", nullptr};
    const struct { int* channels; const char* const* names; int count, size, result; std::string text; } cases[] = {
        {channels, names, 2, 25, 1, "2,density;1,temperature;"},
        {channels, names, 2, 24, 0, "2,density;1,temperature"},
        {channels, names, 2, 1, 0, ""},
        {channels, names, 2, 0, 0, "untouched"},
        {channels, names, 2, -5, 0, "untouched"},
        {nullptr, nullptr, 0, 32, 1, ""},
        {nullptr, names, 2, 32, 0, "untouched"},
        {channels, nullptr, 2, 32, 0, "untouched"},
        {odd, oddNames, 2, 32, 1, "-7,a b;3,;"},
    };
    for (const auto& c : cases) {
        Buffer out;
        EXPECT_EQ(ovrComposeChannelMappingsString(out.bytes.data(), c.size, c.channels, c.names, c.count), c.result) << c.text;
        EXPECT_EQ(out.text(), c.text);
    }
    EXPECT_EQ(ovrComposeChannelMappingsString(nullptr, 10, channels, names, 2), 0);
}

TEST(ChannelMappingStringTest, DecomposeGivesEachEntryByIndex) {
    const char* text = "2,density;1,temperature;";
    const struct { const char* mappings; int index, size, result, channel; std::string name; } cases[] = {
        {text, 1, 32, 1, 1, "temperature"},
        {text, 0, 5, 0, 2, "dens"},
        {text, 2, 32, -1, -99, "untouched"},
        {text, -1, 32, -1, -99, "untouched"},
        {"", 0, 32, -1, -99, "untouched"},
        {nullptr, 0, 32, -1, -99, "untouched"},
    };
    for (const auto& c : cases) {
        Buffer name;
        int channel = -99;
        EXPECT_EQ(ovrDecomposeChannelMappingsString(&channel, name.bytes.data(), c.size, c.mappings, c.index), c.result)
            << c.index << " " << c.name;
        EXPECT_EQ(channel, c.channel) << c.name;
        EXPECT_EQ(name.text(), c.name);
    }
    Buffer name;
    EXPECT_EQ(ovrDecomposeChannelMappingsString(nullptr, name.bytes.data(), 32, text, 0), 1);
}

TEST(ChannelMappingStringTest, EntriesAreReadUpToTheTerminator) {
    using Entries = std::vector<std::pair<int, std::string>>;
    // A long list of names too long to live inside their string objects.
    std::string longText;
    Entries longEntries;
    for (int i = 0; i < 40; ++i) {
        longEntries.emplace_back(i - 5, "a grid name long enough to live outside the string object " + std::to_string(i));
        longText += std::to_string(i - 5) + "," + longEntries.back().second + ";";
    }
    const struct { std::string text; Entries entries; } cases[] = {
        // The channel text reads like the standard int conversion, saturated at the int range.
        {"x,letter;  -3,spaced name ;+12abc,tail; ,,odd;99999999999,big;",
         {{0, "letter"}, {-3, "spaced name "}, {12, "tail"}, {0, ",odd"}, {INT_MAX, "big"}}},
        {"-99999999999,small;", {{INT_MIN, "small"}}},
        {"2,density;1,temp", {{2, "density"}, {1, "temp"}}},
        {"2,density;17", {{2, "density"}}},
        {"2,density;1,", {{2, "density"}, {1, ""}}},
        {"5", {}},
        {",", {{0, ""}}},
        {longText, longEntries},
    };
    for (const auto& c : cases) {
        // In a heap block of exactly its size: reading past the terminator trips AddressSanitizer.
        std::vector<char> exact(c.text.begin(), c.text.end());
        exact.push_back('\0');
        CacheIO::GridMappingList list;
        ASSERT_TRUE(CacheIO::decomposeChannelMappings(exact.data(), list));
        Entries entries;
        for (int i = 0; i < list.count(); ++i) {
            entries.emplace_back(list[i].channel, list[i].name);
            EXPECT_EQ(list[i].scale, 1.0f);
        }
        EXPECT_EQ(entries, c.entries) << c.text;
    }
}

} // namespace
