// Reads an entropy stream's bits, least significant bit of each byte first, from a bounded byte range.
// Past the end of the range it supplies zero bits and counts them, so a decoder can run its fast loop
// without bounds tests and ask afterwards whether it read bits that do not exist.
#pragma once

#include <cstdint>
#include <cstring>

namespace FMRUtils {

class BitReader {
public:
    BitReader() = default;
    BitReader(const unsigned char* data, int64_t size) : m_pos(data), m_end(size > 0 ? data + size : data) {}

    // Makes at least 56 bits available in the buffer.
    void refill() {
        if (m_bits > 56) return;
        if (hasWord()) {
            refillWord();
            return;
        }
        while (m_bits <= 56) {
            uint64_t byte = 0;
            if (m_pos < m_end) {
                byte = *m_pos++;
            } else {
                m_phantomBits += 8;
            }
            m_buffer |= byte << m_bits;
            m_bits += 8;
        }
    }

    // True while at least 8 bytes are unread: refillWord() may then be used, and no zero bits past the
    // end have entered the buffer yet.
    bool hasWord() const { return m_end - m_pos >= 8; }

    // refill() for a reader that hasWord().
    void refillWord() {
        uint64_t word;
        std::memcpy(&word, m_pos, 8);
        m_buffer |= word << m_bits;
        m_pos += (63 - m_bits) >> 3;
        m_bits |= 56;
    }

    // The next n bits (n <= 32) without taking them; needs n bits in the buffer.
    uint32_t peek(int n) const { return static_cast<uint32_t>(m_buffer & ((uint64_t(1) << n) - 1)); }
    void consume(int n) {
        m_buffer >>= n;
        m_bits -= n;
    }
    int available() const { return m_bits; }
    // The whole buffer: available() bits from bit 0 on.
    uint64_t buffer() const { return m_buffer; }

    // Takes an n-bit field (0 <= n <= 32), refilling as needed.
    uint32_t read(int n) {
        if (m_bits < n) refill();
        const uint32_t v = peek(n);
        consume(n);
        return v;
    }

    // Takes one bit, refilling as needed.
    uint32_t bit() {
        if (m_bits == 0) refill();
        const uint32_t v = static_cast<uint32_t>(m_buffer & 1);
        consume(1);
        return v;
    }

    // True once more bits were taken than the range holds.
    bool overrun() const { return m_phantomBits > m_bits; }

    // Bits that are still unread in the range.
    int64_t bitsLeft() const { return (m_end - m_pos) * 8 + m_bits - m_phantomBits; }

private:
    const unsigned char* m_pos = nullptr;
    const unsigned char* m_end = nullptr;
    uint64_t m_buffer = 0;
    int m_bits = 0;
    int64_t m_phantomBits = 0;
};

}  // namespace FMRUtils
