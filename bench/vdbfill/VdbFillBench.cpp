// Building and writing the grids of one 9-channel frame of 192^3 voxels: the voxel-by-voxel
// accessor fill (the baseline), fillGridFromDense, OpenVDB's own write of the finished grids, and
// writeVDBFrame (fill and write together). Prints the ratios against the baseline and the write.
#include "bench/vdbfill/AccessorFill.h"
#include "converter/VdbFrameWriter.h"
#include "converter/VdbGrids.h"
#include "bench/vdbfill/MemoryFrame.h"

#include <benchmark/benchmark.h>
#include <openvdb/io/File.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Side = 192;
const int frameChannels[] = {2, 1, 10, 4, 5, 6, 7, 8, 9};

MemoryFrame& benchFrame() {
    static MemoryFrame frame = [] {
        MemoryFrame made(Side, Side, Side);
        for (int channel : frameChannels)
            made.addChannel(channel, [channel](size_t i) { return std::sin(0.001f * static_cast<float>(i) + channel); });
        return made;
    }();
    return frame;
}

std::string outputPath() { return "/tmp/bench_vdbfill_" + std::to_string(getpid()) + ".vdb"; }

template <class Fill>
void fillAll(benchmark::State& state, Fill fill) {
    MemoryFrame& frame = benchFrame();
    for (auto _ : state) {
        std::vector<openvdb::FloatGrid::Ptr> grids(9);
        for (int g = 0; g < 9; ++g) fill(frame.getChannelData(frameChannels[g]), grids[g], Side, Side, Side, "grid");
        benchmark::DoNotOptimize(grids.data());
    }
    state.SetItemsProcessed(state.iterations() * 9 * Side * Side * Side);
}

void AccessorFill(benchmark::State& state) { fillAll(state, fillGridPerVoxel); }
void DenseGridFill(benchmark::State& state) {
    fillAll(state, [](const float* data, openvdb::FloatGrid::Ptr& grid, int nx, int ny, int nz, const char* name) {
        fillGridFromDense(data, grid, nx, ny, nz, name);
    });
}

void FileWrite(benchmark::State& state) {
    MemoryFrame& frame = benchFrame();
    openvdb::GridPtrVec output;
    buildFrameGrids(&frame, VdbOutputOptions(), output);
    const std::string path = outputPath();
    for (auto _ : state) {
        openvdb::io::File file(path);
        file.write(output);
        file.close();
    }
    std::remove(path.c_str());
}

void WriteVDBFrame(benchmark::State& state) {
    const std::string path = outputPath();
    for (auto _ : state) benchmark::DoNotOptimize(writeVDBFrame(path.c_str(), &benchFrame()));
    std::remove(path.c_str());
}

BENCHMARK(AccessorFill)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(DenseGridFill)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(FileWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(WriteVDBFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Keeps each benchmark's real time per iteration for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) seconds_[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const {
        auto time = [this](const char* name) {
            auto found = seconds_.find(name);
            return found == seconds_.end() ? 0.0 : found->second;
        };
        const double baseline = time("AccessorFill");
        const double fill = time("DenseGridFill");
        const double write = time("FileWrite");
        const double frame = time("WriteVDBFrame");
        if (fill > 0 && baseline > 0) std::printf("DenseGridFill speed-up over AccessorFill: %.2fx\n", baseline / fill);
        if (fill > 0 && write > 0) std::printf("DenseGridFill time / FileWrite time: %.2f\n", fill / write);
        if (frame > 0 && write > 0) std::printf("WriteVDBFrame time / FileWrite time: %.2f\n", frame / write);
    }

private:
    std::map<std::string, double> seconds_;
};

} // namespace

int main(int argc, char** argv) {
    openvdb::initialize();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
