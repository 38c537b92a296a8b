#include "plugins/f3dbridge/OgawaArchive.h"

#include <cstring>

namespace F3dBridge {

namespace {

constexpr int64_t HeaderSize = 16;
constexpr uint64_t OffsetMask = ~(uint64_t(1) << 63);

}  // namespace

OgawaArchive::OgawaArchive(std::FILE* file, Failure& failure) : file_(file) {
    unsigned char header[HeaderSize];
    if (!cursor_.attach(file_) || !readAt(0, header, HeaderSize, failure)) {
        failure.broken("the Ogawa header is cut off");
        return;
    }
    if (std::memcmp(header, "Ogawa", 5) != 0) {
        failure.set(ImportCannotOpen, "not an Ogawa file");
        return;
    }
    if (header[5] != 0xff) {
        failure.broken("the Ogawa file was not finished by its writer");
        return;
    }
    if (header[6] != 0 || header[7] != 1) {
        failure.set(ImportCannotOpen, "an Ogawa version other than 1");
        return;
    }
    uint64_t root = 0;
    std::memcpy(&root, header + 8, sizeof root);
    if (isData(root) || root < HeaderSize) {
        failure.broken("the Ogawa root is no group");
        return;
    }
    root_ = root;
}

OgawaArchive::~OgawaArchive() {
    if (file_) std::fclose(file_);
}

bool OgawaArchive::readAt(int64_t offset, void* out, int64_t size, Failure& failure) {
    if (!cursor_.seek(offset, CacheIO::FileCursor::FromStart) || !cursor_.read(out, 1, static_cast<uint64_t>(size)))
        return failure.broken("an Ogawa reference points outside the file");
    return true;
}

bool OgawaArchive::group(uint64_t reference, std::vector<uint64_t>& children, Failure& failure) {
    children.clear();
    if (isData(reference)) return failure.broken("an Ogawa data block where a group belongs");
    if (reference == 0) return true;  // the empty group
    if (reference < HeaderSize || reference > uint64_t(cursor_.size()))
        return failure.broken("an Ogawa group reference points outside the file");
    if (!readGroups_.insert(reference).second) return failure.broken("an Ogawa group is referenced twice (a loop)");
    const int64_t offset = static_cast<int64_t>(reference);
    uint64_t count = 0;
    if (!readAt(offset, &count, sizeof count, failure)) return false;
    if (count > uint64_t(cursor_.size() - offset - 8) / 8)
        return failure.broken("an Ogawa group runs past the file's end");
    children.resize(count);
    return readAt(offset + 8, children.data(), static_cast<int64_t>(count * 8), failure);
}

bool OgawaArchive::dataRange(uint64_t reference, int64_t& offset, int64_t& size, Failure& failure) {
    if (!isData(reference)) return failure.broken("an Ogawa group where a data block belongs");
    const uint64_t at = reference & OffsetMask;
    offset = size = 0;
    if (at == 0) return true;  // the empty data block
    if (at < HeaderSize || at > uint64_t(cursor_.size()))
        return failure.broken("an Ogawa data reference points outside the file");
    uint64_t length = 0;
    if (!readAt(static_cast<int64_t>(at), &length, sizeof length, failure)) return false;
    if (length > uint64_t(cursor_.size()) - at - 8)
        return failure.broken("an Ogawa data block runs past the file's end");
    offset = static_cast<int64_t>(at) + 8;
    size = static_cast<int64_t>(length);
    return true;
}

bool OgawaArchive::readData(uint64_t reference, int64_t maxSize, std::vector<unsigned char>& bytes, Failure& failure) {
    int64_t offset = 0, size = 0;
    if (!dataRange(reference, offset, size, failure)) return false;
    if (size > maxSize) return failure.broken("an Ogawa data block larger than its content allows");
    bytes.resize(static_cast<size_t>(size));
    return readAt(offset, bytes.data(), size, failure);
}

}  // namespace F3dBridge
