#include "cli/batch.h"
#include "cli/render_file.h"
#include "model/formats.h"

#include <charconv>
#include <cstdio>

namespace cli {

namespace {
constexpr const char* kThumbnailHelp =
    "usage: loomveil-cli thumbnail IN OUT [--size N]\n"
    "       loomveil-cli thumbnail IN... [-o OUT | -d DIR] [--size N]\n"
    "Draws each file into a square N x N PNG picture (aspect kept, as the viewer\n"
    "draws it), for file managers: the desktop's thumbnailer entry runs\n"
    "'loomveil-cli thumbnail %i %o --size %s'. OUT is written whatever its name\n"
    "ends in, and only once complete; with -d or without OUT, the picture is\n"
    "NAME.png in DIR or the current folder. A file that cannot be drawn, or\n"
    "draws nothing, writes no picture and makes the exit status 1.\n"
    "  --size N        side in pixels, 1 to 4096 (default 256)\n";

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
    auto args = ParseArgs(
        argc, argv, 2,
        {{"--size", true, "-s"}, {"--output", true, "-o"}, {"--dir", true, "-d"}, {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::printf("%s%s", kThumbnailHelp, kCommonHelp);
        return kExitOk;
    }
    if (args->inputs.empty()) return UsageError("thumbnail: no input files (see thumbnail --help)");
    // "IN OUT", as thumbnailers call it: the second name is the picture,
    // unless it names a file of a format that is read, which is never
    // written over by a picture.
    const bool thumbnailer = args->inputs.size() == 2 && !args->Has("--output") && !args->Has("--dir");
    if (thumbnailer) {
        const std::string ext = ExtensionOf(args->inputs[1]);
        if (const FileFormat* f = ext.empty() ? nullptr : FindFormat(ext.substr(1)); f && f->Reads())
            return UsageError("thumbnail: " + args->inputs[1] +
                              " is a pattern file, not a picture; give -o OUT or -d DIR");
        args->values["--output"] = args->inputs[1];
        args->inputs.pop_back();
    }
    int side = kDefaultSide;
    if (args->Has("--size")) {
        const std::string text = args->Get("--size");
        const auto r = std::from_chars(text.data(), text.data() + text.size(), side);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size() || side < 1 || side > kMaxSide)
            return UsageError("thumbnail: --size wants a side of 1 to " + std::to_string(kMaxSide) +
                              " pixels");
    }

    return RunBatch(*args, {.command = "thumbnail", .outputExt = ".png"},
                    [&](CLoomveilDoc& doc, const Input& input, const std::string& output) -> Outcome {
                        const RenderResult r = RenderFile(doc, input, side, side);
                        if (!r.ok) return Failed(input.name, r.error);
                        // A blank square would stand for the file as if it were its picture.
                        if (!DrewSomething(r.image)) return Failed(input.name, "nothing to draw");
                        if (const std::string err = SaveImage(r.image, output); !err.empty())
                            return Failed(output, err);
                        // A thumbnailer reads the picture, not what is printed.
                        return Reported(thumbnailer ? std::string() : output);
                    });
}

} // namespace cli
