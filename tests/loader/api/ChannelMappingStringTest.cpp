#include "loader/api/ChannelMappings.h"
#include "loader/api/IOvr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A buffer pre-filled with a marker, to tell what a call wrote.
struct Buffer {
    explicit Buffer(size_t size) : bytes(size + 1, '#') {}
    char* data() { return bytes.data(); }
    std::string text() const { return std::string(bytes.data()); }
    bool untouched() const { return bytes.front() == '#'; }
    std::vector<char> bytes;
};

int compose(Buffer& out, int size, std::vector<int> channels, const std::vector<const char*>& names) {
    return ovrComposeChannelMappingsString(out.data(), size, channels.data(), names.data(), static_cast<int>(names.size()));
}

TEST(ChannelMappingStringTest, ComposedTextIsCutToTheBufferAndReportsWhetherItFitted) {
    const std::vector<int> channels = {2, 1};
    const std::vector<const char*> names = {"density", "temperature"};
    const std::string whole = "2,density;1,temperature;";
    ASSERT_EQ(whole.size(), 24u);

    Buffer roomy(25);
    EXPECT_EQ(compose(roomy, 25, channels, names), 1);
    EXPECT_EQ(roomy.text(), whole);

    Buffer tight(24);
    EXPECT_EQ(compose(tight, 24, channels, names), 0);
    EXPECT_EQ(tight.text(), whole.substr(0, 23));

    Buffer single(1);
    EXPECT_EQ(compose(single, 1, channels, names), 0);
    EXPECT_EQ(single.text(), "");

    Buffer none(4);
    EXPECT_EQ(compose(none, 0, channels, names), 0);
    EXPECT_EQ(compose(none, -5, channels, names), 0);
    EXPECT_TRUE(none.untouched());
    EXPECT_EQ(ovrComposeChannelMappingsString(nullptr, 10, const_cast<int*>(channels.data()), names.data(), 2), 0);
}

TEST(ChannelMappingStringTest, ComposeHandlesEmptyListsNegativeChannelsAndMissingArrays) {
    Buffer out(32);
    EXPECT_EQ(compose(out, 32, {}, {}), 1);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(compose(out, 32, {-7, 3}, {"a b", nullptr}), 1);
    EXPECT_EQ(out.text(), "-7,a b;3,;");

    Buffer untouched(32);
    EXPECT_EQ(ovrComposeChannelMappingsString(untouched.data(), 32, nullptr, nullptr, 2), 0);
    EXPECT_TRUE(untouched.untouched());
}

TEST(ChannelMappingStringTest, DecomposeGivesEachEntryByIndex) {
    const char* text = "2,density;1,temperature;";
    int channel = -99;
    Buffer name(32);
    EXPECT_EQ(ovrDecomposeChannelMappingsString(&channel, name.data(), 32, text, 1), 1);
    EXPECT_EQ(channel, 1);
    EXPECT_EQ(name.text(), "temperature");

    EXPECT_EQ(ovrDecomposeChannelMappingsString(&channel, name.data(), 5, text, 0), 0);
    EXPECT_EQ(channel, 2);
    EXPECT_EQ(name.text(), "dens");

    Buffer untouched(32);
    channel = -99;
    for (int index : {2, -1}) {
        EXPECT_EQ(ovrDecomposeChannelMappingsString(&channel, untouched.data(), 32, text, index), -1);
        EXPECT_EQ(channel, -99);
        EXPECT_TRUE(untouched.untouched());
    }
    EXPECT_EQ(ovrDecomposeChannelMappingsString(&channel, untouched.data(), 32, "", 0), -1);
    EXPECT_EQ(ovrDecomposeChannelMappingsString(&channel, untouched.data(), 32, nullptr, 0), -1);
    EXPECT_EQ(ovrDecomposeChannelMappingsString(nullptr, name.data(), 32, text, 0), 1);
}

TEST(ChannelMappingStringTest, ChannelTextReadsLikeTheStandardIntConversion) {
    CacheIO::GridMappingList list;
    ASSERT_TRUE(CacheIO::decomposeChannelMappings("x,letter;  -3,spaced name ;+12abc,tail; ,,odd;99999999999,big;", list));
    ASSERT_EQ(list.count(), 5);
    const int channels[] = {0, -3, 12, 0, 2147483647};
    const char* names[] = {"letter", "spaced name ", "tail", ",odd", "big"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list[i].channel, channels[i]) << i;
        EXPECT_EQ(list[i].name, names[i]) << i;
        EXPECT_EQ(list[i].scale, 1.0f) << i;
    }
}

// The text sits in a heap block of exactly its size, so reading past its terminator is caught
// under AddressSanitizer.
CacheIO::GridMappingList decomposeExact(const std::string& text) {
    std::vector<char> exact(text.begin(), text.end());
    exact.push_back('\0');
    CacheIO::GridMappingList list;
    EXPECT_TRUE(CacheIO::decomposeChannelMappings(exact.data(), list));
    return list;
}

TEST(ChannelMappingStringTest, IncompleteLastEntryIsReadOnlyUpToTheTerminator) {
    CacheIO::GridMappingList unterminated = decomposeExact("2,density;1,temp");
    ASSERT_EQ(unterminated.count(), 2);
    EXPECT_EQ(unterminated[1].channel, 1);
    EXPECT_EQ(unterminated[1].name, "temp");

    EXPECT_EQ(decomposeExact("2,density;17").count(), 1);
    EXPECT_EQ(decomposeExact("2,density;1,").count(), 2);
    EXPECT_EQ(decomposeExact("5").count(), 0);
    EXPECT_EQ(decomposeExact(",").count(), 1);
}

TEST(ChannelMappingStringTest, LongListsSurviveComposeAndDecomposeInOrder) {
    std::vector<int> channels;
    std::vector<std::string> names;
    std::vector<const char*> namePointers;
    for (int i = 0; i < 40; ++i) {
        channels.push_back(i - 5);
        names.push_back("a grid name long enough to live outside the string object " + std::to_string(i));
    }
    for (const std::string& name : names) namePointers.push_back(name.c_str());

    Buffer text(8192);
    ASSERT_EQ(compose(text, 8192, channels, namePointers), 1);
    CacheIO::GridMappingList list;
    ASSERT_TRUE(CacheIO::decomposeChannelMappings(text.data(), list));
    ASSERT_EQ(list.count(), 40);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(list[i].channel, channels[i]);
        EXPECT_EQ(list[i].name, names[i]);
    }
}

} // namespace
