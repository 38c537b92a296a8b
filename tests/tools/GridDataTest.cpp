// Channel blocks of the grid words and the packed colour payload.
#include "tests/tools/LittleEndian.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace OvrWriter;
using namespace OvrWriterTest;

namespace {

TEST(GridData, BlocksAreChannelWordCountAndPaddedPayload) {
    GridDataBuilder g;
    g.addBlock(2, {1, 2, 3, 4, 5});
    g.addBlock(31, {});
    g.addBlockHeader(7, -3);
    g.addWords({0xCAFE});
    EXPECT_EQ(g.words(), (std::vector<uint32_t>{2, 2, 0x04030201u, 5, 31, 0, 7, uint32_t(-3), 0xCAFE}));
    // Only blocks added whole mark their channel, and bit 31 is never set by a block.
    EXPECT_EQ(g.channelFlags(), 1u << 2);
}

TEST(GridData, PackedColourIsLengthThenZlibStreamOfTheWords) {
    const uint32_t colours[3] = {0x00FF8000u, 0x00000001u, 0x00123456u};
    const Bytes payload = packedColourPayload(colours, 3);
    const uint64_t length = fieldAt<uint64_t>(payload, 0);
    ASSERT_EQ(length, payload.size() - 8);
    uint32_t out[4] = {};
    uLongf outLength = sizeof(out);
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(out), &outLength, payload.data() + 8, uLong(length)), Z_OK);
    EXPECT_EQ(outLength, 12u);
    EXPECT_EQ(out[0], 0x00FF8000u);
    EXPECT_EQ(out[2], 0x00123456u);

    // No voxels still gives a complete stream.
    const Bytes empty = packedColourPayload(nullptr, 0);
    uLongf none = sizeof(out);
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out), &none, empty.data() + 8, uLong(empty.size() - 8)), Z_OK);
    EXPECT_EQ(none, 0u);
}

TEST(GridData, ToWordsPadsTheLastWordWithZeros) {
    EXPECT_EQ(toWords({1, 2, 3, 4, 5, 6}), (std::vector<uint32_t>{0x04030201u, 0x0605u}));
    EXPECT_TRUE(toWords({}).empty());
}

} // namespace
