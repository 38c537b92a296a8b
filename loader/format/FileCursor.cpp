#include "loader/format/FileCursor.h"

namespace CacheIO {

bool FileCursor::attach(FILE* file) {
    file_ = file;
    size_ = position_ = 0;
    if (!file || fseeko(file, 0, SEEK_END) != 0)
        return false;
    const off_t end = ftello(file);
    if (end < 0 || fseeko(file, 0, SEEK_SET) != 0)
        return false;
    size_ = end;
    return true;
}

void FileCursor::limitTo(int64_t end) {
    if (end >= position_ && end < size_)
        size_ = end;
}

bool FileCursor::seek(int64_t offset, Origin origin) {
    const int64_t base = origin == FromStart ? 0 : origin == FromCurrent ? position_ : size_;
    // Compared before adding, so that no offset can overflow the sum.
    if (!file_ || offset < -base || offset > size_ - base)
        return false;
    const int64_t target = base + offset;
    if (fseeko(file_, static_cast<off_t>(target), SEEK_SET) != 0)
        return false;
    position_ = target;
    return true;
}

bool FileCursor::skip(int64_t bytes) {
    return bytes >= 0 && seek(bytes, FromCurrent);
}

bool FileCursor::fits(uint64_t itemSize, uint64_t count) const {
    if (itemSize == 0 || count == 0)
        return true;
    return count <= static_cast<uint64_t>(remaining()) / itemSize;
}

bool FileCursor::read(void* destination, uint64_t itemSize, uint64_t count) {
    if (itemSize == 0 || count == 0)
        return true;
    if (!file_ || !fits(itemSize, count))
        return false;
    const uint64_t bytes = itemSize * count;
    if (fread(destination, 1, bytes, file_) != bytes) {
        // Keep the stream where the cursor says it is.
        fseeko(file_, static_cast<off_t>(position_), SEEK_SET);
        return false;
    }
    position_ += static_cast<int64_t>(bytes);
    return true;
}

bool FileCursor::readString(std::string& text) {
    const int64_t start = position_;
    int32_t length = 0;
    if (!readValue(length))
        return false;
    bool ok = length >= 0 && fits(1, static_cast<uint64_t>(length));
    if (ok) {
        try {
            text.assign(static_cast<size_t>(length), '\0');
        } catch (...) {
            ok = false;
        }
    }
    if (!ok || !read(&text[0], 1, static_cast<uint64_t>(length))) {
        seek(start, FromStart);
        return false;
    }
    return true;
}

}  // namespace CacheIO
