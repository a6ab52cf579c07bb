#include "cli/cli.h"
#include "cli/render_file.h"
#include "dxf/cdxf_drawing.h"
#include "model/jumps.h"

#include <cstdio>
#include <filesystem>

namespace cli {

namespace {
constexpr const char* kRenderHelp =
    "usage: loomveil-cli render IN... [-o OUT.png | -d DIR] [--size WxH] [--jumps]\n"
    "Draws each file scaled to fit a white picture, as the viewer does, and\n"
    "writes it as PNG: to OUT.png (one input), into DIR, or beside the current\n"
    "folder as NAME.png. Prints the path of each picture written.\n"
    "  --size WxH   picture size in pixels (default: the viewer's picture frame)\n"
    "  --jumps      also draw the pen-up moves between strokes, thin and dashed\n";
}

int RunRender(int argc, char** argv) {
    const auto args = ParseArgs(argc, argv, 2,
                                {{"--output", true, "-o"},
                                 {"--dir", true, "-d"},
                                 {"--size", true},
                                 {"--jumps", false},
                                 {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::fputs(kRenderHelp, stdout);
        return kExitOk;
    }
    if (args->inputs.empty()) return UsageError("render: no input files (see render --help)");
    const std::string out = args->Get("--output"), dir = args->Get("--dir");
    if (!out.empty() && !dir.empty()) return UsageError("render: give -o or -d, not both");
    if (!out.empty() && args->inputs.size() > 1) return UsageError("render: -o takes one input; use -d DIR for many");
    Size size = DefaultRenderSize();
    if (args->Has("--size")) {
        const auto s = ParseSize(args->Get("--size"));
        if (!s) return UsageError("render: --size wants WxH, e.g. 800x600");
        size = *s;
    }
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            ReportError(dir, "cannot create folder: " + ec.message());
            return kExitFailed;
        }
    }

    int status = kExitOk;
    Progress progress(args->inputs.size());
    OutputNamer names(out, dir, ".png");
    CLoomveilDoc doc;
    for (const std::string& input : args->inputs) {
        progress.Step(input);
        RenderResult r = RenderFile(doc, input, size.width, size.height);
        progress.Clear();
        if (!r.ok) {
            ReportError(input, r.error);
            status = kExitFailed;
            continue;
        }
        if (args->Has("--jumps")) {
            // A drawing's outline is in pixels already, drawn on grey.
            if (IsFileExt(doc.m_strFileExt, "dxf"))
                DrawJumps(r.image, doc.m_PointList, size.width, size.height, JumpSpace::device,
                          qRgb(GetRValue(kDxfBackground), GetGValue(kDxfBackground), GetBValue(kDxfBackground)));
            else
                DrawJumps(r.image, doc.m_PointList, size.width, size.height, JumpSpace::fitted);
        }
        const std::string path = names.For(input);
        if (const std::string err = SavePng(r.image, path); !err.empty()) {
            ReportError(path, err);
            status = kExitFailed;
            continue;
        }
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
    }
    return status;
}

} // namespace cli
