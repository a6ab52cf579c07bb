// The viewer's redraw at three zoom levels (the fit, 8× and 64×, about the
// frame's centre) in a 1100 × 860 frame (the window maximised on a
// 1280 × 1024 screen): each iteration is one picture as the render worker
// draws it. Inputs: a 1 M point pantograph made here, the 100 MB HPGL of
// gen_hpgl.py (8.6 M points) and the 100 MB DXF of gen_dxf.py (320 k
// entities). Counters: the window thread's share of taking a rendered file
// for zooming (copying the model, ms) and, for DXF, the worker's first
// picture, which loads the drawing it then keeps (ms).
#include "app/view_renderer.h"
#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>

namespace {

const QSize kFrame(1100, 860);
constexpr int kZoom[] = {1, 8, 64};

double MsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

struct Prepared {
    std::shared_ptr<app::ViewContent> content;
    double takeMs = 0;
    double firstMs = 0;
};

Prepared Take(CLoomveilDoc& doc) {
    Prepared p;
    auto t0 = std::chrono::steady_clock::now();
    p.content = app::MakeViewContent(doc);
    p.takeMs = MsSince(t0);
    t0 = std::chrono::steady_clock::now();
    app::DrawView({p.content, kFrame, {}, std::nullopt});
    p.firstMs = MsSince(t0);
    return p;
}

// A pantograph row of loops, 1 M points in strokes of 5000.
Prepared Pantograph() {
    CLoomveilDoc doc;
    doc.m_strFileExt = "qli";
    doc.m_PointList.Reserve(1000200);
    for (int i = 0; i < 1000000; ++i) {
        if (i % 5000 == 0 && i > 0) doc.m_PointList.AddTail(kBreakMarker);
        const double t = i;
        doc.m_PointList.AddTail({static_cast<float>(t * 0.02 + 3 * std::cos(t * 0.1)),
                                 static_cast<float>(40 * std::sin(t * 0.013) + 3 * std::sin(t * 0.1))});
    }
    return Take(doc);
}

Prepared FromFile(const std::string& name, const char* script) {
    const std::string path = bench::Generated(name, [&](const std::string& out) {
        bench::RunSharedGenerator(script, out, "--size-mb 100 >/dev/null");
    });
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(path));
    bench::Canvas canvas(kFrame.width(), kFrame.height());
    bench::RenderInto(doc, path, canvas);
    return Take(doc);
}

const Prepared& Input(int which) {
    static std::map<int, Prepared> cache;
    auto it = cache.find(which);
    if (it == cache.end()) {
        Prepared p = which == 0   ? Pantograph()
                     : which == 1 ? FromFile("view_100mb.plt", "gen_hpgl.py")
                                  : FromFile("view_100mb.dxf", "gen_dxf.py");
        it = cache.emplace(which, std::move(p)).first;
    }
    return it->second;
}

void BM_Redraw(benchmark::State& state) {
    const Prepared& in = Input(static_cast<int>(state.range(0)));
    const double zoom = kZoom[state.range(1)];
    // Zoomed about the frame's centre.
    const app::ViewTransform view =
        app::ViewTransform{}.ZoomedAbout(QPointF(kFrame.width() / 2.0, kFrame.height() / 2.0), zoom);
    for (auto _ : state) {
        const app::ViewPicture picture = app::DrawView({in.content, kFrame, view, std::nullopt});
        if (!picture.ok) {
            state.SkipWithError("nothing drawn");
            break;
        }
        benchmark::DoNotOptimize(picture.image.constBits());
    }
    state.counters["points"] = static_cast<double>(in.content->pattern->m_PointList.size());
    state.counters["take_ms"] = in.takeMs;
    state.counters["first_ms"] = in.firstMs;
}

void Inputs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"input", "zoom"});
    for (int input = 0; input < 3; ++input)
        for (int z = 0; z < 3; ++z) b->Args({input, z});
}

} // namespace

// input 0: 1 M point pantograph; 1: 100 MB HPGL; 2: 100 MB DXF. zoom 0, 1, 2: 1×, 8×, 64×.
BENCHMARK(BM_Redraw)->Apply(Inputs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

int main(int argc, char** argv) { return bench::MainWithFonts(argc, argv); }
