#include "cli/info_report.h"

#include "model/units.h"

#include <QJsonArray>
#include <cstdio>

namespace cli {

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v == 0 ? 0.0 : v);
    return buf;
}

std::string Count(std::size_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::optional<std::pair<double, double>> SizeMm(const InfoReport& r) {
    if (!r.bbox || r.mmPerUnit <= 0) return std::nullopt;
    return std::pair{(r.bbox->maxX - r.bbox->minX) * r.mmPerUnit,
                     (r.bbox->maxY - r.bbox->minY) * r.mmPerUnit};
}

template <class Item, class Text> std::string List(const std::vector<Item>& items, Text&& text) {
    std::string out;
    for (const Item& i : items) out += (out.empty() ? "" : ", ") + text(i);
    return out;
}

} // namespace

std::string InfoText(const InfoReport& r, bool verbose) {
    std::string line = r.file + ": " + r.format;
    if (r.dxf) {
        const DxfSummary& d = *r.dxf;
        line += d.version.empty() ? " (version unknown)"
                                  : " " + d.version + (d.release ? std::string(" (") + d.release + ")" : "");
    }
    line += ", " + Count(r.points, "point", "points") + ", " + Count(r.strokes, "stroke", "strokes");
    if (r.bbox)
        line += ", box (" + Number(r.bbox->minX) + ", " + Number(r.bbox->minY) + ") to (" +
                Number(r.bbox->maxX) + ", " + Number(r.bbox->maxY) + ")";
    if (r.dxf && r.dxf->insUnits) {
        // Only what the header states: most older drawings say nothing.
        const int code = *r.dxf->insUnits;
        if (const std::string_view name = units::InsUnitName(code); !name.empty())
            line += ", " + (code == 0 ? std::string(name) : "units " + std::string(name));
        else
            line += ", units code " + std::to_string(code) + " (unknown)";
    }
    if (const auto size = SizeMm(r)) line += ", " + units::FormatPhysicalSize(size->first, size->second);
    if (!r.colours.empty()) line += ", " + Count(r.colours.size(), "colour", "colours");
    if (r.dxf)
        line += ", " + Count(r.dxf->entities, "entity", "entities") + ", " +
                Count(r.dxf->layers.size(), "layer", "layers") + ", " +
                Count(r.dxf->blocks.size(), "block", "blocks");
    char tail[48];
    std::snprintf(tail, sizeof tail, ", read in %.3f s", r.seconds);
    line += tail;
    if (!verbose || !r.dxf) return line;

    const DxfSummary& d = *r.dxf;
    const auto typed = [](const std::pair<std::string, int>& t) {
        return t.first + " " + std::to_string(t.second);
    };
    const auto layer = [](const DxfSummary::Layer& l) { return l.name; };
    const auto block = [](const DxfSummary::Block& b) {
        return b.name + " (" + std::to_string(b.entities) + ")";
    };
    if (!d.entityTypes.empty()) line += "\n  entities: " + List(d.entityTypes, typed);
    if (!d.layers.empty()) line += "\n  layers: " + List(d.layers, layer);
    if (!d.blocks.empty()) line += "\n  blocks: " + List(d.blocks, block);
    return line;
}

QJsonObject InfoJson(const InfoReport& r) {
    QJsonObject o{{"file", Q(r.file)},
                  {"format", Q(r.format)},
                  {"points", static_cast<qint64>(r.points)},
                  {"strokes", static_cast<qint64>(r.strokes)},
                  {"seconds", r.seconds}};
    QJsonObject box;
    if (r.bbox)
        box = QJsonObject{{"minX", r.bbox->minX == 0 ? 0.0 : r.bbox->minX},
                          {"minY", r.bbox->minY == 0 ? 0.0 : r.bbox->minY},
                          {"maxX", r.bbox->maxX == 0 ? 0.0 : r.bbox->maxX},
                          {"maxY", r.bbox->maxY == 0 ? 0.0 : r.bbox->maxY}};
    if (r.bbox) o["bbox"] = box;
    o["unit"] = r.unit.empty() ? QJsonValue() : QJsonValue(Q(r.unit));
    o["mmPerUnit"] = r.mmPerUnit > 0 ? QJsonValue(r.mmPerUnit) : QJsonValue();
    if (const auto size = SizeMm(r))
        o["size"] = QJsonObject{{"widthMm", size->first},
                                {"heightMm", size->second},
                                {"widthIn", size->first / units::kMmPerInch},
                                {"heightIn", size->second / units::kMmPerInch}};
    if (!r.colours.empty()) {
        QJsonArray colours;
        for (const std::string& c : r.colours) colours.append(Q(c));
        o["colours"] = colours;
    }
    if (!r.dxf) return o;
    const DxfSummary& d = *r.dxf;
    o["version"] = d.version.empty() ? QJsonValue() : QJsonValue(Q(d.version));
    o["release"] = d.release ? QJsonValue(QString::fromUtf8(d.release)) : QJsonValue();
    o["insunits"] = d.insUnits ? QJsonValue(*d.insUnits) : QJsonValue();
    o["entities"] = static_cast<qint64>(d.entities);
    QJsonObject types;
    for (const auto& [name, n] : d.entityTypes) types[Q(name)] = n;
    o["entityTypes"] = types;
    // "extents", "layers" and "blocks" keep the names and shapes scripts
    // written against earlier releases read.
    if (r.bbox) o["extents"] = box;
    o["layerCount"] = static_cast<qint64>(d.layers.size());
    o["blockCount"] = static_cast<qint64>(d.blocks.size());
    QJsonArray layers, blocks;
    for (const DxfSummary::Layer& l : d.layers)
        layers.append(QJsonObject{{"name", Q(l.name)}, {"color", l.color}, {"lineType", Q(l.lineType)}});
    for (const DxfSummary::Block& b : d.blocks)
        blocks.append(QJsonObject{{"name", Q(b.name)}, {"entities", static_cast<qint64>(b.entities)}});
    o["layers"] = layers;
    o["blocks"] = blocks;
    return o;
}

QJsonObject InfoErrorJson(const std::string& file, const std::string& format, const std::string& error) {
    return QJsonObject{{"file", Q(file)}, {"format", Q(format)}, {"error", Q(error)}};
}

} // namespace cli
