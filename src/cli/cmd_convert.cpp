#include "cli/batch.h"
#include "cli/render_file.h"
#include "readers/list_unit.h"
#include "writers/convert.h"

#include <cstdio>

namespace cli {

namespace {
constexpr const char* kConvertHelp =
    "usage: loomveil-cli convert IN... --to dxf|hqf|plt|qcc|qli|exp [--fit] [-o OUT | -d DIR]\n"
    "Reads each file and writes its pattern in another machine's format, as the\n"
    "viewer's Convert Format does: to OUT (one input; without --to the format is\n"
    "OUT's extension; '-' is standard output), into DIR, or into the current\n"
    "folder, as NAME.<format>. An input is never overwritten, and an existing\n"
    "file is replaced only once the new one is complete. Prints the path of\n"
    "each file written. A pattern whose unit is known keeps its size; others\n"
    "are fitted to the format's fixed span.\n"
    "  --to FMT        output format: dxf, hqf, plt, qcc, qli or exp\n"
    "  --fit           fit every pattern to the format's fixed span\n";
} // namespace

int RunConvert(int argc, char** argv) {
    const auto args = ParseArgs(argc, argv, 2,
                                {{"--to", true},
                                 {"--fit", false},
                                 {"--output", true, "-o"},
                                 {"--dir", true, "-d"},
                                 {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::printf("%s%s", kConvertHelp, kCommonHelp);
        return kExitOk;
    }
    if (args->inputs.empty()) return UsageError("convert: no input files (see convert --help)");
    const std::string out = args->Get("--output");

    std::string formatName = args->Get("--to");
    if (formatName.empty() && !out.empty() && out != "-") {
        const std::string ext = ExtensionOf(out);
        if (!ext.empty()) formatName = ext.substr(1);
    }
    if (formatName.empty()) return UsageError("convert: say which format with --to (see convert --help)");
    const writers::OutputFormat* format = writers::FindOutputFormat(Lower(formatName));
    if (!format)
        return UsageError("convert: unknown format '" + formatName + "' (dxf, hqf, plt, qcc, qli or exp)");
    // Files are read at the viewer's picture size, so that a drawing whose
    // pattern is its outline in device units converts as it does there.
    const Size size = DefaultRenderSize();
    return RunBatch(
        *args, {.command = "convert", .outputExt = "." + std::string(format->Ext())},
        [&](CLoomveilDoc& doc, const Input& input, const std::string& output) -> Outcome {
            const RenderResult r = RenderFile(doc, input, size.width, size.height);
            if (!r.ok) return Failed(input.name, r.error);
            if (IsFileExt(doc.m_strFileExt, "cdr"))
                return Failed(input.name, "a CDR file holds only a preview picture, no pattern to convert");
            const double mmPerUnit =
                args->Has("--fit") ? 0 : units::UnitOfPointList(doc, size.width, size.height).mmPerUnit;
            if (!writers::WriteOutput(doc, *format, CString(output), mmPerUnit))
                return Failed(output, doc.m_strError);
            return Reported(output);
        });
}

} // namespace cli
