#include "loader/format/FumaraFrameData.h"
#include "loader/plugins/CachePlugins.h"
#include "loader/plugins/ForeignFileImports.h"
#include "tests/platform/ScratchDirectory.h"
#include "utils/Log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

// Through the fake plug-ins: each channel holds its number in every voxel; "refuse" fails with 42.
TEST(ForeignFileImports, CodesChannelsAndVelocityOfAnImport) {
    CacheIO::CachePluginTable plugins, none;
    ASSERT_EQ(3, plugins.LoadCachePlugins(3, OVR_FAKE_PLUGIN_DIR, "fake", 0));
    const struct {
        const CacheIO::CachePluginTable& plugins;
        const char *path, *mappings;  // the path's extension picks the import
        bool headerOnly; int code;
        std::vector<int> channels;  // those the frame has
        std::string log;
    } cases[] = {
        {plugins, "a.vdb", "2,density;10,fuel;", false, 0, {2, 10}, ""},
        {plugins, "a.vdb", "2,d;4,vx;5,vy;", false, 0, {2}, ""},             // partial velocity is dropped
        {plugins, "a.f3d", "4,vx;5,vy;6,vz;", false, 0, {3, 4, 5, 6}, ""},  // complete: with speed
        {plugins, "a.vdb", "2,d;4,vx;", true, 0, {2}, ""},
        {plugins, "a.f3d", "4,vx;5,vy;6,vz;", true, 0, {3, 4, 5, 6}, ""},  // header only: complete by its flags
        {plugins, "refuse.f3d", "2,density;", false, 42, {}, ""}, {plugins, "refuse.vdb", "2,density;", true, 42, {}, ""},
        {plugins, "a.vdb", "", false, 9, {}, "Trying to import VDB files with no mappings specified!\n"},
        {plugins, "a.f3d", nullptr, false, 9, {}, "Trying to import F3D files with no mappings specified!\n"},
        {none, "a.vdb", "2,density;", false, 2, {}, ""}, {none, "a.f3d", "2,density;", true, 2, {}, ""},
    };
    ScratchDirectory temp;
    const ZUtils::LogSettings saved = ZUtils::logSettings();
    ZUtils::LogSettings logToFile;
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        FumaraFrameData frame;
        frame.description.channelFlags = 0x16;  // left over, reset by the import
        frame.description.gridResolution[0] = 9;
        logToFile.filePath = temp / (std::to_string(&c - cases) + ".log");
        ZUtils::setLogSettings(logToFile);
        EXPECT_EQ(c.code, std::string(c.path).back() == 'b'
                              ? CacheIO::ImportOpenVDBFile(c.plugins, c.path, &frame, c.mappings, c.headerOnly, 100)
                              : CacheIO::ImportField3DFile(c.plugins, c.path, &frame, c.mappings, c.headerOnly, 100));
        ZUtils::setLogSettings(saved);
        EXPECT_EQ(c.log, readFile(logToFile.filePath));
        EXPECT_EQ(c.headerOnly, frame.description.headerOnly());
        int resolution[3];
        EXPECT_EQ(c.code == 0 ? 2 : 0, frame.getResolution(resolution));
        EXPECT_EQ(c.code == 0 ? 1 : 0, frame.comprDataSzInts());  // a placeholder for the compressed data
        for (int channel = 0; channel < 32; ++channel) {
            const bool expected = std::count(c.channels.begin(), c.channels.end(), channel) > 0;
            EXPECT_EQ(expected ? 1 : 0, frame.hasChannel(channel)) << channel;
            const float* values = frame.getChannelData(channel);
            ASSERT_EQ(expected && !c.headerOnly, values != nullptr) << channel;
            const float value = channel == 3 ? std::sqrt(16.0f + 25.0f + 36.0f) : static_cast<float>(channel);
            for (int i = 0; values && i < 8; ++i) EXPECT_EQ(value, values[i]) << channel;
        }
    }
    EXPECT_EQ(CacheIO::ImportNotPrepared, CacheIO::ImportOpenVDBFile(plugins, "a.vdb", nullptr, "2,d;", false, -1));
}
