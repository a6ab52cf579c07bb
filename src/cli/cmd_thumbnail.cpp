#include "cli/cli.h"
#include "cli/render_file.h"

#include <charconv>
#include <cstdio>

namespace cli {

namespace {
constexpr const char* kThumbnailHelp =
    "usage: loomveil-cli thumbnail IN OUT.png [--size N]\n"
    "Draws one file into a square N x N PNG picture (aspect kept, as the viewer\n"
    "draws it), for file managers: the desktop's thumbnailer entry runs\n"
    "'loomveil-cli thumbnail %i %o --size %s'. OUT is written whatever its name\n"
    "ends in, and only once complete; a file that cannot be drawn, or draws\n"
    "nothing, writes no picture and exits with 1.\n"
    "  --size N   side in pixels, 1 to 4096 (default 256)\n";

constexpr int kDefaultSide = 256;
constexpr int kMaxSide = 4096;

// True when some pixel differs from the white the picture starts as.
bool DrewSomething(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((row[x] & 0xFFFFFFu) != 0xFFFFFFu) return true;
    }
    return false;
}
} // namespace

int RunThumbnail(int argc, char** argv) {
    const auto args = ParseArgs(argc, argv, 2, {{"--size", true, "-s"}, {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::fputs(kThumbnailHelp, stdout);
        return kExitOk;
    }
    if (args->inputs.size() != 2)
        return UsageError("thumbnail: give one input and one output (see thumbnail --help)");
    int side = kDefaultSide;
    if (args->Has("--size")) {
        const std::string text = args->Get("--size");
        const auto r = std::from_chars(text.data(), text.data() + text.size(), side);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size() || side < 1 || side > kMaxSide)
            return UsageError("thumbnail: --size wants a side of 1 to 4096 pixels");
    }
    const std::string& input = args->inputs[0];
    const std::string& output = args->inputs[1];

    CLoomveilDoc doc;
    const RenderResult r = RenderFile(doc, input, side, side);
    if (!r.ok) {
        ReportError(input, r.error);
        return kExitFailed;
    }
    // A blank square would stand for the file as if it were its picture.
    if (!DrewSomething(r.image)) {
        ReportError(input, "nothing to draw");
        return kExitFailed;
    }
    if (const std::string err = SavePng(r.image, output); !err.empty()) {
        ReportError(output, err);
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace cli
