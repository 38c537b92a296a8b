// Fuzz target: a whole cache file through the reader (header-only, then in full), followed by every
// grid channel, every particle channel of every group and the id lookup, read as a host would.
#include "fuzz/FuzzInput.h"
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

// Where the values read end up, so that the reads cannot be optimised away.
volatile uint32_t readSink;

uint32_t wordAt(const void* bytes) {
    uint32_t word;
    return std::memcpy(&word, bytes, sizeof word), word;
}

// Reads every value of the grid (voxels < 0: none, too large or header only) so that a short array shows up under
// the sanitizers. Numbers outside 0..31 ask for their bit modulo 32 of the channel flags, as hosts expect.
void readGrid(IOvr& frame, int64_t voxels) {
    for (int channel = -1; channel <= 32; ++channel) {
        frame.hasChannel(channel);
        const float* values = voxels < 0 ? nullptr : frame.getChannelData(channel);
        check(values == nullptr || (channel >= 0 && channel < 32), "channel data outside 0..31");
        uint32_t mix = 0;
        for (int64_t i = 0; values && i < voxels; ++i) mix ^= wordAt(values + i);
        readSink = mix;
        check(values == nullptr || frame.getChannelData(channel) == values, "channel grid replaced");
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
        for (int p = 0; p < particles; ++p)
            if (group.getParticleValue(p, channel, value.get()) && size >= 4) readSink = wordAt(value.get() + size - 4);
    }
    // Ids stored for fewer particles than the group claims are not searched.
    long long lastId = 0;
    if (!group.hasChannel(10) || count == 0 || !group.getParticleValue(count - 1, 10, &lastId)) return;
    for (int p = 0; p < particles; ++p) {
        long long id = 0, foundId = 0;
        if (!group.getParticleValue(p, 10, &id)) continue;
        const int found = group.findParticleById(id);
        check(found >= 0 && found < count, "a stored id is not found");
        check(group.getParticleValue(found, 10, &foundId) == 1 && foundId == id, "id lookup gives another particle");
        const int next = group.findParticleById(static_cast<long long>(static_cast<unsigned long long>(id) + 1));
        check(next >= -1 && next < count, "id lookup outside the group");
    }
}

void readFrame(FumaraFrameData& frame, bool headerOnly) {
    int resolution[3] = {};
    float transform[12];
    frame.getResolution(resolution);
    frame.getTransform(transform);
    int64_t voxels = headerOnly ? -1 : 1;  // a header-only frame has no values to read
    for (int axis = 0; axis < 3 && voxels >= 0; ++axis) {
        voxels = resolution[axis] < 0 ? -1 : voxels * resolution[axis];
        if (voxels > kMaxVoxels) voxels = -1;
    }
    readGrid(frame, voxels);

    const int visible = frame.getParticleGroupCount();
    check(visible >= 0 && visible <= frame.groupCount(), "group count");
    check(frame.getParticleGroup(-1) == nullptr && frame.getParticleGroup(visible) == nullptr, "group index");
    for (int i = 0; i < visible; ++i) check(frame.getParticleGroup(i) != nullptr, "counted group missing");
    // Every group, with or without positions; a name with a zero byte cannot be asked for as a C string.
    for (int i = 0; i < frame.groupCount(); ++i) {
        FumaraFrameData::PGroup& group = *frame.group(i);
        if (std::strlen(group.getName()) == group.name.size())
            check(frame.findParticleGroup(group.getName()) != nullptr, "group not found by its name");
        readGroup(group, voxels >= 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = FuzzInput::scratchFile(data, size, ".ovr");
    for (bool headerOnly : {true, false}) {
        FumaraFrameData frame;
        if (frame.load(path.c_str(), "", 0.0, -1, headerOnly) == 0) readFrame(frame, headerOnly);
    }
    return 0;
}
