// A seekable output stream buffer that grows in memory: OpenVDB's grid writer seeks back to fill
// in stream positions, so a plain append-only buffer will not do.
#pragma once

#include <cstring>
#include <streambuf>
#include <vector>

class MemoryStreamBuffer : public std::streambuf {
public:
    std::vector<char>& bytes() { return bytes_; }

protected:
    std::streamsize xsputn(const char* data, std::streamsize count) override {
        if (count <= 0) return 0;
        const size_t end = position_ + static_cast<size_t>(count);
        if (end > bytes_.size()) bytes_.resize(end);
        std::memcpy(bytes_.data() + position_, data, static_cast<size_t>(count));
        position_ = end;
        return count;
    }

    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        xsputn(&byte, 1);
        return c;
    }

    pos_type seekoff(off_type offset, std::ios_base::seekdir direction, std::ios_base::openmode) override {
        const off_type base = direction == std::ios_base::beg   ? 0
                            : direction == std::ios_base::cur   ? static_cast<off_type>(position_)
                                                                : static_cast<off_type>(bytes_.size());
        const off_type target = base + offset;
        if (target < 0 || target > static_cast<off_type>(bytes_.size())) return pos_type(off_type(-1));
        position_ = static_cast<size_t>(target);
        return pos_type(target);
    }

    pos_type seekpos(pos_type position, std::ios_base::openmode mode) override {
        return seekoff(off_type(position), std::ios_base::beg, mode);
    }

private:
    std::vector<char> bytes_;
    size_t position_ = 0;
};
