// An expanded grid channel and the record through which a frame holds it.
#pragma once

#include <atomic>
#include <cstdint>

namespace CacheIO {

// The floats of one grid, in one block that asks the system for large pages: a grid is filled
// right after it is made, and with small pages its first touch would cost a fault per 4 KB.
class GridValues {
public:
    GridValues() = default;
    ~GridValues();
    GridValues(const GridValues&) = delete;
    GridValues& operator=(const GridValues&) = delete;

    // Room for count floats (contents undefined) in place of the present ones; false (and
    // empty) when the memory cannot be obtained.
    bool allocate(int64_t count);
    float* data() const { return data_; }
    int64_t count() const { return count_; }

private:
    float* data_ = nullptr;
    int64_t count_ = 0;
};

// The float values of one channel, shared by counted references.
struct ChannelGrid {
    std::atomic<int> referenceCount{1};
    GridValues values;
    int32_t resolution[3] = {0, 0, 0};

    // One reference less; the grid destroys itself at 0.
    void release();
};

// One of a frame's 32 grid channels.
struct GridChannelRecord {
    static constexpr float NoMinimum = 3.4028235e38f;
    static constexpr float NoMaximum = -1.1754944e-38f;

    ChannelGrid* grid = nullptr;
    bool loaded = false;
    // The channel's block failed to decode. The frame's grid data never changes, so later requests
    // report the failure again without decoding the block again; cleared with the frame's data.
    bool corrupt = false;
    // The value range from the channel ranges chunk; reset whenever the grid is released.
    float minimum = NoMinimum;
    float maximum = NoMaximum;

    // The values when the record is loaded with a non-empty grid, else null.
    float* values() const;
};

}  // namespace CacheIO
