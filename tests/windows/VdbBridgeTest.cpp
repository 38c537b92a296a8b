// vdbbridge_x64.dll, loaded by ovrloader.dll from the plug-in folder, reads the OpenVDB file that
// cacheconv.exe converted (ctest's windows_cacheconv) with the values of its source frame.
#include "loader/api/IOvr.h"
#include "tests/windows/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <array>

TEST(WindowsVdbBridge, ReadsTheConvertedFrameWithItsSourcesValues) {
    ASSERT_EQ(initalizeOvraLoader((programDirectory() + "plugins").c_str(), "x64", 0), 2);  // vdbbridge alone
    IOvr* source = newIOvr((programDirectory() + "cacheconv_0001.ovr").c_str());
    IOvr* converted = newIOvr((programDirectory() + "cacheconv_0001.vdb").c_str());
    ASSERT_TRUE(source != nullptr && converted != nullptr);
    std::array<int, 3> resolution{}, convertedResolution{};
    source->getResolution(resolution.data());
    converted->getResolution(convertedResolution.data());
    ASSERT_EQ(convertedResolution, resolution);
    for (int channel : {1, 2, 4, 5, 6}) {  // temperature, smoke and velocity, which every plume frame has
        const float* expected = source->getChannelData(channel);
        const float* actual = converted->getChannelData(channel);
        ASSERT_TRUE(expected != nullptr && actual != nullptr) << channel;
        for (int i = 0; i < resolution[0] * resolution[1] * resolution[2]; ++i) ASSERT_EQ(actual[i], expected[i]) << i;
    }
    deleteIOvr(converted);
    deleteIOvr(source);
    finalizeOvraLoader();
}
