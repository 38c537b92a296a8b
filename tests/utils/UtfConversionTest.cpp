#include "utils/UtfConversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::u16string wide(const std::string& bytes)
{
    return utf8ToWide(bytes);
}

// The units one escaped byte becomes.
std::u16string escaped(unsigned char byte)
{
    return {char16_t(0xDBC0), char16_t(0xDC00 + byte)};
}

TEST(Utf8ToWide, ConvertsWellFormedUtf8)
{
    EXPECT_EQ(wide("plain/ascii.ovr"), u"plain/ascii.ovr");
    EXPECT_EQ(wide("\xE2\x82\xAC"), std::u16string(1, char16_t(0x20AC)));        // Euro sign
    EXPECT_EQ(wide("\xC3\xA9"), std::u16string(1, char16_t(0xE9)));               // e acute
    EXPECT_EQ(wide("\xF0\x9F\x98\x80"), (std::u16string{char16_t(0xD83D), char16_t(0xDE00)}));
    EXPECT_EQ(wide("\xF4\x8F\xBF\xBF"), (std::u16string{char16_t(0xDBFF), char16_t(0xDFFF)}));  // U+10FFFF
}

TEST(Utf8ToWide, EscapesEveryByteOutsideWellFormedSequences)
{
    EXPECT_EQ(wide("A\xE9"), u"A" + escaped(0xE9));
    EXPECT_EQ(wide("\x80"), escaped(0x80));                                         // stray continuation
    EXPECT_EQ(wide("\xC0\xAF"), escaped(0xC0) + escaped(0xAF));                     // overlong two bytes
    EXPECT_EQ(wide("\xE0\x80\xAF"), escaped(0xE0) + escaped(0x80) + escaped(0xAF));  // overlong three
    EXPECT_EQ(wide("\xF4\x90\x80\x80"),                                             // above U+10FFFF
              escaped(0xF4) + escaped(0x90) + escaped(0x80) + escaped(0x80));
    EXPECT_EQ(wide("\xF4\x80\x80\x41"), escaped(0xF4) + escaped(0x80) + escaped(0x80) + u"A");
    EXPECT_EQ(wide("\xF4\x80\x80\x80"),  // U+100000 itself is the escape range
              escaped(0xF4) + escaped(0x80) + escaped(0x80) + escaped(0x80));
    EXPECT_EQ(wide("\xE2\x82" "A"), escaped(0xE2) + escaped(0x82) + u"A");          // cut short
    EXPECT_EQ(wide("\xF8\x88\x80\x80\x80").size(), 10u);                            // five bytes: never valid
    EXPECT_EQ(wide("\xFE\xFF"), escaped(0xFE) + escaped(0xFF));
}

TEST(Utf8ToWide, AcceptsAnEncodedSurrogateUnlessItWouldPairWithThePreviousOne)
{
    EXPECT_EQ(wide("\xED\xA0\x80"), std::u16string(1, char16_t(0xD800)));
    EXPECT_EQ(wide("\xED\xB0\x80"), std::u16string(1, char16_t(0xDC00)));
    EXPECT_EQ(wide("\xED\xA0\x80\xED\xB0\x80"),
              std::u16string(1, char16_t(0xD800)) + escaped(0xED) + escaped(0xB0) + escaped(0x80));
}

TEST(WideToUtf8, WritesShortestFormsAndEscapedBytes)
{
    EXPECT_EQ(wideToUtf8(u"A\u00E9\u20AC"), "A\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(wideToUtf8(std::u16string{char16_t(0xD83D), char16_t(0xDE00)}), "\xF0\x9F\x98\x80");
    EXPECT_EQ(wideToUtf8(escaped(0xE9) + u"x" + escaped(0x41)), "\xE9x\x41");
    // Unpaired surrogates are written like any other code point.
    EXPECT_EQ(wideToUtf8(std::u16string{char16_t(0xD800), u'A'}), "\xED\xA0\x80" "A");
    EXPECT_EQ(wideToUtf8(std::u16string{char16_t(0xDC00), char16_t(0xD800)}), "\xED\xB0\x80\xED\xA0\x80");
}

TEST(UtfConversion, AnyByteStringSurvivesTheRoundTrip)
{
    const std::vector<std::string> samples = {
        "A\xE9", "\xE2\x82\xAC", "\xED\xA0\x80\xED\xB0\x80", "\xED\xAF\x80\xED\xB3\x81", "\xF4\x80\x80\x80",
        "\xC0\x80", "\xFF\xFE\xFD", "\xE2\x82", std::string("a\0b", 3),
    };
    for (const std::string& bytes : samples)
        EXPECT_EQ(wideToUtf8(wide(bytes)), bytes);

    // Random strings over the bytes that make and break sequences.
    const unsigned char alphabet[] = {0x41, 0x80, 0x8F, 0x9F, 0xA0, 0xB0, 0xBF, 0xC0, 0xC3, 0xDF,
                                      0xE0, 0xE2, 0xED, 0xEF, 0xF0, 0xF4, 0xF8, 0xFC, 0xFE, 0xFF};
    uint32_t state = 12345;
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        for (int i = 0; i < 1 + round % 12; ++i) {
            state = state * 1664525u + 1013904223u;
            bytes += static_cast<char>(alphabet[(state >> 16) % sizeof alphabet]);
        }
        ASSERT_EQ(wideToUtf8(wide(bytes)), bytes) << testing::PrintToString(bytes);
    }
}

TEST(Utf8ToWide, CountsWithoutOutputAndStopsAtTheCapacity)
{
    const char* text = "A\xE9" "B";  // units: A, pair, B
    EXPECT_EQ(utf8ToWide(text, nullptr, 0), 4);

    char16_t out[8];
    std::fill(std::begin(out), std::end(out), char16_t(0x7777));
    EXPECT_EQ(utf8ToWide(text, out, 3), 1);  // the pair needs room for a terminator behind it
    EXPECT_EQ(out[0], u'A');
    EXPECT_EQ(out[1], 0);

    std::fill(std::begin(out), std::end(out), char16_t(0x7777));
    EXPECT_EQ(utf8ToWide(text, out, 4), 4);
    EXPECT_EQ(std::u16string(out, 4), u"A" + escaped(0xE9) + u"B");
    EXPECT_EQ(out[4], 0x7777);  // completely filled: no terminator

    EXPECT_EQ(utf8ToWide(text, out, 5), 4);
    EXPECT_EQ(out[4], 0);

    std::fill(std::begin(out), std::end(out), char16_t(0x7777));
    EXPECT_EQ(utf8ToWide("AB", out, 2), 2);
    EXPECT_EQ(out[2], 0x7777);
    EXPECT_EQ(utf8ToWide("AB", out, 0), 0);
    EXPECT_EQ(out[0], u'A');  // untouched
    EXPECT_EQ(utf8ToWide(nullptr, out, 8), 0);
    EXPECT_EQ(out[0], 0);
}

TEST(WideToUtf8, CountsWithoutOutputAndStopsAtTheCapacity)
{
    const char16_t text[] = {u'A', char16_t(0x20AC), u'B', 0};  // 1 + 3 + 1 bytes
    EXPECT_EQ(wideToUtf8(text, nullptr, 0), 5);

    char out[8];
    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(wideToUtf8(text, out, 3), 1);  // the Euro sign does not fit
    EXPECT_EQ(std::string(out, 2), std::string("A\0", 2));

    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(wideToUtf8(text, out, 4), 4);  // a character needs no room for the terminator
    EXPECT_EQ(std::string(out, 5), "A\xE2\x82\xAC#");

    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(wideToUtf8(text, out, 6), 5);
    EXPECT_STREQ(out, "A\xE2\x82\xAC" "B");
}

}  // namespace
