// Thumbnails as a file manager asks for them: one file drawn into a 256 x
// 256 picture and encoded as PNG, in process and as a whole run of
// `loomveil-cli thumbnail` (start-up, read, draw, encode, write). Inputs are
// generated per extension at 1, 10 and 100 MB; an extension whose reader is
// not there yet reports that instead of a time.
#include "bench_support.h"

#include <QBuffer>
#include <QImage>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kSide = 256;

// A stitched meander in QLI records with a pen-up every 500 points.
void WriteQli(const std::string& path, std::size_t bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::string out = "#CAD2DMC\r\nCS\r\nVMXY\r\n";
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> step(-2.0f, 2.0f);
    float x = 0, y = 0;
    std::size_t written = 0;
    for (std::size_t i = 0; written + out.size() < bytes; ++i) {
        if (out.size() > (1u << 20)) {
            std::fwrite(out.data(), 1, out.size(), f);
            written += out.size();
            out.clear();
        }
        if (i % 500 == 499) {
            out += "BGS\r\n";
            continue;
        }
        x += step(rng);
        y += step(rng);
        bench::AppendXY(out, "L,", x, y);
    }
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
}

struct Format {
    const char* ext;
    void (*make)(const std::string& path, int mb);
};
const Format kFormats[] = {
    {"qli", [](const std::string& p, int mb) { WriteQli(p, static_cast<std::size_t>(mb) << 20); }},
    {"plt", [](const std::string& p,
               int mb) { bench::RunSharedGenerator("gen_hpgl.py", p, "--size-mb " + std::to_string(mb)); }},
};

std::string Input(const Format& f, int mb) {
    return bench::Generated("thumb" + std::to_string(mb) + "." + f.ext,
                            [&](const std::string& p) { f.make(p, mb); });
}

// The command line beside this program in the build tree.
std::string CliPath() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    self[n] = '\0';
    const auto cli = std::filesystem::path(self).parent_path().parent_path() / "src" / "loomveil-cli";
    return std::filesystem::exists(cli) ? cli.string() : std::string();
}

void BM_ThumbnailInProcess(benchmark::State& state, const Format* f) {
    const std::string path = Input(*f, static_cast<int>(state.range(0)));
    CLoomveilDoc doc;
    bench::Canvas canvas(kSide, kSide);
    for (auto _ : state) {
        if (!bench::RenderInto(doc, path, canvas)) {
            state.SkipWithError(("no picture: " + doc.m_strError).c_str());
            return;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        canvas.bitmap.Image().save(&buffer, "PNG");
        benchmark::DoNotOptimize(png.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench::FileSize(path)));
    state.counters["points"] = static_cast<double>(doc.m_PointList.GetCount());
    state.counters["peak_MiB"] = bench::PeakRssMiB();
}

void BM_ThumbnailCommand(benchmark::State& state, const Format* f) {
    const std::string path = Input(*f, static_cast<int>(state.range(0)));
    const std::string cli = CliPath();
    if (cli.empty()) {
        state.SkipWithError("loomveil-cli not found beside the benchmarks");
        return;
    }
    const std::string out = (bench::WorkDir() / "thumb.png").string();
    const std::string cmd = "'" + cli + "' thumbnail '" + path + "' '" + out + "' --size " +
                            std::to_string(kSide) + " 2>'" + (bench::WorkDir() / "thumb.err").string() + "'";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("the thumbnail command failed (no reader for this format yet?)");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench::FileSize(path)));
}

const int kRegistered = [] {
    for (const Format& f : kFormats) {
        const std::string ext = f.ext;
        benchmark::RegisterBenchmark(("BM_ThumbnailInProcess/" + ext).c_str(), BM_ThumbnailInProcess, &f)
            ->Arg(1)
            ->Arg(10)
            ->Arg(100)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_ThumbnailCommand/" + ext).c_str(), BM_ThumbnailCommand, &f)
            ->Arg(1)
            ->Arg(10)
            ->Arg(100)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(5);
    }
    return 0;
}();

} // namespace
