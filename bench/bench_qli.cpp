// QLI: read + model build, drawing, and the bare scan-and-parse loop over
// the same bytes, on generated files of 1, 10 and 100 MB.
#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace {

// A stitched meander: vector points in a random walk, an arc now and then,
// and a pen-up every few hundred records, as machine files look.
void WriteQli(const std::string& path, std::size_t bytes, bool arcs) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::string out = "#CAD2DMC\r\nCS\r\nVMXY\r\n";
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> step(-2.0f, 2.0f);
    float x = 0, y = 0;
    for (std::size_t i = 0; out.size() < bytes; ++i) {
        if (out.size() > (1u << 20)) {
            std::fwrite(out.data(), 1, out.size(), f);
            bytes -= out.size();
            out.clear();
        }
        if (i % 500 == 499) {
            out += "VE\r\nBGS\r\nAMS\r\n";
            x = y = 0;
            continue;
        }
        if (arcs && i % 37 == 0) {
            out += "A,1.5,90.0,180.0\r\n";
            continue;
        }
        x += step(rng);
        y += step(rng);
        bench::AppendXY(out, "VP ", x, y);
    }
    out += "EN\r\n";
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
}

// range(0): size in MB; range(1): 1 with an arc every 37 records (each a
// half circle of 37 traced points), 0 for vector points only.
std::string Input(const benchmark::State& state) {
    const int mb = static_cast<int>(state.range(0));
    const bool arcs = state.range(1) != 0;
    return bench::Generated("pattern" + std::to_string(mb) + (arcs ? "a" : "v") + ".qli", [&](const std::string& p) {
        WriteQli(p, static_cast<std::size_t>(mb) << 20, arcs);
    });
}

void BM_QliRender(benchmark::State& state) {
    const std::string path = Input(state);
    bench::Canvas canvas(1024, 768);
    CLoomveilDoc doc;
    for (auto _ : state) benchmark::DoNotOptimize(bench::RenderInto(doc, path, canvas));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench::FileSize(path)));
    state.counters["points"] = static_cast<double>(doc.m_PointList.GetCount());
    state.counters["peak_MiB"] = bench::PeakRssMiB();
}

// The same read into a 1 × 1 picture: the model is built in full, drawing is
// clipped to nothing.
void BM_QliReadModel(benchmark::State& state) {
    const std::string path = Input(state);
    bench::Canvas canvas(1, 1);
    CLoomveilDoc doc;
    for (auto _ : state) benchmark::DoNotOptimize(bench::RenderInto(doc, path, canvas));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench::FileSize(path)));
}

void BM_BareScanParse(benchmark::State& state) {
    const std::string path = Input(state);
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(path));
    FileBuffer text;
    doc.ReadWholeFile(text);
    for (auto _ : state) benchmark::DoNotOptimize(bench::BareScanParse(text.text()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Drawing alone: ten million short segments into 1024 × 768.
void BM_DrawTenMillionSegments(benchmark::State& state) {
    CLoomveilDoc doc;
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> step(-3.0f, 3.0f);
    float x = 0, y = 0;
    doc.m_PointList.Reserve(10'000'001);
    for (int i = 0; i <= 10'000'000; ++i) {
        x = std::fmod(x + step(rng) + 1000.0f, 1000.0f);
        y = std::fmod(y + step(rng) + 750.0f, 750.0f);
        doc.m_PointList.AddTail(_tagREALPT{x, y});
    }
    bench::Canvas canvas(1024, 768);
    for (auto _ : state) doc.DrawPointList(&canvas.dc, 1024, 768);
    state.counters["segments/s"] = benchmark::Counter(1e7, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_QliRender)->ArgsProduct({{1, 10, 100}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QliReadModel)->ArgsProduct({{1, 10, 100}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareScanParse)->ArgsProduct({{1, 10, 100}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawTenMillionSegments)->Unit(benchmark::kMillisecond);
