// DXF load + draw: the 10 MB and 100 MB drawings of gen_dxf.py loaded into
// a drawing, fitted into a 1024 × 768 bitmap and painted with the outline
// collected, as RenderDxf does. Counters: seconds per load + draw, the
// drawing's share of them, the peak resident memory the whole added (MiB)
// and the outline's points. BM_CliRender runs the whole loomveil-cli render
// of the 100 MB file as a process, measured like /usr/bin/time -v does
// (wall seconds, peak resident MiB).
#include "bench_support.h"
#include "dxf/cdxf_drawing.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <algorithm>

namespace {

std::string Input(int megabytes) {
    return bench::Generated("dxf_render_" + std::to_string(megabytes) + "mb.dxf", [&](const std::string& path) {
        bench::RunSharedGenerator("gen_dxf.py", path, "--size-mb " + std::to_string(megabytes) + " > /dev/null");
    });
}

double Since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_DxfLoadDraw(benchmark::State& state) {
    const std::string path = Input(static_cast<int>(state.range(0)));
    double load = 0, draw = 0, peak = 0;
    std::size_t points = 0;
    bench::Canvas canvas(1024, 768);
    for (auto _ : state) {
        const double before = bench::StatusMiB("VmRSS:");
        bench::ResetPeakRss();
        const auto t0 = std::chrono::steady_clock::now();
        CDxfDrawing drawing;
        CFile file;
        if (!drawing.Create() || !file.Open(CString(path), CFile::modeRead) || !drawing.LoadFile(&file)) {
            state.SkipWithError("load failed");
            break;
        }
        const double loaded = Since(t0);
        DXFOUTLINE outline(10);
        drawing.SetView(0, 0, canvas.width(), canvas.height(), RGB(0xD0, 0xD0, 0xD0));
        drawing.ZoomExtents();
        const auto t1 = std::chrono::steady_clock::now();
        drawing.Paint(&canvas.dc, &outline);
        const double drawn = Since(t1);
        peak = std::max(peak, bench::StatusMiB("VmHWM:") - before);
        load += loaded;
        draw += drawn;
        points = outline.size();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["load_s"] = load / n;
    state.counters["draw_s"] = draw / n;
    state.counters["draw_share"] = draw / (load + draw);
    state.counters["peak_MiB"] = peak;
    state.counters["outline_points"] = static_cast<double>(points);
    state.SetBytesProcessed(static_cast<std::int64_t>(bench::FileSize(path)) * state.iterations());
}

// The command-line tool beside this program (build/<preset>/src).
std::string CliPath() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    self[n] = '\0';
    return (std::filesystem::path(self).parent_path().parent_path() / "src" / "loomveil-cli").string();
}

void BM_CliRender(benchmark::State& state) {
    const std::string path = Input(static_cast<int>(state.range(0)));
    const std::string cli = CliPath();
    const std::string png = (bench::WorkDir() / "cli_render.png").string();
    std::vector<double> walls;
    double peak = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            execl(cli.c_str(), cli.c_str(), "render", path.c_str(), "-o", png.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage ru{};
        if (pid < 0 || wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("loomveil-cli render failed");
            break;
        }
        walls.push_back(Since(t0));
        peak = std::max(peak, static_cast<double>(ru.ru_maxrss) / 1024.0);
    }
    std::sort(walls.begin(), walls.end());
    state.counters["median_wall_s"] = walls.empty() ? 0.0 : walls[walls.size() / 2];
    state.counters["peak_MiB"] = peak;
}

BENCHMARK(BM_DxfLoadDraw)->Arg(10)->Arg(100)->ArgName("MB")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_CliRender)->Arg(100)->ArgName("MB")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) { return bench::MainWithFonts(argc, argv); }
