// Fuzz target: a whole cache file through the reader (header-only, then in full), followed by every
// grid channel, every particle channel of every group and the id lookup, read as a host would.
#include "fuzz/FuzzInput.h"
#include "fuzz/ScratchFile.h"
#include "loader/format/FumaraFrameData.h"
#include "loader/format/ParticleGroup.h"

#include <cstring>
#include <memory>

namespace {

using FuzzInput::check;

// Grids above this many voxels are not expanded: a few bytes of a constant zone may rightly describe
// gigabytes, which is a resource limit of the harness, not a fault of the reader.
constexpr int64_t kMaxVoxels = int64_t(1) << 20;
constexpr int kMaxParticles = 1 << 16;

int64_t voxelsOf(const int resolution[3]) {
    int64_t voxels = 1;
    for (int axis = 0; axis < 3; ++axis) {
        if (resolution[axis] < 0) return -1;
        voxels *= resolution[axis];
        if (voxels > kMaxVoxels) return -1;
    }
    return voxels;
}

// Where the values read end up, so that the reads cannot be optimised away.
volatile uint32_t readSink;

// Reads every value of the grid so that a short array shows up under the sanitizers.
void readGrid(IOvr& frame, int64_t voxels) {
    for (int channel = -1; channel <= 32; ++channel) {
        const bool valid = channel >= 0 && channel < 32;
        // Numbers outside 0..31 ask for their bit modulo 32 of the channel flags, as hosts expect.
        frame.hasChannel(channel);
        if (voxels < 0) continue;
        const float* values = frame.getChannelData(channel);
        check(valid || values == nullptr, "channel data outside 0..31");
        if (!values) continue;
        uint32_t mix = 0;
        for (int64_t i = 0; i < voxels; ++i) {
            uint32_t bits;
            std::memcpy(&bits, values + i, sizeof bits);
            mix ^= bits;
        }
        readSink = mix;
        // Later requests hand out the same grid.
        check(frame.getChannelData(channel) == values, "channel grid replaced");
    }
}

void readGroup(FumaraFrameData::PGroup& group, bool gridReadable) {
    const int count = group.getCount();
    check(count >= 0, "negative particle count");
    const int particles = count < kMaxParticles ? count : kMaxParticles;
    for (int channel = -1; channel <= 32; ++channel) {
        const int size = group.getChannelByteSize(channel);
        group.getChannelType(channel);
        group.getChannelComponents(channel);
        if (!group.hasChannel(channel)) continue;
        check(channel >= 0 && channel < 32, "particle channel outside 0..31");
        // Velocities of this kind are sampled from the grid, which the harness may not expand.
        if (channel == 1 && group.kind == FumaraFrameData::PGroup::GridVelocityKind && !gridReadable) continue;
        std::unique_ptr<uint8_t[]> value(new uint8_t[size]);
        for (int p = 0; p < particles; ++p) {
            if (group.getParticleValue(p, channel, value.get()) && size >= 4) {
                uint32_t word;
                std::memcpy(&word, value.get() + size - 4, sizeof word);
                readSink = word;
            }
        }
    }
    // Ids stored for fewer particles than the group claims are not searched.
    long long lastId = 0;
    if (!group.hasChannel(10) || count == 0 || !group.getParticleValue(count - 1, 10, &lastId)) return;
    for (int p = 0; p < particles; ++p) {
        long long id = 0;
        if (!group.getParticleValue(p, 10, &id)) continue;
        const int found = group.findParticleById(id);
        check(found >= 0 && found < count, "a stored id is not found");
        long long foundId = 0;
        check(group.getParticleValue(found, 10, &foundId) == 1 && foundId == id, "id lookup gives another particle");
        const int next = group.findParticleById(static_cast<long long>(static_cast<unsigned long long>(id) + 1));
        check(next >= -1 && next < count, "id lookup outside the group");
    }
}

void readFrame(FumaraFrameData& frame) {
    int resolution[3] = {};
    frame.getResolution(resolution);
    float transform[12];
    frame.getTransform(transform);
    const int64_t voxels = voxelsOf(resolution);
    readGrid(frame, voxels);

    const int visible = frame.getParticleGroupCount();
    check(visible >= 0 && visible <= frame.groupCount(), "group count");
    check(frame.getParticleGroup(-1) == nullptr && frame.getParticleGroup(visible) == nullptr, "group index");
    for (int i = 0; i < visible; ++i) check(frame.getParticleGroup(i) != nullptr, "counted group missing");
    // Every group, with or without positions, through the frame's own list.
    for (int i = 0; i < frame.groupCount(); ++i) {
        FumaraFrameData::PGroup& group = *frame.group(i);
        // A name with a zero byte in it cannot be asked for as a C string.
        if (std::strlen(group.getName()) == group.name.size())
            check(frame.findParticleGroup(group.getName()) != nullptr, "group not found by its name");
        readGroup(group, voxels >= 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = FuzzScratch::write(data, size, ".ovr");
    {
        FumaraFrameData header;
        if (header.load(path.c_str(), "", 0.0, -1, true) == 0) {
            int resolution[3];
            header.getResolution(resolution);
            for (int channel = 0; channel < 32; ++channel) header.hasChannel(channel);
        }
    }
    FumaraFrameData frame;
    if (frame.load(path.c_str(), "", 0.0, -1, false) == 0) readFrame(frame);
    return 0;
}
