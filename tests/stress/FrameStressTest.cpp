// Many host threads on the frames of one sequence at once, with the built-in thread manager
// registered: some open, read and release frames over and over (so frames are created, shared and
// destroyed while others read them), others hold a frame and read it throughout. Every read must
// equal a single-threaded read of the same frame. Creating and releasing go through one host-side
// mutex, as hosts must serialise them; reads run concurrently. scripts/stress.sh runs this suite
// under ThreadSanitizer.
#include "loader/api/IOvr.h"
#include "loader/format/FrameDataArray.h"
#include "parallel/FmrParallel.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFrames = 4;
constexpr int kOpeners = 4;
constexpr int kHolders = 2;
constexpr int kRounds = 6;

using Words = std::vector<uint32_t>;

// Everything a host can read from one frame, as bit patterns.
struct FrameContents {
    std::vector<Words> channels;  // 0..31; empty when getChannelData gives null
    std::vector<Words> particles; // per visible group, per channel 0..31: all particles' values
    std::vector<int> idLookups;   // per visible group, findParticleById of every stored id
    bool operator==(const FrameContents& o) const {
        return channels == o.channels && particles == o.particles && idLookups == o.idLookups;
    }
};

Words floatWords(const float* values, int64_t count) {
    Words words(static_cast<size_t>(count));
    if (count > 0) std::memcpy(words.data(), values, words.size() * 4);
    return words;
}

// Reads the whole frame, starting with a different channel for each `order` so that threads ask
// for channels in different orders.
FrameContents readFrame(IOvr& frame, int order) {
    int resolution[3] = {};
    frame.getResolution(resolution);
    const int64_t voxels = int64_t(resolution[0]) * resolution[1] * resolution[2];
    FrameContents contents;
    contents.channels.resize(32);
    for (int i = 0; i < 32; ++i) {
        const int channel = (i + order) % 32;
        if (const float* values = frame.getChannelData(channel)) contents.channels[channel] = floatWords(values, voxels);
    }
    for (int g = 0; g < frame.getParticleGroupCount(); ++g) {
        IFumaraPrtGroup& group = *frame.getParticleGroup(g);
        contents.particles.resize(contents.particles.size() + 32);
        Words* groupChannels = &contents.particles[contents.particles.size() - 32];
        for (int i = 0; i < 32; ++i) {
            const int channel = (i + order) % 32;
            Words values;
            if (group.hasChannel(channel) && group.getChannelByteSize(channel) > 0) {
                const int words = group.getChannelByteSize(channel) / 4;
                std::vector<uint32_t> value(static_cast<size_t>(words));
                for (int p = 0; p < group.getCount(); ++p) {
                    if (!group.getParticleValue(p, channel, value.data())) value.assign(value.size(), 0xBADBADu);
                    values.insert(values.end(), value.begin(), value.end());
                }
            }
            groupChannels[channel] = values;
        }
        for (int p = 0; p < group.getCount(); ++p) {
            long long id = 0;
            contents.idLookups.push_back(group.getParticleValue(p, 10, &id) ? group.findParticleById(id) : -2);
        }
    }
    return contents;
}

std::vector<uint32_t> toWords(const std::vector<float>& values) {
    return floatWords(values.data(), int64_t(values.size()));
}

// One plume frame whose channels are cut into many small zones, so that every channel decodes on
// the worker threads. Even frames keep their particles in the particle data chunk (the ids as bit
// planes, reassembled on the workers), odd ones in the compressed particle section (their bounds
// computed on the workers while reading).
OvrWriter::Bytes stressFrame(int frame) {
    OvrSynth::PlumeSettings plume;
    plume.resolution = 16;
    plume.particlesPerFrame = 48;
    const int32_t n = plume.resolution;
    OvrSynth::GridFields fields;
    OvrSynth::computeGrid(plume, frame, fields);
    const int32_t version = frame % 2 ? 4 : 5;
    OvrWriter::QuantOptions quant;
    OvrWriter::GridDataBuilder grid;
    const std::pair<int32_t, const std::vector<float>*> channels[] = {
        {1, &fields.temperature}, {2, &fields.smoke}, {4, &fields.velocityX}, {5, &fields.velocityY}, {6, &fields.velocityZ}};
    for (const auto& channel : channels) {
        const float* values = channel.second->data();
        grid.addBlock(channel.first, version >= 5 ? OvrWriter::encodeChannel1D(values, int64_t(n) * n * n, quant, 256)
                                                  : OvrWriter::encodeChannel3D(values, n, n, n, quant, 2));
    }
    grid.addBlock(18, OvrWriter::packedColourPayload(fields.colour.data(), int64_t(fields.colour.size())));

    const OvrSynth::ParticleSet particles = OvrSynth::computeParticles(plume, frame);
    OvrWriter::ParticleGroup group;
    group.name = "plume";
    group.count = particles.count();
    group.channels.push_back({0, toWords(particles.positions), 2, 0, {}, {}, {}});
    group.channels.push_back({1, toWords(particles.velocities), 3, 12, {}, {}, {}});

    OvrWriter::CacheWriter file(version);
    file.channelFlags(grid.channelFlags());
    file.grid(n, n, n, grid.words());
    if (frame % 2) {
        group.ids = particles.ids;
        file.particles({group}, true);
    } else {
        group.channels.push_back({10, OvrWriter::idWords(particles.ids), 4, 0, {}, {}, {}});
        file.particleData({group});
    }
    return file.build();
}

class FrameStress : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("ovr-stress-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        for (int f = 0; f < kFrames; ++f) {
            paths_.push_back((folder_ / ("plume_" + std::to_string(f) + ".ovr")).string());
            ASSERT_TRUE(OvrWriter::writeBytes(paths_.back(), stressFrame(10 + f)));
        }
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::filesystem::path folder_;
    std::vector<std::string> paths_;
};

TEST_F(FrameStress, ConcurrentOpenReadReleaseMatchesSingleThreadedReads) {
    // The reference: each frame read alone on this thread, with no thread manager.
    std::vector<FrameContents> expected;
    for (const std::string& path : paths_) {
        IOvr* frame = newIOvr(path.c_str());
        ASSERT_NE(frame, nullptr) << path;
        expected.push_back(readFrame(*frame, 0));
        deleteIOvr(frame);
        // Stored, derived (speed) and unpacked (colour) channels, and particles with their ids.
        for (int channel : {2, 3, 7}) ASSERT_FALSE(expected.back().channels[size_t(channel)].empty()) << channel;
        ASSERT_FALSE(expected.back().particles.empty());
        ASSERT_FALSE(expected.back().idLookups.empty());
    }
    ASSERT_EQ(FumaraFrame::FrameDataArray.count(), 0);

    ZUtils::ThreadManager* manager = createDefaultThreadManager();
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(FMRUtils::pushThreadManager(manager));

    std::mutex hostLock;  // creating and releasing frames: one thread at a time
    std::atomic<int> mismatches{0}, failedOpens{0};
    auto open = [&](int index) {
        std::lock_guard<std::mutex> lock(hostLock);
        return newIOvr(paths_[size_t(index)].c_str());
    };
    auto release = [&](IOvr* frame) {
        std::lock_guard<std::mutex> lock(hostLock);
        deleteIOvr(frame);
    };
    auto check = [&](IOvr* frame, int index, int order) {
        if (!frame) {
            ++failedOpens;
            return;
        }
        if (!(readFrame(*frame, order) == expected[size_t(index)])) ++mismatches;
    };

    std::vector<std::thread> threads;
    // Holders keep frames 0 and 1 open and read them throughout; frames 2 and 3 live only while an
    // opener holds them.
    for (int h = 0; h < kHolders; ++h) {
        threads.emplace_back([&, h] {
            IOvr* frame = open(h);
            for (int round = 0; round < kRounds; ++round) check(frame, h, 7 * round + h);
            if (frame) release(frame);
        });
    }
    for (int t = 0; t < kOpeners; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const int index = (t + round) % kFrames;
                IOvr* frame = open(index);
                check(frame, index, 5 * t + round);
                if (frame) release(frame);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    FMRUtils::popThreadManager();
    destroyDefaultThreadManager(manager);
    EXPECT_EQ(failedOpens.load(), 0);
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(FumaraFrame::FrameDataArray.count(), 0) << "a frame outlived its last release";
}

}  // namespace
