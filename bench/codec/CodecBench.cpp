// Decoding speed of the float codec in floats per second, against a literal bit-at-a-time decoder and
// against memcpy of the same output bytes, on one thread and on a zone table spread over the built-in
// pool. Prints the ratios after the runs twice: from the benchmarks' medians, and from rounds that time
// the four back to back, which a shared machine's slow spells disturb less.
//
//   build/<dir>/bench/codec/bench_codec [--benchmark_filter=...]
#include "LiteralDecoder.h"
#include "SampleBlocks.h"
#include "compression/SGCompressor.h"
#include "parallel/FmrParallel.h"
#include "parallel/ThreadEnvironment.h"
#include "parallel/WinThreadManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

using CodecBench::SampleBlock;

namespace {

ZUtils::WinThreadManager* g_pool = nullptr;

// Runs f with a codec of the block's variant.
template <class F>
void WithCodec(int dims, int threads, F&& f) {
    if (dims == 1) {
        FMRUtils::SGCompressor<1> codec(threads);
        f(codec);
    } else {
        FMRUtils::SGCompressor<3> codec(threads);
        f(codec);
    }
}

void Decode(benchmark::State& state, const SampleBlock* b, bool pool) {
    std::vector<float> out(size_t(b->floatCount));
    if (pool) FMRUtils::pushThreadManager(g_pool);
    WithCodec(b->dims, pool ? -1 : 1, [&](auto& codec) {
        for (auto _ : state) {
            if (codec.Decompress(b->bytes.data(), int64_t(b->bytes.size()), out.data(), b->floatCount) != 1) {
                state.SkipWithError("decode failed");
                break;
            }
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
        }
        if (pool) state.counters["threads"] = codec.jobCount();
    });
    if (pool) FMRUtils::popThreadManager();
    state.SetItemsProcessed(int64_t(state.iterations()) * b->floatCount);
}

void Literal(benchmark::State& state, const SampleBlock* b) {
    std::vector<float> out(size_t(b->floatCount));
    for (auto _ : state) {
        if (!CodecBench::LiteralDecompress(b->dims, b->bytes.data(), int64_t(b->bytes.size()), out.data(),
                                           b->floatCount)) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * b->floatCount);
}

void Memcpy(benchmark::State& state, const SampleBlock* b) {
    std::vector<float> src(size_t(b->floatCount), 1.0f), dst(size_t(b->floatCount));
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(float));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * b->floatCount);
}

// Every decoder must give the same floats, bit for bit, before anything is timed.
bool Agree(const SampleBlock& b) {
    std::vector<float> ours(size_t(b.floatCount)), literal(size_t(b.floatCount)), pooled(size_t(b.floatCount));
    int ok = 0;
    WithCodec(b.dims, 1, [&](auto& codec) {
        ok += codec.Decompress(b.bytes.data(), int64_t(b.bytes.size()), ours.data(), b.floatCount);
    });
    FMRUtils::pushThreadManager(g_pool);
    WithCodec(b.dims, -1, [&](auto& codec) {
        ok += codec.Decompress(b.bytes.data(), int64_t(b.bytes.size()), pooled.data(), b.floatCount);
    });
    FMRUtils::popThreadManager();
    ok += CodecBench::LiteralDecompress(b.dims, b.bytes.data(), int64_t(b.bytes.size()), literal.data(), b.floatCount);
    const size_t bytes = ours.size() * sizeof(float);
    return ok == 3 && std::memcmp(ours.data(), literal.data(), bytes) == 0 &&
           std::memcmp(ours.data(), pooled.data(), bytes) == 0;
}

// Shares of the zones whose entropy stream is in tree mode and in raw mode.
void DescribeZones(const SampleBlock& b, int& tree, int& raw) {
    tree = raw = 0;
    const uint8_t* p = b.bytes.data();
    uint16_t zones;
    std::memcpy(&zones, p + 2, 2);
    const uint8_t* streams = p + 4 + 8 * size_t(zones);
    for (int i = 0; i < zones; ++i) {
        int32_t offset;
        std::memcpy(&offset, p + 4 + 4 * size_t(zones) + 4 * size_t(i), 4);
        const uint8_t* zone = streams + offset;
        if (zone[2] != 2) continue;
        const uint8_t width = zone[3 + 4 * b.dims + 13];
        (width == 0 ? tree : raw)++;
    }
}

// Keeps each benchmark's floats per second for the ratio table: the median of its repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto it = run.counters.find("items_per_second");
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (it != run.counters.end() && !run.error_occurred && median) {
                rates[run.run_name.function_name] = it->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

// Seconds for one call of f: the faster of two timed calls after an untimed one that warms the caches.
template <class F>
double TimeWarm(F&& f) {
    f();
    double best = 0;
    for (int i = 0; i < 2; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = i == 0 ? t : std::min(best, t);
    }
    return best;
}

double Median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
    return v[v.size() / 2];
}

struct Ratios {
    double literal = 0, memcpy = 0, pool = 0;  // one thread against each baseline, and the pool against it
};

// The three ratios from rounds that time the one-thread decoder, the literal decoder, memcpy and the
// pool back to back: a slow spell of a shared machine then falls on both sides of a ratio alike,
// where the separate benchmarks above may catch it on one side only. Medians over the rounds.
Ratios PairedRatios(const SampleBlock& b, int rounds) {
    std::vector<float> out(size_t(b.floatCount)), src(size_t(b.floatCount), 1.0f);
    std::vector<double> literal, copy, pool;
    const uint8_t* bytes = b.bytes.data();
    const int64_t size = int64_t(b.bytes.size());
    WithCodec(b.dims, 1, [&](auto& one) {
        WithCodec(b.dims, -1, [&](auto& pooled) {
            for (int r = 0; r < rounds; ++r) {
                const double tOne = TimeWarm([&] { one.Decompress(bytes, size, out.data(), b.floatCount); });
                const double tLiteral = TimeWarm(
                    [&] { CodecBench::LiteralDecompress(b.dims, bytes, size, out.data(), b.floatCount); });
                const double tCopy = TimeWarm([&] {
                    std::memcpy(out.data(), src.data(), src.size() * sizeof(float));
                    benchmark::ClobberMemory();
                });
                FMRUtils::pushThreadManager(g_pool);
                const double tPool = TimeWarm([&] { pooled.Decompress(bytes, size, out.data(), b.floatCount); });
                FMRUtils::popThreadManager();
                literal.push_back(tLiteral / tOne);
                copy.push_back(tCopy / tOne);
                pool.push_back(tOne / tPool);
            }
        });
    });
    return {Median(literal), Median(copy), Median(pool)};
}

void PrintRatioHeader(const char* title) {
    std::printf("\n%s\n%-18s %16s %16s %16s\n", title, "block", "1thread/literal", "1thread/memcpy", "pool/1thread");
    std::printf("%-18s %16s %16s %16s\n", "(target)", ">= 4", ">= 0.15", ">= 1.7 on 2");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ZUtils::WinThreadManager pool;
    g_pool = &pool;
    const std::vector<SampleBlock> blocks = CodecBench::MakeSampleBlocks();

    std::printf("%-18s %10s %10s %6s %6s %6s\n", "block", "floats", "bytes", "zeros", "tree", "raw");
    for (const SampleBlock& b : blocks) {
        if (!Agree(b)) {
            std::fprintf(stderr, "%s: the decoders disagree\n", b.name.c_str());
            return 1;
        }
        int tree = 0, raw = 0;
        DescribeZones(b, tree, raw);
        std::printf("%-18s %10lld %10zu %5.0f%% %6d %6d\n", b.name.c_str(), static_cast<long long>(b.floatCount),
                    b.bytes.size(), 100.0 * b.zeroFraction, tree, raw);
        // Five repetitions each, compared by their medians: the machine may be shared.
        for (auto* bench : {benchmark::RegisterBenchmark(("decode_1thread/" + b.name).c_str(), Decode, &b, false),
                            benchmark::RegisterBenchmark(("decode_pool/" + b.name).c_str(), Decode, &b, true),
                            benchmark::RegisterBenchmark(("literal/" + b.name).c_str(), Literal, &b),
                            benchmark::RegisterBenchmark(("memcpy/" + b.name).c_str(), Memcpy, &b)}) {
            bench->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
        }
    }
    std::printf("pool threads: %d (default count)\n\n", ZUtils::getDefaultThreadCount());

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    PrintRatioHeader("ratios of the medians above");
    std::vector<const SampleBlock*> measured;
    for (const SampleBlock& b : blocks) {
        auto rate = [&](const char* kind) {
            const auto it = reporter.rates.find(std::string(kind) + "/" + b.name);
            return it == reporter.rates.end() ? 0.0 : it->second;
        };
        const double one = rate("decode_1thread"), pooled = rate("decode_pool"), literal = rate("literal"),
                     copy = rate("memcpy");
        if (one <= 0) continue;
        measured.push_back(&b);
        std::printf("%-18s %16.2f %16.3f %16.2f\n", b.name.c_str(), literal > 0 ? one / literal : 0.0,
                    copy > 0 ? one / copy : 0.0, pooled / one);
    }
    constexpr int kRounds = 11;
    PrintRatioHeader("ratios from paired rounds (the four timed back to back; medians of 11 rounds)");
    for (const SampleBlock* b : measured) {
        const Ratios r = PairedRatios(*b, kRounds);
        std::printf("%-18s %16.2f %16.3f %16.2f\n", b->name.c_str(), r.literal, r.memcpy, r.pool);
    }
    benchmark::Shutdown();
    return 0;
}
