#include "cli/batch.h"
#include "cli/render_file.h"
#include "readers/list_unit.h"
#include "writers/vector_export.h"

#include <cstdio>

namespace cli {

namespace {
constexpr const char* kExportHelp =
    "usage: loomveil-cli export IN... [--svg|--pdf] [-o OUT | -d DIR] [--true-size] [--page A4|Letter]\n"
    "Writes each file's strokes as vectors, in the colours the viewer draws them\n"
    "in: an SVG picture or a one-page PDF. The strokes are fitted to the page\n"
    "within 10 mm margins, or with --true-size drawn 1:1, so that a print at\n"
    "100% measures as the pattern does (only for formats whose unit is known:\n"
    "HPGL, and DXF drawings that state their units). Output goes to OUT (one\n"
    "input; its extension .svg or .pdf decides the format; '-' is standard\n"
    "output), into DIR, or into the current folder, as NAME.svg or NAME.pdf.\n"
    "An input is never overwritten, and an existing file is replaced only once\n"
    "the new one is complete. Prints the path of each file written.\n"
    "  --svg, --pdf    output format\n"
    "  --true-size     1:1 physical scale; a page too small is turned or grown\n"
    "  --page SIZE     A4 (default) or Letter\n";

// DXF drawings are read into a larger picture than the viewer's: their
// strokes are the outline in pixels, and this keeps it within about 1/4000
// of the drawing's size.
constexpr int kDxfCanvas = 4096;
// Every other format's strokes do not depend on the picture's size.
constexpr int kPatternCanvas = 64;
} // namespace

int RunExport(int argc, char** argv) {
    const auto args = ParseArgs(argc, argv, 2,
                                {{"--svg", false},
                                 {"--pdf", false},
                                 {"--true-size", false},
                                 {"--page", true},
                                 {"--output", true, "-o"},
                                 {"--dir", true, "-d"},
                                 {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::printf("%s%s", kExportHelp, kCommonHelp);
        return kExitOk;
    }
    if (args->inputs.empty()) return UsageError("export: no input files (see export --help)");
    const std::string out = args->Get("--output");
    if (args->Has("--svg") && args->Has("--pdf")) return UsageError("export: give --svg or --pdf, not both");

    std::string ext = args->Has("--svg") ? "svg" : args->Has("--pdf") ? "pdf" : "";
    if (!out.empty() && out != "-") {
        const std::string outExt = ExtensionOf(out);
        if (outExt == ".svg" || outExt == ".pdf") {
            if (!ext.empty() && ext != outExt.substr(1))
                return UsageError("export: --" + ext + " and an output named " + outExt + " disagree");
            ext = outExt.substr(1);
        }
    }
    if (ext.empty()) return UsageError("export: say which format with --svg or --pdf (see export --help)");

    writers::VectorOptions common;
    common.format = ext == "svg" ? writers::VectorFormat::svg : writers::VectorFormat::pdf;
    const std::string page = Lower(args->Get("--page", "a4"));
    if (page == "letter")
        common.page = writers::kPageLetter;
    else if (page != "a4")
        return UsageError("export: --page is A4 or Letter");
    const bool trueSize = args->Has("--true-size");

    return RunBatch(
        *args, {.command = "export", .outputExt = "." + ext},
        [&](CLoomveilDoc& doc, const Input& input, const std::string& output) -> Outcome {
            SetCurrentInput(doc, input);
            const int canvas = IsFileExt(doc.m_strFileExt, "dxf") ? kDxfCanvas : kPatternCanvas;
            const RenderResult r = RenderFile(doc, input, canvas, canvas);
            if (!r.ok) return Failed(input.name, r.error);
            if (IsFileExt(doc.m_strFileExt, "cdr"))
                return Failed(input.name, "a CDR file holds only a preview picture, no strokes to export");
            // Each job its own options: jobs run at once.
            writers::VectorOptions options = common;
            if (trueSize) {
                const units::ListUnit unit = units::UnitOfPointList(doc, canvas, canvas);
                if (!unit.Known()) return Failed(input.name, "no true size: " + unit.why);
                options.mmPerUnit = unit.mmPerUnit;
            }
            if (!writers::ExportVector(doc, CString(output), options)) {
                // An empty pattern is the input's failing, a write error the output's.
                std::string why;
                return Failed(writers::LayoutStrokes(doc.m_PointList, options, why) ? output : input.name,
                              doc.m_strError);
            }
            return Reported(output);
        });
}

} // namespace cli
