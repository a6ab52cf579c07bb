// Loading DXF drawings of 1, 10 and 100 MB (R2000 with handles, and R12)
// into the drawing database, beside a bare loop that only splits the same
// bytes into group-code/value pairs and converts the numbers, in the same
// run. Counters: load MB/s, the bare loop's MB/s, their ratio, and the peak
// resident memory the load added, in MiB and per byte of file.
#include "bench_support.h"
#include "dxf/dxf_load.h"

#include <benchmark/benchmark.h>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

std::string Input(int megabytes, bool r12) {
    const std::string name = "dxf_" + std::to_string(megabytes) + (r12 ? "mb_r12.dxf" : "mb.dxf");
    return bench::Generated(name, [&](const std::string& path) {
        bench::RunSharedGenerator("gen_dxf.py", path,
                                  "--size-mb " + std::to_string(megabytes) + (r12 ? " --r12" : "") +
                                      " > /dev/null");
    });
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Splits text into pairs (code line, value line), converts the code and,
// for the real-valued codes 10..59, the value; does nothing else.
double BareTokenize(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    double sum = 0;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* lineEnd = nl ? nl : end;
        const char* q = p;
        while (q < lineEnd && *q == ' ') ++q;
        int code = 0;
        std::from_chars(q, lineEnd, code);
        p = nl ? nl + 1 : end;
        nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        lineEnd = nl ? nl : end;
        const char* valueEnd = lineEnd > p && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
        if (code >= 10 && code < 60) {
            double v = 0;
            std::from_chars(p, valueEnd, v);
            sum += v;
        }
        sum += static_cast<double>(valueEnd - p);
        p = nl ? nl + 1 : end;
    }
    return sum;
}

void BM_DxfLoad(benchmark::State& state) {
    const int megabytes = static_cast<int>(state.range(0));
    const bool r12 = state.range(1) != 0;
    const std::string path = Input(megabytes, r12);
    const double bytes = static_cast<double>(bench::FileSize(path));
    double peakAdded = 0;
    std::size_t entities = 0;
    for (auto _ : state) {
        const double before = bench::StatusMiB("VmRSS:");
        bench::ResetPeakRss();
        HDXFDRAWING h = DxfCreateDrawing();
        if (!DxfLoadFile(h, DxfSource::Path(path.c_str()))) state.SkipWithError("load failed");
        peakAdded = std::max(peakAdded, bench::StatusMiB("VmHWM:") - before);
        state.PauseTiming();
        if (auto* d = static_cast<DXFDRAWING*>(GlobalLock(h))) {
            entities = d->entities.nCount;
            GlobalUnlock(h);
        }
        DxfDestroyDrawing(h);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());

    // The bare loop over the same bytes, best of three.
    const std::string text = Slurp(path);
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(BareTokenize(text));
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    state.counters["bare_MB/s"] = bytes / best / 1e6;
    state.counters["load_MB/s"] = benchmark::Counter(bytes / 1e6 * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
    state.counters["peak_MiB"] = peakAdded;
    state.counters["peak_per_file"] = peakAdded * 1024 * 1024 / bytes;
    state.counters["entities"] = static_cast<double>(entities);
}

void BM_BareTokenize(benchmark::State& state) {
    const std::string text = Slurp(Input(static_cast<int>(state.range(0)), state.range(1) != 0));
    for (auto _ : state) benchmark::DoNotOptimize(BareTokenize(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(text.size()) * state.iterations());
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int r12 : {0, 1})
        for (int mb : {1, 10, 100}) b->Args({mb, r12});
    b->ArgNames({"MB", "r12"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_DxfLoad)->Apply(Sizes)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_BareTokenize)->Apply(Sizes)->UseRealTime()->MinTime(1.0);

} // namespace
