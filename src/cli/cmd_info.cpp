#include "cli/cli.h"
#include "cli/info_dxf.h"
#include "cli/render_file.h"
#include "model/formats.h"
#include "model/stroke_stats.h"
#include "model/units.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace cli {

namespace {
constexpr const char* kInfoHelp =
    "usage: loomveil-cli info IN... [--json]\n"
    "Reads each file and reports its format, the number of points and strokes,\n"
    "the bounding box in file units, its size in mm and inches where the\n"
    "format's unit is known, and the time the read took. For a DXF drawing:\n"
    "its version, entities by type, layers, blocks, extents and units.\n"
    "  --json   one JSON array with an object per file\n";
}

int RunInfo(int argc, char** argv) {
    const auto args = ParseArgs(argc, argv, 2, {{"--json", false}, {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::fputs(kInfoHelp, stdout);
        return kExitOk;
    }
    if (args->inputs.empty()) return UsageError("info: no input files (see info --help)");
    const bool json = args->Has("--json");
    const Size size = DefaultRenderSize();

    int status = kExitOk;
    QJsonArray all;
    Progress progress(args->inputs.size());
    CLoomveilDoc doc;
    for (const std::string& input : args->inputs) {
        progress.Step(input);
        if (IsDxfPath(input)) {
            progress.Clear();
            if (!ReportDxfInfo(input, json, all)) status = kExitFailed;
            continue;
        }
        const RenderResult r = RenderFile(doc, input, size.width, size.height);
        progress.Clear();
        const InputFormat* format = FindInputFormat(doc.m_strFileExt.Utf8());
        const std::string formatName = format ? std::string(format->name) : "unknown";
        if (!r.ok) {
            status = kExitFailed;
            ReportError(input, r.error);
            if (json) all.append(QJsonObject{{"file", QString::fromStdString(input)},
                                             {"format", QString::fromStdString(formatName)},
                                             {"error", QString::fromStdString(r.error)}});
            continue;
        }
        const StrokeStats st = ComputeStrokeStats(doc.m_PointList);
        const units::ListUnit unit = units::UnitOfPointList(doc, size.width, size.height);
        const double widthMm = (double(st.maxX) - st.minX) * unit.mmPerUnit;
        const double heightMm = (double(st.maxY) - st.minY) * unit.mmPerUnit;
        if (json) {
            QJsonObject o{{"file", QString::fromStdString(input)},
                          {"format", QString::fromStdString(formatName)},
                          {"points", static_cast<qint64>(st.points)},
                          {"strokes", static_cast<qint64>(st.strokes)},
                          {"seconds", r.seconds}};
            if (st.hasExtent)
                o["bbox"] = QJsonObject{{"minX", st.minX}, {"minY", st.minY}, {"maxX", st.maxX}, {"maxY", st.maxY}};
            o["mmPerUnit"] = unit.Known() ? QJsonValue(unit.mmPerUnit) : QJsonValue();
            if (st.hasExtent && unit.Known())
                o["size"] = QJsonObject{{"widthMm", widthMm},
                                        {"heightMm", heightMm},
                                        {"widthIn", widthMm / units::kMmPerInch},
                                        {"heightIn", heightMm / units::kMmPerInch}};
            all.append(o);
            continue;
        }
        std::printf("%s: %s, %zu points, %zu strokes", input.c_str(), formatName.c_str(), st.points, st.strokes);
        if (st.hasExtent)
            std::printf(", box (%g, %g) to (%g, %g), %g x %g", st.minX, st.minY, st.maxX, st.maxY,
                        double(st.maxX) - st.minX, double(st.maxY) - st.minY);
        if (st.hasExtent && unit.Known())
            std::printf(", %s", units::FormatPhysicalSize(widthMm, heightMm).c_str());
        std::printf(", read in %.3f s\n", r.seconds);
    }
    if (json) std::printf("%s\n", QJsonDocument(all).toJson(QJsonDocument::Indented).constData());
    return status;
}

} // namespace cli
