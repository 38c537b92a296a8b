// One frame used from many threads at once: every thread must see the same channels and values,
// with work on the calling threads only and with the built-in thread manager registered.
#include "FormatTestSupport.h"

#include "parallel/FmrParallel.h"
#include "parallel/WinThreadManager.h"

#include <gtest/gtest.h>

#include <thread>

using namespace FormatTest;

namespace {

constexpr int X = 40, Y = 32, Z = 24;
constexpr int64_t V = int64_t(X) * Y * Z;
constexpr int Threads = 8;
constexpr int Particles = 3000;
// Every grid channel the frame stores or derives.
const std::vector<int> GridChannels = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
// Every particle channel of the group, stored in every method, plus velocities from the grid.
const std::vector<int> ParticleChannels = {0, 1, 2, 3, 4, 5, 10, 12};

std::string sharedFile() {
    OvrWriter::GridDataBuilder grid;
    OvrWriter::QuantOptions options;
    options.bits = 12;
    for (int c : {0, 1, 2, 4, 5, 6}) {
        const std::vector<float> values = pattern(V, 1.0f + c, c);
        grid.addBlock(c, OvrWriter::encodeChannel1D(values.data(), V, options, 2048));
    }
    std::vector<uint32_t> colours(V);
    for (int64_t i = 0; i < V; ++i)
        colours[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFFu;
    grid.addBlock(18, OvrWriter::packedColourPayload(colours.data(), V));

    OvrWriter::ParticleGroup group;
    group.name = "plume";
    group.count = Particles;
    group.kind = FumaraFrameData::PGroup::GridVelocityKind;
    std::vector<float> positions = pattern(3 * Particles, 10.0f, 12.0f);
    std::vector<int64_t> ids(Particles);
    for (int p = 0; p < Particles; ++p)
        ids[p] = (int64_t(p) * 7919) % 100003;
    const std::vector<std::pair<int, int>> stored = {{0, 4}, {2, 1}, {3, 2}, {4, 3}, {5, 0}, {12, 4}};
    for (auto [channel, method] : stored) {
        OvrWriter::ParticleChannel data;
        data.channel = channel;
        data.method = method;
        data.words = channel == 0 ? floatWords(positions)
                                  : floatWords(pattern(int64_t(Particles) * OvrWriter::particleChannelWords(channel)));
        group.channels.push_back(data);
    }
    OvrWriter::ParticleChannel idChannel;
    idChannel.channel = 10;
    idChannel.method = 1;
    idChannel.words = OvrWriter::idWords(ids);
    group.channels.push_back(idChannel);

    OvrWriter::CacheWriter writer(5);
    writer.channelFlags(grid.channelFlags());
    writer.grid(X, Y, Z, grid.words());
    writer.particleData({group});
    return saveBytes(writer.build(), "shared.ovr");
}

struct Snapshot {
    std::vector<std::vector<float>> grids;
    std::vector<std::vector<uint32_t>> particles;
    std::vector<int> lookups;
};

// Reads everything, starting at a different channel per thread so that the requests collide.
Snapshot readAll(FumaraFrameData& frame, int start) {
    Snapshot snapshot;
    snapshot.grids.resize(GridChannels.size());
    for (size_t i = 0; i < GridChannels.size(); ++i) {
        const size_t slot = (i + start) % GridChannels.size();
        const float* values = frame.getChannelData(GridChannels[slot]);
        snapshot.grids[slot] = values ? std::vector<float>(values, values + V) : std::vector<float>();
    }
    IFumaraPrtGroup& group = *frame.findParticleGroup("plume");
    snapshot.particles.resize(ParticleChannels.size());
    for (size_t i = 0; i < ParticleChannels.size(); ++i) {
        const size_t slot = (i + start) % ParticleChannels.size();
        snapshot.particles[slot] = channelWords(group, ParticleChannels[slot]);
    }
    for (int id = 0; id < 100003; id += 997)
        snapshot.lookups.push_back(group.findParticleById(id));
    return snapshot;
}

void expectSameFromManyThreads(const std::string& path) {
    FumaraFrameData reference;
    ASSERT_EQ(reference.ImportOvr(path.c_str(), false), 0);
    const Snapshot expected = readAll(reference, 0);
    for (const std::vector<float>& values : expected.grids)
        ASSERT_EQ(values.size(), static_cast<size_t>(V));
    for (const std::vector<uint32_t>& words : expected.particles)
        ASSERT_FALSE(words.empty());

    FumaraFrameData shared;
    ASSERT_EQ(shared.ImportOvr(path.c_str(), false), 0);
    std::vector<Snapshot> seen(Threads);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] { seen[t] = readAll(shared, t); });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < Threads; ++t) {
        EXPECT_EQ(seen[t].grids, expected.grids) << "thread " << t;
        EXPECT_EQ(seen[t].particles, expected.particles) << "thread " << t;
        EXPECT_EQ(seen[t].lookups, expected.lookups) << "thread " << t;
    }
}

}  // namespace

TEST(Concurrency, OneFrameReadFromManyThreads) {
    expectSameFromManyThreads(sharedFile());
}

TEST(Concurrency, OneFrameReadFromManyThreadsWithTheThreadManager) {
    ZUtils::WinThreadManager manager;
    ASSERT_TRUE(FMRUtils::pushThreadManager(&manager));
    expectSameFromManyThreads(sharedFile());
    FMRUtils::popThreadManager();
}
