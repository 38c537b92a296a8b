// Loading a plume frame of 160^3 voxels with particles: the file read alone, the expansion of its
// grid channels, and the same blocks decoded by the codec alone (the baseline: the frame layer
// should add less than 10% on top of it). Each runs single-threaded and on the built-in pool.
// Prints the ratios after the runs.
#include "compression/SGCompressor.h"
#include "loader/format/FumaraFrameData.h"
#include "loader/format/ParticleGroup.h"
#include "parallel/ThreadEnvironment.h"
#include "parallel/WinThreadManager.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Resolution = 160;
constexpr int Frame = 60;

struct Block {
    int channel;
    const int32_t* words;
    int64_t bytes;
};

struct BenchFrame {
    std::string path;
    int64_t fileBytes = 0;
    int64_t voxels = 0;
    std::vector<int> storedChannels;   // codec blocks
    std::vector<int> everyChannel;     // stored and derived
    std::unique_ptr<FumaraFrameData> source;  // holds the blocks of the decode-only runs
    std::vector<Block> blocks;
};

BenchFrame* g_frame = nullptr;
ZUtils::ThreadManager* g_pool = nullptr;

bool prepareFrame(BenchFrame& frame) {
    OvrSynth::FrameOptions options;
    options.plume.resolution = Resolution;
    options.plume.particlesPerFrame = 500;
    const OvrWriter::Bytes bytes = OvrSynth::buildPlumeFrame(options, Frame);
    frame.path = "/tmp/ovr_loader_bench_" + std::to_string(getpid()) + ".ovr";
    if (!OvrWriter::writeBytes(frame.path, bytes))
        return false;
    frame.fileBytes = static_cast<int64_t>(bytes.size());
    frame.source = std::make_unique<FumaraFrameData>();
    if (frame.source->ImportOvr(frame.path.c_str(), false) != 0)
        return false;
    frame.voxels = frame.source->voxelCount();
    const FMRUtils::FmrArray<int32_t, int64_t>& words = frame.source->gridData;
    for (int64_t at = 0; at + 1 < words.count() && words[at + 1] > 0; at += 2 + words[at + 1]) {
        if (words[at] != FumaraFrameData::PackedColourChannel) {
            frame.storedChannels.push_back(words[at]);
            frame.blocks.push_back({words[at], words.data() + at + 2, int64_t(words[at + 1]) * 4});
        }
    }
    for (int channel = 0; channel < FumaraFrameData::GridChannelCount; ++channel) {
        if (frame.source->hasChannel(channel))
            frame.everyChannel.push_back(channel);
    }
    return true;
}

// Registers the pool as the current thread manager for one benchmark run.
class PoolScope {
public:
    explicit PoolScope(bool pooled) : pooled_(pooled) {
        if (pooled_)
            FMRUtils::pushThreadManager(g_pool);
    }
    ~PoolScope() {
        if (pooled_)
            FMRUtils::popThreadManager();
    }

private:
    bool pooled_;
};

std::unique_ptr<FumaraFrameData> readFrame() {
    auto frame = std::make_unique<FumaraFrameData>();
    if (frame->ImportOvr(g_frame->path.c_str(), false) != 0)
        return nullptr;
    return frame;
}

void ReadFile(benchmark::State& state, bool pooled) {
    PoolScope pool(pooled);
    for (auto _ : state) {
        std::unique_ptr<FumaraFrameData> frame = readFrame();
        if (!frame) {
            state.SkipWithError("the frame does not read");
            return;
        }
        benchmark::DoNotOptimize(frame.get());
        state.PauseTiming();
        frame.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * g_frame->fileBytes);
}

// Expands channels of a frame read beforehand (the read is not timed); counts the floats.
void Expand(benchmark::State& state, bool pooled, const std::vector<int>* channels, bool particles) {
    PoolScope pool(pooled);
    int64_t items = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<FumaraFrameData> frame = readFrame();
        state.ResumeTiming();
        for (int channel : *channels) {
            if (!frame->getChannelData(channel)) {
                state.SkipWithError("a channel does not expand");
                return;
            }
            items += g_frame->voxels;
        }
        for (int index = 0; particles && index < frame->groupCount(); ++index) {
            FumaraFrameData::PGroup& group = *frame->group(index);
            uint8_t value[12];
            for (int channel = 0; channel < CacheIO::ParticleChannelCount; ++channel) {
                if (!group.hasChannel(channel))
                    continue;
                for (int particle = 0; particle < group.count; ++particle)
                    group.getParticleValue(particle, channel, value);
                items += int64_t(group.count) * group.getChannelByteSize(channel) / 4;
            }
        }
        state.PauseTiming();
        frame.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(items);
}

// The codec alone on the frame's blocks, into one buffer reused for every block, or into a fresh
// buffer per block allocated as the frame allocates its grids. Returns false when a block fails.
bool decodeBlocks(FMRUtils::SGCompressor<1>& decoder, float* reused) {
    const int64_t floats = g_frame->voxels + 4;
    for (const Block& block : g_frame->blocks) {
        CacheIO::GridValues fresh;
        float* out = reused;
        if (!out) {
            if (!fresh.allocate(floats))
                return false;
            out = fresh.data();
        }
        if (decoder.Decompress(block.words, block.bytes, out, floats) != 1)
            return false;
        benchmark::DoNotOptimize(out);
    }
    return true;
}

void DecodeOnly(benchmark::State& state, bool pooled) {
    PoolScope pool(pooled);
    FMRUtils::SGCompressor<1> decoder;
    std::vector<float> reused(static_cast<size_t>(g_frame->voxels + 4));
    for (auto _ : state) {
        if (!decodeBlocks(decoder, reused.data())) {
            state.SkipWithError("a block does not decode");
            return;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * g_frame->voxels * int64_t(g_frame->blocks.size()));
}

// Processor time of all threads of the process, and wall time, in milliseconds.
struct Clock {
    double cpu;
    double wall;
    static Clock now() {
        timespec cpuTime;
        timespec wallTime;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuTime);
        clock_gettime(CLOCK_MONOTONIC, &wallTime);
        return {cpuTime.tv_sec * 1e3 + cpuTime.tv_nsec / 1e6, wallTime.tv_sec * 1e3 + wallTime.tv_nsec / 1e6};
    }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The frame's expansion and the codec alone, taken in turns on the same blocks so that both see
// the same machine; prints the medians of Rounds rounds.
void comparePaired(bool pooled) {
    constexpr int Rounds = 15;
    PoolScope pool(pooled);
    FMRUtils::SGCompressor<1> decoder;
    std::vector<float> reused(static_cast<size_t>(g_frame->voxels + 4));
    std::vector<double> expandCpu, expandWall, decodeCpu, decodeWall, freshCpu, freshWall;
    for (int round = 0; round < Rounds; ++round) {
        std::unique_ptr<FumaraFrameData> frame = readFrame();
        const Clock start = Clock::now();
        for (int channel : g_frame->storedChannels)
            benchmark::DoNotOptimize(frame->getChannelData(channel));
        const Clock expanded = Clock::now();
        decodeBlocks(decoder, reused.data());
        const Clock decoded = Clock::now();
        decodeBlocks(decoder, nullptr);
        const Clock fresh = Clock::now();
        expandCpu.push_back(expanded.cpu - start.cpu);
        expandWall.push_back(expanded.wall - start.wall);
        decodeCpu.push_back(decoded.cpu - expanded.cpu);
        decodeWall.push_back(decoded.wall - expanded.wall);
        freshCpu.push_back(fresh.cpu - decoded.cpu);
        freshWall.push_back(fresh.wall - decoded.wall);
    }
    const double expand = median(expandCpu), decode = median(decodeCpu), freshDecode = median(freshCpu);
    const double floats = double(g_frame->voxels) * double(g_frame->blocks.size());
    std::printf("%-8s %10.1f %10.1f %10.1f %10.1f %10.1f %10.1f %9.1f%% %9.1f%% %11.1f %11.1f\n", pooled ? "pool" : "1thread",
                expand, median(expandWall), decode, median(decodeWall), freshDecode, median(freshWall),
                100.0 * (expand / decode - 1), 100.0 * (expand / freshDecode - 1), floats / median(expandWall) / 1e3,
                floats / median(decodeWall) / 1e3);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    BenchFrame frame;
    if (!prepareFrame(frame)) {
        std::fprintf(stderr, "could not write and read the benchmark frame\n");
        return 1;
    }
    g_frame = &frame;
    ZUtils::WinThreadManager pool;
    g_pool = &pool;
    std::printf("frame: %d^3 voxels, %lld bytes, %zu stored channels, %zu channels in all, %d particle groups\n",
                Resolution, static_cast<long long>(frame.fileBytes), frame.storedChannels.size(),
                frame.everyChannel.size(), frame.source->groupCount());
    std::printf("pool threads: %d (default count)\n\n", ZUtils::getDefaultThreadCount());

    for (const char* mode : {"1thread", "pool"}) {
        const bool pooled = std::string(mode) == "pool";
        const std::string suffix = std::string("/") + mode;
        for (benchmark::internal::Benchmark* bench :
             {benchmark::RegisterBenchmark(("read_file" + suffix).c_str(), ReadFile, pooled),
              benchmark::RegisterBenchmark(("expand_stored" + suffix).c_str(), Expand, pooled, &frame.storedChannels, false),
              benchmark::RegisterBenchmark(("decode_only" + suffix).c_str(), DecodeOnly, pooled),
              benchmark::RegisterBenchmark(("expand_all" + suffix).c_str(), Expand, pooled, &frame.everyChannel, true)})
            bench->Unit(benchmark::kMillisecond)->MinTime(2.0)->MeasureProcessCPUTime()->UseRealTime();
    }

    benchmark::RunSpecifiedBenchmarks();

    std::printf("\nThe stored channels expanded by the frame, then decoded by the codec alone (median of 15 rounds):\n");
    std::printf("%-8s %10s %10s %10s %10s %10s %10s %10s %10s %11s %11s\n", "mode", "expand", "(wall)", "decode",
                "(wall)", "fresh", "(wall)", "overhead", "vs fresh", "exp Mfl/s", "dec Mfl/s");
    comparePaired(false);
    comparePaired(true);
    std::printf("(milliseconds of processor time of all threads, wall time in brackets; decode: into one reused\n"
                " buffer; fresh: into a new buffer per block allocated as the frame does; overhead: what the\n"
                " expansion adds to the decode; target < 10%%; Mfl/s: million floats per second of wall time)\n");
    unlink(frame.path.c_str());
    benchmark::Shutdown();
    return 0;
}
