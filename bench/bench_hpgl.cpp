// HP-GL/2 plots whose coordinates are PE-encoded, as HP-GL/2 drivers write
// them, at 10 and 100 MB: the parser building the model from the text in
// memory, and the whole render into the viewer's picture size. The
// plain-text plots are measured in bench_readers (parse/plt, render/plt).
#include "bench_support.h"
#include "readers/pattern_parsers.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>

namespace {

// A base-64 PE number: the sign in the lowest bit, digits least
// significant first, the last one from 191 on.
void Encode(std::string& out, long long n) {
    unsigned long long v =
        n >= 0 ? 2ULL * static_cast<unsigned long long>(n) : 2ULL * static_cast<unsigned long long>(-n) + 1;
    while (v >= 64) {
        out += static_cast<char>(63 + v % 64);
        v /= 64;
    }
    out += static_cast<char>(191 + v);
}

// The meander of gen_hpgl.py inside 0..40000: runs that start with an
// absolute pen-up move and go on in relative steps of 8 to 60 units, up to
// 64 to a PE statement, a pen change every 40 runs.
void MakeEncoded(const std::string& path, std::size_t target) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + path);
    std::mt19937 rng(1);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    std::string buf = "\x1B"
                      "E\x1B%0BIN;SP1;";
    std::size_t written = 0;
    long long x = 20000, y = 20000;
    double heading = 0;
    for (int run = 0; written + buf.size() < target; ++run) {
        if (run % 40 == 39)
            buf += "PE:" + std::string(1, static_cast<char>(191 + 2 * (1 + run / 40 % 4))) + ";";
        x = std::clamp<long long>(x + static_cast<long long>(uniform(-3000, 3000)), 0, 40000);
        y = std::clamp<long long>(y + static_cast<long long>(uniform(-3000, 3000)), 0, 40000);
        buf += "PE<=";
        Encode(buf, x);
        Encode(buf, y);
        for (int i = 0, n = static_cast<int>(uniform(200, 3000)); i < n; ++i) {
            if (i % 64 == 63) buf += ";\nPE";
            heading += uniform(-0.35, 0.35);
            const double step = uniform(8, 60);
            const long long dx = std::llround(step * std::cos(heading)),
                            dy = std::llround(step * std::sin(heading));
            Encode(buf, dx);
            Encode(buf, dy);
        }
        buf += ";\n";
        if (buf.size() > (1u << 20)) {
            written += std::fwrite(buf.data(), 1, buf.size(), f);
            buf.clear();
        }
    }
    buf += "PU;SP0;\x1B%0A\x1B"
           "E";
    std::fwrite(buf.data(), 1, buf.size(), f);
    std::fclose(f);
}

std::string Input(int mb) {
    return bench::Generated("encoded" + std::to_string(mb) + ".plt", [&](const std::string& path) {
        MakeEncoded(path, static_cast<std::size_t>(mb) * 1000000);
    });
}

void ParseEncoded(benchmark::State& state, int mb) {
    const std::string path = Input(mb);
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(path));
    FileBuffer file;
    if (!doc.ReadWholeFile(file)) state.SkipWithError("cannot read the input");
    CPointList list;
    for (auto _ : state) {
        list.RemoveAll();
        ParseHpgl(file.text(), HpglDialect::plt, list);
        benchmark::DoNotOptimize(list.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
    state.counters["points"] = static_cast<double>(list.size());
    state.counters["peak_MiB"] = bench::PeakRssMiB();
}

void RenderEncoded(benchmark::State& state, int mb) {
    const std::string path = Input(mb);
    CLoomveilDoc doc;
    bench::Canvas canvas(540, 559);
    for (auto _ : state)
        if (!bench::RenderInto(doc, path, canvas)) state.SkipWithError(doc.m_strError.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bench::FileSize(path)));
    state.counters["points"] = static_cast<double>(doc.m_PointList.size());
    state.counters["peak_MiB"] = bench::PeakRssMiB();
}

const int kRegistered = [] {
    for (int mb : {10, 100}) {
        benchmark::RegisterBenchmark(("parse/plt-pe/" + std::to_string(mb)).c_str(), ParseEncoded, mb)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("render/plt-pe/" + std::to_string(mb)).c_str(), RenderEncoded, mb)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}();

} // namespace
