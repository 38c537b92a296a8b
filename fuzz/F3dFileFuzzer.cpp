// Fuzz target: a whole .f3d file, Ogawa or HDF5 (told apart by its first bytes), through the
// f3dbridge reader: its channels are listed and every one of them imported header-only, under a
// voxel limit, and in full when the frame is small. Each frame must match the layout it announced.
#include "fuzz/FuzzInput.h"
#include "plugins/f3dbridge/F3dVolume.h"

#include <hdf5.h>

#include <cstring>

// libhdf5 1.10 loses a few blocks when it gives up on a damaged object header, which no check
// before the call can foresee; those leaks are its own. That the reader closes everything it opens
// is checked instead: no HDF5 object may stay open after an input.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libhdf5_serial.so\n";
}

namespace {

using FuzzInput::check;

// Frames above this many voxels are imported only under the limit: a few bytes of a sparse layer
// may rightly describe gigabytes, which is a resource limit of the harness, not a fault.
constexpr int64_t kMaxVoxels = int64_t(1) << 16;
constexpr int64_t kVoxelLimit = 4096;

volatile uint32_t readSink;

class Frame final : public VdbBridge::FrameTarget {
public:
    void setLayout(const int32_t resolution[3], const float[12]) override {
        check(!laidOut, "layout set twice");
        laidOut = true;
        std::memcpy(this->resolution, resolution, sizeof this->resolution);
        voxels = 1;
        for (int axis = 0; axis < 3; ++axis) {
            check(resolution[axis] >= 0, "negative resolution");
            voxels *= resolution[axis];
        }
    }
    float* channelStorage(int channel) override {
        check(laidOut && channel >= 0 && channel < 32 && channel != 18, "channel before the layout or out of range");
        channels.emplace_back(size_t(voxels), 0.0f);
        return channels.back().data();
    }
    void markChannel(int channel) override {
        check(laidOut && channel >= 0 && channel < 32, "channel marked out of range");
    }

    bool laidOut = false;
    int32_t resolution[3] = {0, 0, 0};
    int64_t voxels = 0;
    std::vector<std::vector<float>> channels;
};

int import(const std::string& path, const std::vector<F3dBridge::ChannelRequest>& requests, bool headerOnly,
           int64_t limit, Frame& frame) {
    const int result = F3dBridge::importField3D(path.c_str(), requests, headerOnly, limit, frame);
    check(result >= 0 && result <= 8, "unknown result");
    check(result != 0 || frame.laidOut, "success without a layout");
    uint32_t mix = 0;
    for (const std::vector<float>& values : frame.channels)
        for (float v : values) {
            uint32_t word;
            std::memcpy(&word, &v, 4);
            mix ^= word;
        }
    readSink = mix;
    return result;
}

void readFile(const std::string& path) {
    std::vector<F3dBridge::VolumeChannel> channels;
    if (!F3dBridge::listField3DChannels(path.c_str(), channels)) return;
    std::vector<F3dBridge::ChannelRequest> requests;
    for (size_t i = 0; i < channels.size(); ++i)
        requests.push_back({channels[i].name, int(i % 31 + (i % 31 >= 18)), 1.0f});
    requests.push_back({"no such layer", 2, 1.0f});

    Frame header, limited, full;
    const int headerResult = import(path, requests, true, -1, header);
    if (import(path, requests, false, kVoxelLimit, limited) == 0)
        check(limited.voxels <= kVoxelLimit, "voxel limit exceeded");
    if (headerResult != 0 || header.voxels > kMaxVoxels) return;
    if (import(path, requests, false, -1, full) == 0)
        check(std::memcmp(full.resolution, header.resolution, sizeof full.resolution) == 0,
              "header and frame disagree");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readFile(FuzzInput::scratchFile(data, size, ".f3d"));
    check(H5Fget_obj_count(H5F_OBJ_ALL, H5F_OBJ_ALL) <= 0, "an HDF5 object left open");
    return 0;
}
