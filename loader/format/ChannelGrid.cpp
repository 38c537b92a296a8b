#include "loader/format/ChannelGrid.h"

#include "platform/LargeBlock.h"

#include <cstdint>
#include <cstdlib>

namespace CacheIO {

GridValues::~GridValues() {
    std::free(data_);
}

bool GridValues::allocate(int64_t count) {
    std::free(data_);
    data_ = nullptr;
    count_ = 0;
    if (count < 0 || static_cast<uint64_t>(count) > SIZE_MAX / sizeof(float))
        return false;
    data_ = static_cast<float*>(Platform::allocateLargeBlock(static_cast<size_t>(count) * sizeof(float)));
    if (!data_)
        return false;
    count_ = count;
    return true;
}

void ChannelGrid::release() {
    if (referenceCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

float* GridChannelRecord::values() const {
    if (!loaded || !grid || grid->values.count() == 0)
        return nullptr;
    return grid->values.data();
}

}  // namespace CacheIO
