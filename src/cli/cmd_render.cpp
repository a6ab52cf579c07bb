#include "cli/batch.h"
#include "cli/render_file.h"
#include "dxf/cdxf_drawing.h"
#include "model/jumps.h"

#include <QImageWriter>
#include <cstdio>

namespace cli {

namespace {
constexpr const char* kRenderHelp =
    "usage: loomveil-cli render IN... [-o OUT | -d DIR] [--size WxH] [--jumps]\n"
    "Draws each file scaled to fit a white picture, as the viewer does: to OUT\n"
    "(one input; its extension chooses the picture format: png, jpg, bmp, ...;\n"
    "'-' writes PNG to standard output), into DIR, or into the current folder,\n"
    "as NAME.png. Prints the path of each picture written.\n"
    "  --size WxH      picture size in pixels, each side 1 to 32768\n"
    "                  (default: the viewer's picture frame, 540x516)\n"
    "  --jumps         also draw the pen-up moves between strokes, thin and dashed\n";

// The picture format QImageWriter writes for OUT's extension: "png" for
// none (and standard output), empty for one it cannot write.
std::string PictureFormat(const std::string& out) {
    const std::string ext = out == "-" ? "" : ExtensionOf(out);
    if (ext.empty()) return "png";
    const QByteArray wanted = QByteArray::fromStdString(ext.substr(1));
    for (const QByteArray& f : QImageWriter::supportedImageFormats())
        if (f == wanted) return ext.substr(1);
    return {};
}

std::string WritableFormats() {
    std::string list;
    for (const QByteArray& f : QImageWriter::supportedImageFormats())
        list += (list.empty() ? "" : ", ") + f.toStdString();
    return list;
}
} // namespace

int RunRender(int argc, char** argv) {
    const auto args = ParseArgs(argc, argv, 2,
                                {{"--output", true, "-o"},
                                 {"--dir", true, "-d"},
                                 {"--size", true},
                                 {"--jumps", false},
                                 {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::printf("%s%s", kRenderHelp, kCommonHelp);
        return kExitOk;
    }
    if (args->inputs.empty()) return UsageError("render: no input files (see render --help)");
    Size size = DefaultRenderSize();
    if (args->Has("--size")) {
        const auto s = ParseSize(args->Get("--size"));
        if (!s)
            return UsageError("render: --size wants WxH with each side from 1 to " +
                              std::to_string(kMaxPictureSide) + " pixels, e.g. 800x600");
        size = *s;
    }
    const std::string format = PictureFormat(args->Get("--output"));
    if (format.empty())
        return UsageError("render: cannot write pictures of type '" + ExtensionOf(args->Get("--output")) +
                          "' (" + WritableFormats() + ")");
    const bool jumps = args->Has("--jumps");
    return RunBatch(
        *args, {.command = "render", .outputExt = ".png"},
        [&](CLoomveilDoc& doc, const Input& input, const std::string& output) -> Outcome {
            RenderResult r = RenderFile(doc, input, size.width, size.height);
            if (!r.ok) return Failed(input.name, r.error);
            if (jumps) {
                // A drawing's outline is in pixels already, drawn on grey.
                if (IsFileExt(doc.m_strFileExt, "dxf"))
                    DrawJumps(r.image, doc.m_PointList, size.width, size.height, JumpSpace::device,
                              qRgb(GetRValue(kDxfBackground), GetGValue(kDxfBackground),
                                   GetBValue(kDxfBackground)));
                else
                    DrawJumps(r.image, doc.m_PointList, size.width, size.height, JumpSpace::fitted);
            }
            if (const std::string err = SaveImage(r.image, output, format.c_str()); !err.empty())
                return Failed(output, err);
            return Reported(output);
        });
}

} // namespace cli
