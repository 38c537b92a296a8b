#include "utils/UtfConversion.h"

#include <gtest/gtest.h>

// The units one escaped byte becomes.
static std::u16string escaped(std::string bytes) {
    std::u16string units;
    for (unsigned char byte : bytes) units += {char16_t(0xDBC0), char16_t(0xDC00 + byte)};
    return units;
}

TEST(UtfConversion, WellFormedUtf8ConvertsOtherBytesTravelEscapedBuffersTakeWholeCharacters) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"plain/ascii.ovr", u"plain/ascii.ovr"}, {"\xE2\x82\xAC\xC3\xA9", u"\u20AC\u00E9"}, {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"}, {"A\xE9", u"A" + escaped("\xE9")}, {"\x80", escaped("\x80")},
        {"\xC0\xAF", escaped("\xC0\xAF")}, {"\xE0\x80\xAF", escaped("\xE0\x80\xAF")},  // overlong forms
        {"\xF4\x90\x80\x80", escaped("\xF4\x90\x80\x80")}, {"\xF4\x80\x80\x41", escaped("\xF4\x80\x80") + u"A"},
        {"\xF4\x80\x80\x80", escaped("\xF4\x80\x80\x80")},  // the escapes' own range
        {"\xE2\x82" "A", escaped("\xE2\x82") + u"A"}, {"\xFE\xFF", escaped("\xFE\xFF")},
        {"\xF8\x88\x80\x80\x80", escaped("\xF8\x88\x80\x80\x80")},
        // an encoded surrogate is accepted unless it would pair with the one before it
        {"\xED\xA0\x80", u"\xD800"}, {"\xED\xA0\x80\xED\xB0\x80", u"\xD800" + escaped("\xED\xB0\x80")}};
    for (const auto& [bytes, units] : cases) {
        EXPECT_EQ(utf8ToWide(bytes), units) << testing::PrintToString(bytes);
        EXPECT_EQ(wideToUtf8(units), bytes) << testing::PrintToString(bytes);
    }
    // Unpaired surrogates are written like any other code point.
    EXPECT_EQ(wideToUtf8(std::u16string{char16_t(0xDC00), char16_t(0xD800), u'A'}), "\xED\xB0\x80\xED\xA0\x80" "A");
    // Any byte string survives the round trip: a random one over bytes that make and break sequences.
    const char alphabet[] = "\x41\x80\x8F\x9F\xA0\xB0\xBF\xC0\xC3\xDF\xE0\xE2\xED\xEF\xF0\xF4\xF8\xFC\xFE\xFF";
    std::string random;
    for (uint32_t state = 12345; random.size() < 100000; state = state * 1664525u + 1013904223u)
        random += alphabet[(state >> 16) % sizeof alphabet];
    EXPECT_TRUE(wideToUtf8(utf8ToWide(random)) == random);
    // Buffers take whole characters, and a terminator when room is left.
    const std::tuple<int, int, std::u16string> wide[] = {  // capacity, units, what is written (0x7777: untouched)
        {0, 4, u""}, {3, 1, {u"A\0\x7777", 3}}, {4, 4, u"A\xDBC0\xDCE9" "B\x7777"}, {5, 4, {u"A\xDBC0\xDCE9" "B\0", 5}}};
    for (const auto& [capacity, units, written] : wide) {
        std::u16string out(8, u'\x7777');
        const int result = utf8ToWide("A\xE9" "B", capacity ? &out[0] : nullptr, capacity);
        EXPECT_TRUE(result == units && out.substr(0, written.size()) == written) << capacity << ": " << result;
    }
    const std::tuple<int, int, std::string> narrow[] = {
        {0, 5, ""}, {3, 1, std::string("A\0#", 3)}, {4, 4, "A\xE2\x82\xAC#"}, {6, 5, std::string("A\xE2\x82\xAC" "B\0", 6)}};
    for (const auto& [capacity, bytes, written] : narrow) {
        std::string out(8, '#');
        const int result = wideToUtf8(u"A\u20ACB", capacity ? &out[0] : nullptr, capacity);
        EXPECT_TRUE(result == bytes && out.substr(0, written.size()) == written) << capacity << ": " << result;
    }
    std::u16string out(8, u'\x7777');
    EXPECT_TRUE(utf8ToWide("AB", &out[0], 0) == 0 && out[0] == 0x7777 && wideToUtf8(nullptr, nullptr, 0) == 0);
    EXPECT_TRUE(utf8ToWide(nullptr, &out[0], 8) == 0 && out[0] == 0);
}
