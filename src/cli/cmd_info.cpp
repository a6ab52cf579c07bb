#include "cli/batch.h"
#include "cli/info_dxf.h"
#include "cli/info_report.h"
#include "cli/render_file.h"
#include "model/formats.h"
#include "model/stroke_stats.h"
#include "model/units.h"
#include "readers/list_unit.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

namespace cli {

namespace {
constexpr const char* kInfoHelp =
    "usage: loomveil-cli info IN... [--json] [-v]\n"
    "Reads each file and reports, on one line, its format, the number of points\n"
    "and strokes, the bounding box in the file's own coordinates, its size in mm\n"
    "and inches where the format's unit is known, and the time the read took.\n"
    "A DXF drawing adds its version, units, and its entities, layers and blocks\n"
    "counted (listed on further lines with -v).\n"
    "  --json          one JSON array with an object per file, the same fields\n"
    "                  for every format\n";

std::string Compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

// Readers of these formats keep y as the file has it; every other reader
// stores -y, its file's y axis pointing up and the model's down.
bool KeepsFileY(const FileFormat* format) {
    return format && format->HasExt("4qb");
}

std::string Hex(COLORREF c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
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
    const bool json = args->Has("--json"), verbose = args->Has("--verbose");
    const Size size = DefaultRenderSize();

    QJsonArray all;
    BatchSpec spec{.command = "info", .doneWord = "read"};
    spec.onOutcome = [&](const Input&, const Outcome& o) {
        if (json)
            all.append(QJsonDocument::fromJson(QByteArray::fromStdString(o.report)).object());
        else if (!o.failure)
            std::printf("%s\n", o.report.c_str());
    };
    const int status = RunBatch(*args, spec, [&](CLoomveilDoc& doc, const Input& input, const std::string&) {
        const RenderResult r = RenderFile(doc, input, size.width, size.height);
        const std::string ext = doc.m_strFileExt.Utf8();
        const FileFormat* format = doc.m_pFormat ? doc.m_pFormat : FindFormat(ext);
        InfoReport report;
        report.file = input.name;
        report.format = format ? std::string(format->name) : "unknown";
        auto fail = [&](const std::string& why) {
            Outcome o = Failed(input.name, why);
            if (json) o.report = Compact(InfoErrorJson(input.name, report.format, why));
            return o;
        };
        if (!r.ok) return fail(r.error);

        const StrokeStats st = ComputeStrokeStats(doc.m_PointList);
        report.points = st.points;
        report.strokes = st.strokes;
        report.seconds = r.seconds;
        for (const COLORREF c :
             doc.m_StrokeColours.Empty() ? std::vector<COLORREF>() : doc.m_StrokeColours.Distinct())
            report.colours.push_back(Hex(c));
        if (format && format->HasExt("dxf")) {
            auto summary = ReadDxfSummary(input.path);
            if (const std::string* why = std::get_if<std::string>(&summary)) return fail(*why);
            DxfSummary& d = std::get<DxfSummary>(summary);
            if (d.hasExtents) report.bbox = Box{d.minX, d.minY, d.maxX, d.maxY};
            if (d.insUnits) {
                report.mmPerUnit = units::MmPerInsUnit(*d.insUnits).value_or(0.0);
                report.unit = units::InsUnitName(*d.insUnits);
            }
            report.dxf = std::move(d);
        } else {
            if (st.hasExtent)
                report.bbox = KeepsFileY(format) ? Box{st.minX, st.minY, st.maxX, st.maxY}
                                                 : Box{st.minX, -double(st.maxY), st.maxX, -double(st.minY)};
            const units::ListUnit unit = units::UnitOfPointList(doc, size.width, size.height);
            if (unit.Known()) {
                report.mmPerUnit = unit.mmPerUnit;
                report.unit = Number(unit.mmPerUnit) + " mm";
            }
        }
        return Reported(json ? Compact(InfoJson(report)) : InfoText(report, verbose));
    });
    if (json) std::printf("%s\n", QJsonDocument(all).toJson(QJsonDocument::Indented).constData());
    return status;
}

} // namespace cli
