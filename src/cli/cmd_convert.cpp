#include "cli/cli.h"
#include "cli/render_file.h"
#include "writers/convert.h"

#include <algorithm>
#include <cctype>
#include <csignal>
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

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
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
    const std::string out = args->Get("--output"), dir = args->Get("--dir");
    if (!out.empty() && !dir.empty()) return UsageError("convert: give -o or -d, not both");
    if (!out.empty() && args->inputs.size() > 1)
        return UsageError("convert: -o takes one input; use -d DIR for many");

    std::string formatName = args->Get("--to");
    if (formatName.empty() && !out.empty()) {
        const std::string ext = std::filesystem::path(out).extension().string();
        if (!ext.empty()) formatName = ext.substr(1);
    }
    if (formatName.empty()) return UsageError("convert: say which format with --to (see convert --help)");
    const writers::OutputFormat* format = writers::FindOutputFormat(Lower(formatName));
    if (!format)
        return UsageError("convert: unknown format '" + formatName + "' (dxf, hqf, plt, qcc, qli or exp)");
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            ReportError(dir, "cannot create folder: " + ec.message());
            return kExitFailed;
        }
    }

    // Past a file-size limit a write then fails with "File too large" and is
    // cleaned up like a full disk, instead of the signal ending the program
    // with its temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);

    // Files are read at the viewer's picture size, so that a drawing whose
    // pattern is its outline in device units converts as it does there.
    const Size size = DefaultRenderSize();
    int status = kExitOk;
    Progress progress(args->inputs.size());
    OutputNamer names(out, dir, std::string(".").append(format->ext));
    CLoomveilDoc doc;
    for (const std::string& input : args->inputs) {
        progress.Step(input);
        const RenderResult r = RenderFile(doc, input, size.width, size.height);
        progress.Clear();
        if (!r.ok) {
            ReportError(input, r.error);
            status = kExitFailed;
            continue;
        }
        if (IsFileExt(doc.m_strFileExt, "cdr")) {
            ReportError(input, "a CDR file holds only a preview picture, no pattern to convert");
            status = kExitFailed;
            continue;
        }
        const std::string path = names.For(input);
        if (!writers::WriteOutput(doc, *format, CString(path))) {
            ReportError(path, doc.m_strError);
            status = kExitFailed;
            continue;
        }
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
    }
    return status;
}

} // namespace cli
