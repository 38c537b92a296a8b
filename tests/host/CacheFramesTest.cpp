#include "tests/host/HostSupport.h"

#include <array>
#include <cstring>

#include <utime.h>

// A frame is shared while its file is unchanged and it was loaded whole with the same mappings;
// each request is released once, a frame with its last release.
TEST(CacheFrames, RequestsShareAFrameOnlyForTheSameFileAndMappings) {
    // Pointers the library never gave out are ignored, also before it has made any frame.
    int notTheLibrarys = 0;
    deleteIOvr(reinterpret_cast<IOvr*>(&notTheLibrarys));
    deleteIOvr(nullptr);
    ScratchDirectory scratch;
    const std::string path = scratch / "FRAME_0007.OVR";  // extensions are compared without case
    const float scaled[12] = {2, 0, 0, 0, 4, 0, 0, 0, 8, 1, 2, 3};
    ASSERT_TRUE(writeCacheFile(path, 4, 3, 2, {1, 2, 4, 5, 6}, scaled));
    const char* p = path.c_str();
    const auto touched = [&](long seconds) {  // the file with another modification time
        const utimbuf times{seconds, seconds};
        return utime(p, &times) == 0 ? p : "";
    };
    const struct { IOvr *first, *second; bool shared, headerOnly; } cases[] = {
        {newIOvr(p), newIOvr(p), true, false},
        {newIOvrWithChannelsMapping(p, "2,a;"), newIOvrWithChannelsMappingMaxVox(p, "2,a;", -1, false), true, false},
        {newIOvrWithChannelsMapping(p, "2,b;"), newIOvrWithChannelsMapping(p, "2,c;"), false, false},
        {newIOvrMaxVox(p, 100, false), newIOvrMaxVox(p, 100, false), false, false},  // the limit is for OpenVDB
        {newIOvrMaxVox(p, -1, true), newIOvrWithChannelsMappingMaxVox(p, nullptr, -1, true), false, true},
        {newIOvrWithChannelsMapping(touched(1000000000), "2,d;"), newIOvrWithChannelsMapping(touched(1000000100), "2,d;"),
         false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        ASSERT_TRUE(c.first && c.second);
        EXPECT_EQ(c.shared, c.first == c.second);
        deleteIOvr(c.second);
        // Still there (a sanitizer build would report a read of a destroyed frame).
        std::array<int, 3> resolution;
        EXPECT_EQ(4, c.first->getResolution(resolution.data()));
        EXPECT_EQ((std::array<int, 3>{{4, 3, 2}}), resolution);
        float transform[12];
        c.first->getTransform(transform);
        EXPECT_EQ(0, std::memcmp(scaled, transform, sizeof transform));
        EXPECT_EQ(1, c.first->hasChannel(3));  // speed, derived from 4, 5 and 6
        EXPECT_EQ(0, c.first->hasChannel(10));
        EXPECT_EQ(nullptr, c.first->getChannelData(32));
        const float* values = c.first->getChannelData(2);
        EXPECT_EQ(c.headerOnly, values == nullptr);
        for (int i = 0; values && i < 24; ++i) EXPECT_EQ(cacheValue(2, i), values[i]);
        for (int release = 0; release < 2; ++release) deleteIOvr(c.first);  // the second is ignored
    }
}
