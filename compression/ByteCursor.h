// A bounded reader over one byte range of a cache block: every read is checked against the bytes
// that remain, so a corrupt length can never move it outside the range.
#pragma once

#include <cstdint>
#include <cstring>

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "The cache formats are little-endian; this reader copies fields as they lie in memory."
#endif

namespace FMRUtils {

class ByteCursor {
public:
    ByteCursor() = default;
    // A negative size or a null pointer gives an empty range.
    ByteCursor(const void* data, int64_t size)
        : m_data(static_cast<const unsigned char*>(data)), m_size(data && size > 0 ? size : 0) {}

    // Copies the next `size` bytes to `out` and moves past them. When fewer bytes remain, nothing is
    // copied, the cursor stays where it is and is marked failed for good.
    bool read(void* out, int64_t size) {
        if (size < 0 || size > remaining()) {
            m_failed = true;
            return false;
        }
        if (size > 0) std::memcpy(out, m_data + m_pos, static_cast<size_t>(size));
        m_pos += size;
        return true;
    }

    // A little-endian field of a fixed width.
    template <class T>
    bool read(T& value) {
        return read(&value, static_cast<int64_t>(sizeof(T)));
    }

    bool skip(int64_t size) {
        if (size < 0 || size > remaining()) {
            m_failed = true;
            return false;
        }
        m_pos += size;
        return true;
    }

    // A cursor over `size` bytes starting `offset` bytes past the current position, cut to the bytes
    // that exist; an offset outside the remaining bytes or a negative size gives an empty cursor.
    ByteCursor window(int64_t offset, int64_t size) const {
        if (offset < 0 || offset > remaining() || size < 0) return ByteCursor();
        const int64_t avail = remaining() - offset;
        return ByteCursor(m_data + m_pos + offset, size < avail ? size : avail);
    }

    const unsigned char* position() const { return m_data + m_pos; }
    int64_t remaining() const { return m_size - m_pos; }
    int64_t consumed() const { return m_pos; }
    bool failed() const { return m_failed; }

private:
    const unsigned char* m_data = nullptr;
    int64_t m_size = 0;
    int64_t m_pos = 0;
    bool m_failed = false;
};

}  // namespace FMRUtils
