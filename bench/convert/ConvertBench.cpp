// Converting plume sequences with cacheconv's frame loop, each configuration in a fresh process
// (this program run again as a child):
// - six 256^3 frames: frames per second one after another (the baseline) and with frames in flight
//   at 1 and 2 workers and with "-threads 0", and the seconds each stage took; and, as the
//   machine's own ceiling, two serial conversions of three frames each side by side;
// - output sizes of the layouts, sparse and half against the .ovr sources, on those frames and on
//   the demo's twelve 96^3 frames;
// - the first expansion of a frame's channels in a fresh process against a second one (medians);
// - the peak memory of converting one 512^3 frame against the frame's float size.
// Prints the ratios after the runs.
#include "bench/convert/ChildModes.h"
#include "bench/convert/ChildRun.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path Folder = fs::temp_directory_path() / ("bench_convert_" + std::to_string(getpid()));
std::map<std::string, double> g_results;

struct Sequence {
    std::string name;
    int resolution;
    int frames;
};
const Sequence Plume256 = {"p256", 256, 6};
const Sequence Demo96 = {"demo", 96, 12};
const Sequence Plume512 = {"p512", 512, 1};

std::string sourcePattern(const Sequence& s) { return (Folder / (s.name + "_####.ovr")).string(); }

// Writes the sequence's frames 1..frames once, on every core.
bool writeSequence(const Sequence& s) {
    if (fs::exists(Folder / (s.name + "_0001.ovr"))) return true;
    fs::create_directories(Folder);
    std::vector<std::thread> writers;
    std::vector<char> written(s.frames, 0);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned worker = 0; worker < cores; ++worker)
        writers.emplace_back([&, worker] {
            OvrSynth::FrameOptions options;
            options.plume.resolution = s.resolution;
            for (int frame = 1 + static_cast<int>(worker); frame <= s.frames; frame += static_cast<int>(cores)) {
                char name[64];
                std::snprintf(name, sizeof name, "%s_%04d.ovr", s.name.c_str(), frame);
                written[frame - 1] = OvrWriter::writeBytes((Folder / name).string(), OvrSynth::buildPlumeFrame(options, frame));
            }
        });
    for (std::thread& writer : writers) writer.join();
    for (char ok : written)
        if (!ok) return false;
    return true;
}

// Total size of the files whose names start with prefix; removes them when remove is set.
double folderBytes(const std::string& prefix, bool remove) {
    double bytes = 0;
    for (const auto& entry : fs::directory_iterator(Folder)) {
        if (entry.path().filename().string().rfind(prefix, 0) != 0) continue;
        bytes += static_cast<double>(entry.file_size());
        if (remove) fs::remove(entry.path());
    }
    return bytes;
}

struct Conversion {
    std::string threads = "-1";
    std::string layout = "fumara";
    bool sparse = false;
    bool half = false;
};

// Converts the sequence in a child process and records frames per second, stage times, peak
// memory and output size under key.
void convert(benchmark::State& state, const Sequence& s, const Conversion& c, const std::string& key) {
    if (!writeSequence(s)) {
        state.SkipWithError("cannot write the sequence");
        return;
    }
    const std::string output = "out_" + s.name + "_";
    for (auto _ : state) {
        const ChildResult r = runChild({"--child", "convert", c.threads, c.layout, c.sparse ? "1" : "0", c.half ? "1" : "0",
                                        sourcePattern(s), (Folder / (output + "####.vdb")).string(), "1",
                                        std::to_string(s.frames)});
        if (!r.ok) {
            state.SkipWithError("the conversion failed");
            return;
        }
        state.SetIterationTime(r.seconds);
        double load = 0, decode = 0, fill = 0, write = 0, peakKB = 0;
        std::istringstream(r.out) >> load >> decode >> fill >> write >> peakKB;
        const double fps = s.frames / r.seconds;
        state.counters["fps"] = fps;
        state.counters["load_s"] = load;
        state.counters["decode_s"] = decode;
        state.counters["fill_s"] = fill;
        state.counters["write_s"] = write;
        state.counters["peak_MB"] = peakKB / 1024.0;
        g_results[key + ".fps"] = fps;
        g_results[key + ".seconds"] = r.seconds;
        g_results[key + ".peakBytes"] = peakKB * 1024.0;
        g_results[key + ".bytes"] = folderBytes(output, true);
        state.counters["out_MB"] = g_results[key + ".bytes"] / 1e6;
    }
}

// Medians over several fresh processes: page faults on new memory vary from run to run.
// What the machine gives two independent serial conversions, each of half the frames at once:
// the ceiling for frames in flight on this machine's cores, memory and disk.
void twoProcesses(benchmark::State& state) {
    if (!writeSequence(Plume256)) return state.SkipWithError("cannot write the sequence");
    const int half = Plume256.frames / 2;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        ChildResult results[2];
        std::thread second([&] { results[1] = runChild({"--child", "convert", "-1", "fumara", "0", "0", sourcePattern(Plume256),
                                                        (Folder / "out_two_####.vdb").string(), std::to_string(half + 1),
                                                        std::to_string(Plume256.frames)}); });
        results[0] = runChild({"--child", "convert", "-1", "fumara", "0", "0", sourcePattern(Plume256),
                               (Folder / "out_two_####.vdb").string(), "1", std::to_string(half)});
        second.join();
        if (!results[0].ok || !results[1].ok) return state.SkipWithError("the conversion failed");
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["fps"] = g_results["Convert256/two-processes.fps"] = Plume256.frames / seconds;
        folderBytes("out_two_", true);
    }
}

void coldDecode(benchmark::State& state) {
    if (!writeSequence(Plume256)) return state.SkipWithError("cannot write the sequence");
    for (auto _ : state) {
        std::vector<double> colds, warms;
        for (int run = 0; run < 7; ++run) {
            const ChildResult r = runChild({"--child", "decode", (Folder / "p256_0006.ovr").string()});
            if (!r.ok) return state.SkipWithError("the decode failed");
            double cold = 0, warm = 0;
            std::istringstream(r.out) >> cold >> warm;
            colds.push_back(cold);
            warms.push_back(warm);
        }
        std::sort(colds.begin(), colds.end());
        std::sort(warms.begin(), warms.end());
        const double cold = colds[colds.size() / 2], warm = warms[warms.size() / 2];
        state.SetIterationTime(cold);
        state.counters["cold_s"] = g_results["decode.cold"] = cold;
        state.counters["warm_s"] = g_results["decode.warm"] = warm;
        state.counters["cold_max_s"] = colds.back();
    }
}

void registerAll() {
    auto add = [](const std::string& name, const Sequence& s, const Conversion& c) {
        benchmark::RegisterBenchmark(name.c_str(), [s, c, name](benchmark::State& state) { convert(state, s, c, name); })
            ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
    };
    add("Convert256/serial", Plume256, {});
    add("Convert256/workers:1", Plume256, {"1"});
    add("Convert256/workers:2", Plume256, {"2"});
    add("Convert256/threads:0", Plume256, {"0"});
    benchmark::RegisterBenchmark("Convert256/two-processes", twoProcesses)
        ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
    add("Convert256/sparse", Plume256, {"-1", "fumara", true});
    add("Convert256/blender-sparse-half", Plume256, {"-1", "blender", true, true});
    add("Demo96/default", Demo96, {});
    add("Demo96/sparse", Demo96, {"-1", "fumara", true});
    add("Demo96/blender-sparse-half", Demo96, {"-1", "blender", true, true});
    benchmark::RegisterBenchmark("ColdDecode256", coldDecode)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
    add("Convert512/serial", Plume512, {});
}

double sourceBytes(const Sequence& s) { return folderBytes(s.name + "_", false); }

void printRatios() {
    auto result = [](const std::string& key) {
        const auto found = g_results.find(key);
        return found == g_results.end() ? 0.0 : found->second;
    };
    auto ratio = [](const char* what, double a, double b) {
        if (a > 0 && b > 0) std::printf("%-62s %.2f\n", what, a / b);
    };
    ratio("fps, -threads 0 / serial (256^3):", result("Convert256/threads:0.fps"), result("Convert256/serial.fps"));
    ratio("fps, two serial processes side by side / serial (256^3):", result("Convert256/two-processes.fps"),
          result("Convert256/serial.fps"));
    ratio("fps, 1 worker / serial (256^3):", result("Convert256/workers:1.fps"), result("Convert256/serial.fps"));
    ratio("fps, 2 workers / serial (256^3):", result("Convert256/workers:2.fps"), result("Convert256/serial.fps"));
    ratio("size, default .vdb / .ovr (256^3):", result("Convert256/serial.bytes"), sourceBytes(Plume256));
    ratio("size, -sparse / default (256^3):", result("Convert256/sparse.bytes"), result("Convert256/serial.bytes"));
    ratio("time, -sparse / default (256^3):", result("Convert256/sparse.seconds"), result("Convert256/serial.seconds"));
    ratio("size, -layout blender -sparse -half / .ovr (256^3):", result("Convert256/blender-sparse-half.bytes"),
          sourceBytes(Plume256));
    ratio("size, default .vdb / .ovr (demo):", result("Demo96/default.bytes"), sourceBytes(Demo96));
    ratio("size, -sparse / default (demo):", result("Demo96/sparse.bytes"), result("Demo96/default.bytes"));
    ratio("time, -sparse / default (demo):", result("Demo96/sparse.seconds"), result("Demo96/default.seconds"));
    ratio("size, -layout blender -sparse -half / .ovr (demo):", result("Demo96/blender-sparse-half.bytes"),
          sourceBytes(Demo96));
    ratio("decode, first in a fresh process / second (256^3):", result("decode.cold"), result("decode.warm"));
    const double floatBytes = 9.0 * 4.0 * 512 * 512 * 512;
    ratio("peak memory / frame float size (512^3, 9 channels):", result("Convert512/serial.peakBytes"), floatBytes);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--child") return runChildMode(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    printRatios();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(Folder, ignored);
    return 0;
}
