// The text path alone: the TEXT entities of gen_dxf.py's 100 MB drawing
// (32,000 of them) laid out and drawn into a 1024 × 768 bitmap with the
// outline collected, after the drawing was loaded and fitted once. The
// glyphs of each font are read once and kept, so every size shares them.
// Counters: seconds per pass over all texts, the texts drawn, and the
// outline points they gave.
#include "bench_support.h"
#include "dxf/cdxf_drawing.h"
#include "dxf/dxf_paint.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <string>

namespace {

void BM_DxfTextDraw(benchmark::State& state) {
    const std::string path = bench::Generated("dxf_render_100mb.dxf", [](const std::string& out) {
        bench::RunSharedGenerator("gen_dxf.py", out, "--size-mb 100 > /dev/null");
    });
    CDxfDrawing drawing;
    CFile file;
    if (!drawing.Create() || !file.Open(CString(path), CFile::modeRead) || !drawing.LoadFile(&file)) {
        state.SkipWithError("load failed");
        return;
    }
    bench::Canvas canvas(1024, 768);
    drawing.SetView(0, 0, canvas.width(), canvas.height(), RGB(0xD0, 0xD0, 0xD0));
    drawing.ZoomExtents();
    GlobalLockGuard<DXFDRAWING> d(drawing.GetHandle());
    double seconds = 0;
    long long texts = 0;
    std::size_t points = 0;
    for (auto _ : state) {
        DXFOUTLINE outline(10);
        texts = 0;
        const auto t0 = std::chrono::steady_clock::now();
        DxfForEachEntity(d->entities, [&](const DXFENTITYHEADER& h, const void* data, DWORD) {
            if (h.wType == DXF_TEXT || h.wType == DXF_MTEXT) {
                DxfDrawEntity(d.get(), &canvas.dc, &h, data, &outline, 0, 0, 1, 1, 0);
                ++texts;
            }
            return true;
        });
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        points = outline.size();
    }
    state.counters["text_draw_s"] = seconds / static_cast<double>(state.iterations());
    state.counters["texts"] = static_cast<double>(texts);
    state.counters["outline_points"] = static_cast<double>(points);
}

BENCHMARK(BM_DxfTextDraw)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

int main(int argc, char** argv) { return bench::MainWithFonts(argc, argv); }
