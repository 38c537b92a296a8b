#include "utils/UtfConversion.h"

#include <cstdint>
#include <cstring>

namespace {

const uint32_t escapeBase = 0x100000;  // U+100000 + byte stands for a byte outside well-formed UTF-8
const uint32_t escapeLast = 0x1000FF;

bool isHighSurrogate(uint32_t value)
{
    return value >= 0xD800 && value <= 0xDBFF;
}

bool isLowSurrogate(uint32_t value)
{
    return value >= 0xDC00 && value <= 0xDFFF;
}

// Reads the code points of an 8-bit text one after the other.
class Utf8Reader {
public:
    Utf8Reader(const unsigned char* text, size_t length) : m_text(text), m_length(length) {}

    bool atEnd() const { return m_position >= m_length; }

    uint32_t next()
    {
        const unsigned char lead = m_text[m_position];
        if (lead < 0x80) {
            ++m_position;
            m_previousEncodedHigh = false;
            return lead;
        }
        uint32_t value = 0;
        int length = sequenceLength(lead);
        bool accepted = length > 0 && decode(length, value);
        // A high and a low surrogate that were each written as a three-byte sequence would merge into
        // one code point on the way back; the low one travels as escaped bytes instead.
        if (accepted && isLowSurrogate(value) && m_previousEncodedHigh)
            accepted = false;
        m_previousEncodedHigh = accepted && isHighSurrogate(value);
        if (!accepted) {
            ++m_position;
            return escapeBase + lead;
        }
        m_position += length;
        return value;
    }

private:
    // The number of bytes a lead byte announces (its leading one bits), or 0 when it is no lead byte.
    static int sequenceLength(unsigned char lead)
    {
        int ones = 0;
        while (ones < 8 && (lead & (0x80 >> ones)))
            ++ones;
        return ones >= 2 && ones <= 6 ? ones : 0;
    }

    bool decode(int length, uint32_t& value) const
    {
        // The largest value of the next shorter form: anything not above it is an overlong form.
        static const uint32_t shorterFormLimit[7] = {0, 0, 0x7F, 0x7FF, 0xFFFF, 0x1FFFFF, 0x3FFFFFF};
        if (m_length - m_position < static_cast<size_t>(length))
            return false;
        value = m_text[m_position] & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            const unsigned char byte = m_text[m_position + i];
            if ((byte & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (byte & 0x3F);
        }
        return value > shorterFormLimit[length] && value < 0x110000 &&
               !(value >= escapeBase && value <= escapeLast);
    }

    const unsigned char* m_text;
    size_t m_length;
    size_t m_position = 0;
    bool m_previousEncodedHigh = false;
};

int toWide(const char* text, size_t length, char16_t* out, int capacity)
{
    Utf8Reader reader(reinterpret_cast<const unsigned char*>(text), length);
    int produced = 0;
    while (!reader.atEnd()) {
        uint32_t value = reader.next();
        if (value < 0x10000) {
            if (out) {
                if (produced + 1 > capacity)
                    break;
                out[produced] = static_cast<char16_t>(value);
            }
            produced += 1;
        } else {
            if (out) {
                if (produced + 3 > capacity)  // the pair and room for a terminator
                    break;
                value -= 0x10000;
                out[produced] = static_cast<char16_t>(0xD800 + (value >> 10));
                out[produced + 1] = static_cast<char16_t>(0xDC00 + (value & 0x3FF));
            }
            produced += 2;
        }
    }
    if (out && produced < capacity)
        out[produced] = 0;
    return produced;
}

// Writes one code point as UTF-8 in its shortest form (or as its byte when it is an escape) into
// `bytes`; returns the number of bytes.
int encodeUtf8(uint32_t value, unsigned char bytes[6])
{
    if (value >= escapeBase && value <= escapeLast) {
        bytes[0] = static_cast<unsigned char>(value - escapeBase);
        return 1;
    }
    static const uint32_t thresholds[] = {0x7F, 0x7FF, 0xFFFF, 0x1FFFFF, 0x3FFFFFF, 0x7FFFFFFF};
    int continuation = 0;
    for (uint32_t threshold : thresholds)
        continuation += value > threshold ? 1 : 0;
    if (continuation == 0) {
        bytes[0] = static_cast<unsigned char>(value);
        return 1;
    }
    for (int i = continuation; i > 0; --i) {
        bytes[i] = static_cast<unsigned char>(0x80 | (value & 0x3F));
        value >>= 6;
    }
    const unsigned leadMarker = 0xFF00u >> (continuation + 1);  // continuation + 1 leading ones
    bytes[0] = static_cast<unsigned char>((leadMarker & 0xFF) | value);
    return continuation + 1;
}

int toUtf8(const char16_t* text, size_t length, char* out, int capacity)
{
    int produced = 0;
    for (size_t i = 0; i < length; ++i) {
        uint32_t value = text[i];
        if (isHighSurrogate(value) && i + 1 < length && isLowSurrogate(text[i + 1])) {
            value = 0x10000 + ((value - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        }
        unsigned char bytes[6];
        int count = encodeUtf8(value, bytes);
        if (out) {
            if (produced + count > capacity)
                break;
            std::memcpy(out + produced, bytes, static_cast<size_t>(count));
        }
        produced += count;
    }
    if (out && produced < capacity)
        out[produced] = 0;
    return produced;
}

}  // namespace

int utf8ToWide(const char* text, char16_t* out, int capacity)
{
    return toWide(text ? text : "", text ? std::strlen(text) : 0, out, capacity);
}

int wideToUtf8(const char16_t* text, char* out, int capacity)
{
    return toUtf8(text ? text : u"", text ? std::char_traits<char16_t>::length(text) : 0, out, capacity);
}

std::u16string utf8ToWide(const std::string& text)
{
    // The capacity counts the string's own terminator, which a final surrogate pair needs.
    std::u16string result(static_cast<size_t>(toWide(text.data(), text.size(), nullptr, 0)), u'\0');
    toWide(text.data(), text.size(), &result[0], static_cast<int>(result.size()) + 1);
    return result;
}

std::string wideToUtf8(const std::u16string& text)
{
    std::string result(static_cast<size_t>(toUtf8(text.data(), text.size(), nullptr, 0)), '\0');
    toUtf8(text.data(), text.size(), &result[0], static_cast<int>(result.size()) + 1);
    return result;
}
