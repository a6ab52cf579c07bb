// Writers: a 10-million-point pattern written in each output format, beside
// a bare loop that only formats the same coordinates with std::to_chars
// ("%.3f,%.3f\r\n" per point) into a buffer. Output goes to a RAM-backed
// folder when there is one, so the figures are the writers' own and not the
// disk's (each write still ends with the flush-to-disk call and the rename).
//
//   build/release/bench/bench_writers [--benchmark_filter=...]
//
// Counters: out_MB/s (wall clock), cpu_MB/s, Mpoints/s, and of_to_chars =
// the writer's output MB per CPU second over the bare loop's in the same run
// (target: at least 0.5). The RAM
// folder is removed at exit.
#include "bench_support.h"
#include "writers/convert.h"

#include <benchmark/benchmark.h>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <random>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kPoints = 10'000'000;

// Stitch-like strokes: random walks of 20 to 200 points, a break between.
const CLoomveilDoc& Model() {
    static CLoomveilDoc doc = [] {
        CLoomveilDoc d;
        d.m_PointList.Reserve(kPoints + kPoints / 50);
        std::mt19937 rng(5);
        std::uniform_real_distribution<float> step(-2.5f, 2.5f);
        float x = 0, y = 0;
        std::size_t n = 0;
        while (n < kPoints) {
            const std::size_t len = 20 + rng() % 181;
            for (std::size_t i = 0; i < len && n < kPoints; ++i, ++n) {
                x += step(rng);
                y += step(rng);
                d.m_PointList.AddTail({x * 1.7f + 800.0f, y + 600.0f});
            }
            d.m_PointList.AddTail(kBreakMarker);
        }
        return d;
    }();
    return doc;
}

const std::filesystem::path& OutputFolder() {
    struct RamFolder {
        std::filesystem::path path;
        RamFolder() {
            std::error_code ec;
            if (!std::filesystem::is_directory("/dev/shm", ec)) return;
            path = std::filesystem::path("/dev/shm") / ("loomveil-bench-" + std::to_string(::getpid()));
            if (!std::filesystem::create_directories(path, ec)) path.clear();
        }
        ~RamFolder() {
            std::error_code ec;
            if (!path.empty()) std::filesystem::remove_all(path, ec);
        }
    };
    static const RamFolder ram;
    return ram.path.empty() ? bench::WorkDir() : ram.path;
}

// Output MB/s of the bare loop per CPU second, measured first, for the
// writers' ratio. CPU time (user + system, so the writes count) keeps the
// ratio steady on a machine shared with other work; wall-clock MB/s is
// reported beside it.
double g_bareCpuMBps = 0;

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Timing {
    double wall = 0, cpu = 0;
};

template <class Work> void Timed(Timing& t, Work&& work) {
    const auto w0 = std::chrono::steady_clock::now();
    const double c0 = CpuSeconds();
    work();
    t.cpu += CpuSeconds() - c0;
    t.wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
}

void Report(benchmark::State& state, std::size_t bytes, const Timing& t) {
    const double mb = static_cast<double>(bytes) / 1e6;
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["MB_out"] = mb / static_cast<double>(state.iterations());
    state.counters["out_MB/s"] = mb / t.wall;
    state.counters["cpu_MB/s"] = mb / t.cpu;
    state.counters["Mpoints/s"] = static_cast<double>(kPoints * state.iterations()) / 1e6 / t.wall;
    if (g_bareCpuMBps > 0) state.counters["of_to_chars"] = mb / t.cpu / g_bareCpuMBps;
    state.counters["peak_MiB"] = bench::PeakRssMiB();
}

void BM_BareToChars(benchmark::State& state) {
    const CLoomveilDoc& doc = Model();
    std::vector<char> buf(1 << 20);
    std::size_t bytes = 0;
    Timing t;
    for (auto _ : state)
        Timed(t, [&] {
            char* p = buf.data();
            char* const end = buf.data() + buf.size() - 128;
            for (const _tagREALPT& pt : doc.m_PointList) {
                if (IsBreak(pt)) continue;
                p = std::to_chars(p, end, static_cast<double>(pt.x), std::chars_format::fixed, 3).ptr;
                *p++ = ',';
                p = std::to_chars(p, end, static_cast<double>(pt.y), std::chars_format::fixed, 3).ptr;
                *p++ = '\r';
                *p++ = '\n';
                if (p >= end) {
                    bytes += static_cast<std::size_t>(p - buf.data());
                    benchmark::DoNotOptimize(buf.data());
                    p = buf.data();
                }
            }
            bytes += static_cast<std::size_t>(p - buf.data());
            benchmark::ClobberMemory();
        });
    g_bareCpuMBps = static_cast<double>(bytes) / 1e6 / t.cpu;
    Report(state, bytes, t);
}
BENCHMARK(BM_BareToChars)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Write(benchmark::State& state, std::string_view ext) {
    const writers::OutputFormat* format = writers::FindOutputFormat(ext);
    CLoomveilDoc doc;
    doc.m_PointList = Model().m_PointList;
    const std::string path = (OutputFolder() / ("out." + std::string(ext))).string();
    std::size_t bytes = 0;
    Timing t;
    for (auto _ : state) {
        bool ok = false;
        Timed(t, [&] { ok = writers::WriteOutput(doc, *format, CString(path)); });
        if (!ok) {
            state.SkipWithError(doc.m_strError.c_str());
            return;
        }
        bytes += bench::FileSize(path);
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
    Report(state, bytes, t);
}
BENCHMARK_CAPTURE(BM_Write, dxf, "dxf")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Write, hqf, "hqf")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Write, plt, "plt")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Write, qcc, "qcc")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Write, qli, "qli")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Write, exp, "exp")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
