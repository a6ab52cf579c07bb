#include "cli/cli.h"
#include "cli/render_file.h"
#include "dxf/cdxf_drawing.h"
#include "model/jumps.h"

#include <cstdio>

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
    Size size = DefaultRenderSize();
    if (args->Has("--size")) {
        const auto s = ParseSize(args->Get("--size"));
        if (!s) return UsageError("render: --size wants WxH, e.g. 800x600");
        size = *s;
    }
    const bool jumps = args->Has("--jumps");
    return ForEachInput(
        *args, "render", ".png",
        [&](CLoomveilDoc& doc, const std::string& input, OutputNamer& names) -> std::variant<std::string, Failure> {
            RenderResult r = RenderFile(doc, input, size.width, size.height);
            if (!r.ok) return Failure{input, r.error};
            if (jumps) {
                // A drawing's outline is in pixels already, drawn on grey.
                if (IsFileExt(doc.m_strFileExt, "dxf"))
                    DrawJumps(r.image, doc.m_PointList, size.width, size.height, JumpSpace::device,
                              qRgb(GetRValue(kDxfBackground), GetGValue(kDxfBackground), GetBValue(kDxfBackground)));
                else
                    DrawJumps(r.image, doc.m_PointList, size.width, size.height, JumpSpace::fitted);
            }
            std::string path = names.For(input);
            if (const std::string err = SavePng(r.image, path); !err.empty()) return Failure{path, err};
            return path;
        });
}

} // namespace cli
