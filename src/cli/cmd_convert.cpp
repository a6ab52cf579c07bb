#include "cli/cli.h"
#include "cli/render_file.h"
#include "writers/convert.h"

#include <cstdio>
#include <filesystem>

namespace cli {

namespace {
constexpr const char* kConvertHelp =
    "usage: loomveil-cli convert IN... --to dxf|hqf|plt|qcc|qli|exp [-o OUT | -d DIR]\n"
    "Reads each file and writes its pattern in another machine's format, as the\n"
    "viewer's Convert Format does: to OUT (one input; without --to the format is\n"
    "OUT's extension), into DIR, or into the current folder as NAME.<format>.\n"
    "An existing file is replaced only once the new one is complete. Prints the\n"
    "path of each file written.\n"
    "  --to FMT   output format: dxf, hqf, plt, qcc, qli or exp\n";
} // namespace

int RunConvert(int argc, char** argv) {
    const auto args =
        ParseArgs(argc, argv, 2,
                  {{"--to", true}, {"--output", true, "-o"}, {"--dir", true, "-d"}, {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::fputs(kConvertHelp, stdout);
        return kExitOk;
    }
    if (args->inputs.empty()) return UsageError("convert: no input files (see convert --help)");
    const std::string out = args->Get("--output");

    std::string formatName = args->Get("--to");
    if (formatName.empty() && !out.empty()) {
        const std::string ext = std::filesystem::path(out).extension().string();
        if (!ext.empty()) formatName = ext.substr(1);
    }
    if (formatName.empty()) return UsageError("convert: say which format with --to (see convert --help)");
    const writers::OutputFormat* format = writers::FindOutputFormat(Lower(formatName));
    if (!format)
        return UsageError("convert: unknown format '" + formatName + "' (dxf, hqf, plt, qcc, qli or exp)");
    // Files are read at the viewer's picture size, so that a drawing whose
    // pattern is its outline in device units converts as it does there.
    const Size size = DefaultRenderSize();
    return ForEachInput(*args, "convert", std::string(".").append(format->ext),
                        [&](CLoomveilDoc& doc, const std::string& input,
                            OutputNamer& names) -> std::variant<std::string, Failure> {
                            const RenderResult r = RenderFile(doc, input, size.width, size.height);
                            if (!r.ok) return Failure{input, r.error};
                            if (IsFileExt(doc.m_strFileExt, "cdr"))
                                return Failure{input, "a CDR file holds only a preview picture, no pattern to convert"};
                            std::string path = names.For(input);
                            if (!writers::WriteOutput(doc, *format, CString(path))) return Failure{path, doc.m_strError};
                            return path;
                        });
}

} // namespace cli
