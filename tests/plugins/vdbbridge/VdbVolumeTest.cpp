// What the loader cannot show of an import: its result codes. Frames and their values are
// tested through the library (tests/host).
#include "plugins/vdbbridge/VdbVolume.h"
#include "tests/platform/ScratchDirectory.h"
#include "tests/plugins/vdbfiles/VdbTestFiles.h"

#include <gtest/gtest.h>

using VdbTestFiles::TestGrid;

namespace {

// Counts the channels written or marked; storage can run out.
struct CountingTarget final : VdbBridge::FrameTarget {
    void setLayout(const int32_t res[3], const float*) override { storage.resize(size_t(res[0]) * res[1] * res[2]); }
    float* channelStorage(int) override { return ++channels, outOfMemory ? nullptr : storage.data(); }
    void markChannel(int) override { ++channels; }

    std::vector<float> storage;
    int channels = 0; bool outOfMemory = false;
};

} // namespace

TEST(VdbVolume, ResultCodes) {
    ASSERT_TRUE(VdbBridge::initializeVolumeLibrary());
    ScratchDirectory temp;
    const std::string whole = temp / "whole.vdb", frustum = temp / "frustum.vdb", missing = temp / "missing.vdb",
                      single = temp / "single.vdb";
    ASSERT_TRUE(VdbTestFiles::writeVdb(whole, {{TestGrid::Vector, "vel", {0, 0, 0}, {1, 1, 1}},
                                               {TestGrid::Float, "density", {0, 0, 0}, {15, 15, 15}}}));
    ASSERT_TRUE(VdbTestFiles::writeVdb(frustum, {{TestGrid::Frustum, "density", {0, 0, 0}, {1, 1, 1}}}));
    // Cut within its grid's data: a cut within the tree's topology makes OpenVDB leak the nodes read so far.
    ASSERT_TRUE(VdbTestFiles::writeVdb(single, {{TestGrid::Float, "density", {0, 0, 0}, {15, 15, 15}}}));
    const std::string bytes = readFile(single), text = temp.write("text.vdb", "not a volume"),
                      cut = temp.write("cut.vdb", bytes.substr(0, bytes.size() * 3 / 4));
    const struct {
        const char* path;
        std::vector<VdbBridge::ChannelRequest> requests;
        bool headerOnly, outOfMemory; int code, channels;
    } cases[] = {
        {whole.c_str(), {{"density", 2, 1.0f}, {"vel.y", 5, 1.0f}}, false, false, VdbBridge::ImportSucceeded, 2},
        {whole.c_str(), {{"density", 2, 1.0f}, {"smoke", 1, 1.0f}}, true, false, VdbBridge::ImportSucceeded, 1},
        {whole.c_str(), {{"density", 2, 1.0f}}, false, true, VdbBridge::ImportOutOfMemory, 1},
        {whole.c_str(), {{"smoke", 2, 1.0f}, {"vel.w", 3, 1.0f}, {"density", 18, 1.0f}, {"density", 32, 1.0f},
                         {"density", -1, 1.0f}}, false, false, VdbBridge::ImportNoMappedGrid, 0},
        {nullptr, {{"density", 2, 1.0f}}, false, false, VdbBridge::ImportCannotOpen, 0},
        {missing.c_str(), {{"density", 2, 1.0f}}, false, false, VdbBridge::ImportCannotOpen, 0},
        {text.c_str(), {{"density", 2, 1.0f}}, false, false, VdbBridge::ImportCannotOpen, 0},
        {frustum.c_str(), {{"density", 2, 1.0f}}, false, false, VdbBridge::ImportUnsupportedTransform, 0},
        {cut.c_str(), {{"density", 2, 1.0f}}, false, false, VdbBridge::ImportBrokenFile, 0},
    };
    for (const auto& c : cases) {
        CountingTarget frame;
        frame.outOfMemory = c.outOfMemory;
        const int code = VdbBridge::importVolume(c.path, c.requests, c.headerOnly, -1, frame);
        EXPECT_EQ(std::make_pair(c.code, c.channels), std::make_pair(code, frame.channels)) << "case " << &c - cases;
    }
    std::vector<VdbBridge::VolumeChannel> channels;
    EXPECT_FALSE(VdbBridge::listVolumeChannels(nullptr, channels));
}
