#include "cli/batch.h"
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
    "  --json          one JSON array with an object per file\n";

std::string Compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}
} // namespace

int RunInfo(int argc, char** argv) {
    const auto args = ParseArgs(argc, argv, 2, {{"--json", false}, {"--help", false, "-h"}});
    if (!args) return kExitUsage;
    if (args->Has("--help")) {
        std::printf("%s%s", kInfoHelp, kCommonHelp);
        return kExitOk;
    }
    if (args->inputs.empty()) return UsageError("info: no input files (see info --help)");
    const bool json = args->Has("--json");
    const Size size = DefaultRenderSize();

    QJsonArray all;
    BatchSpec spec{.command = "info", .doneWord = "read"};
    spec.onOutcome = [&](const Input&, const Outcome& o) {
        if (json)
            all.append(QJsonDocument::fromJson(QByteArray::fromStdString(o.report)).object());
        else if (!o.failure)
            std::printf("%s\n", o.report.c_str());
    };
    const int status =
        RunBatch(*args, spec, [&](CLoomveilDoc& doc, const Input& input, const std::string&) -> Outcome {
            const bool dxf = input.format.empty() ? ExtensionOf(input.path) == ".dxf" : input.format == "dxf";
            if (dxf) return DxfInfo(input, json);
            const RenderResult r = RenderFile(doc, input, size.width, size.height);
            const InputFormat* format = FindInputFormat(doc.m_strFileExt.Utf8());
            const std::string formatName = format ? std::string(format->name) : "unknown";
            if (!r.ok) {
                Outcome o{Failure{input.name, r.error}};
                if (json)
                    o.report = Compact(QJsonObject{{"file", QString::fromStdString(input.name)},
                                                   {"format", QString::fromStdString(formatName)},
                                                   {"error", QString::fromStdString(r.error)}});
                return o;
            }
            const StrokeStats st = ComputeStrokeStats(doc.m_PointList);
            const units::ListUnit unit = units::UnitOfPointList(doc, size.width, size.height);
            const double widthMm = (double(st.maxX) - st.minX) * unit.mmPerUnit;
            const double heightMm = (double(st.maxY) - st.minY) * unit.mmPerUnit;
            if (json) {
                QJsonObject o{{"file", QString::fromStdString(input.name)},
                              {"format", QString::fromStdString(formatName)},
                              {"points", static_cast<qint64>(st.points)},
                              {"strokes", static_cast<qint64>(st.strokes)},
                              {"seconds", r.seconds}};
                if (st.hasExtent)
                    o["bbox"] = QJsonObject{
                        {"minX", st.minX}, {"minY", st.minY}, {"maxX", st.maxX}, {"maxY", st.maxY}};
                o["mmPerUnit"] = unit.Known() ? QJsonValue(unit.mmPerUnit) : QJsonValue();
                if (st.hasExtent && unit.Known())
                    o["size"] = QJsonObject{{"widthMm", widthMm},
                                            {"heightMm", heightMm},
                                            {"widthIn", widthMm / units::kMmPerInch},
                                            {"heightIn", heightMm / units::kMmPerInch}};
                return Reported(Compact(o));
            }
            char buf[512];
            std::string line = input.name + ": " + formatName + ", " + std::to_string(st.points) +
                               " points, " + std::to_string(st.strokes) + " strokes";
            if (st.hasExtent) {
                std::snprintf(buf, sizeof buf, ", box (%g, %g) to (%g, %g), %g x %g", st.minX, st.minY,
                              st.maxX, st.maxY, double(st.maxX) - st.minX, double(st.maxY) - st.minY);
                line += buf;
            }
            if (st.hasExtent && unit.Known()) line += ", " + units::FormatPhysicalSize(widthMm, heightMm);
            std::snprintf(buf, sizeof buf, ", read in %.3f s", r.seconds);
            return Reported(line + buf);
        });
    if (json) std::printf("%s\n", QJsonDocument(all).toJson(QJsonDocument::Indented).constData());
    return status;
}

} // namespace cli
