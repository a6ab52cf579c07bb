#include "cli/info_dxf.h"

#include "cli/cli.h"
#include "dxf/cdxf_drawing.h"
#include "model/units.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdio>
#include <map>
#include <string_view>
#include <vector>

namespace cli {

namespace {

// The release that wrote each $ACADVER value.
const char* ReleaseOf(std::string_view version) {
    static constexpr std::pair<std::string_view, const char*> kReleases[] = {
        {"AC1006", "R10"},   {"AC1009", "R11/R12"}, {"AC1012", "R13"},   {"AC1014", "R14"},
        {"AC1015", "R2000"}, {"AC1018", "R2004"},   {"AC1021", "R2007"}, {"AC1024", "R2010"},
        {"AC1027", "R2013"}, {"AC1032", "R2018"},
    };
    for (const auto& [v, name] : kReleases)
        if (v == version) return name;
    return nullptr;
}

// $ACADVER of the file's HEADER section, when its first section is one.
std::string ReadVersion(CFile& file) {
    HDXFREADER r = DxfOpenReader(nullptr, &file, nullptr, 0);
    if (!r) return {};
    char value[64] = "";
    if (DxfNextSection(r) == DXF_SECTION_HEADER) DxfReadHeaderVariable(r, "$ACADVER", value, sizeof value);
    DxfCloseReader(r);
    return value;
}

struct Summary {
    std::string version;
    std::map<WORD, int> types; // entity type → count, in type-code order
    int entities = 0;
    std::vector<std::pair<std::string, const DXFLAYER*>> layers;
    bool hasExtents = false;
    DXFBOX extents{};
};

QString Q(const char* s) {
    return QString::fromUtf8(s);
}

std::string Format(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

} // namespace

Outcome DxfInfo(const Input& input, bool json) {
    const std::string& path = input.path;
    auto compact = [](const QJsonObject& o) {
        return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
    };
    auto fail = [&](const std::string& reason) {
        Outcome o{Failure{input.name, reason}};
        if (json)
            o.report = compact(QJsonObject{{"file", QString::fromStdString(input.name)},
                                           {"format", "DXF"},
                                           {"error", QString::fromStdString(reason)}});
        return o;
    };
    CFile file;
    CFileException error;
    if (!file.Open(CString(path), CFile::modeRead | CFile::shareDenyWrite, &error)) return fail(error.What());
    try {
        if (file.GetLength() == 0) return fail("empty file");
        if (file.GetLength() > 0x7FFFFFFFull) return fail("file too large for a DXF drawing");
    } catch (const CFileException& e) {
        return fail(e.What());
    }

    const auto t0 = std::chrono::steady_clock::now();
    const std::string version = ReadVersion(file);
    const std::optional<int> insUnits = units::ReadInsUnits(DxfSource::File(&file));
    // 0 when the drawing does not say what its units measure.
    const double mmPerUnit = insUnits ? units::MmPerInsUnit(*insUnits).value_or(0.0) : 0.0;
    CDxfDrawing drawing;
    if (!drawing.Create()) return fail("out of memory");
    if (!drawing.LoadFile(&file)) return fail("the file could not be read to its end");
    DXFBOX extents{};
    const bool hasExtents = DxfGetExtents(drawing.GetHandle(), &extents);
    const double seconds = SecondsSince(t0);

    GlobalLockGuard<DXFDRAWING> d(drawing.GetHandle());
    if (!d) return fail("out of memory");
    std::map<WORD, int> types;
    DxfForEachEntity(d->entities, [&](const DXFENTITYHEADER& h, const void*, DWORD) {
        ++types[h.wType];
        return true;
    });
    auto lineTypeOf = [&](const DXFLAYER& l) -> const char* {
        for (DWORD i = 0; i < d->nLTypes; ++i)
            if (d->ltypes[i].dwId == l.dwLineType) return d->ltypes[i].szName;
        return "";
    };
    const char* release = ReleaseOf(version);

    if (json) {
        QJsonObject byType;
        for (const auto& [type, n] : types) byType[Q(DxfEntityTypeName(type))] = n;
        QJsonArray layers, blocks;
        for (DWORD i = 0; i < d->nLayers; ++i)
            layers.append(QJsonObject{{"name", Q(d->layers[i].szName)},
                                      {"color", d->layers[i].nColor},
                                      {"lineType", Q(lineTypeOf(d->layers[i]))}});
        for (DWORD i = 0; i < d->nBlocks; ++i)
            blocks.append(QJsonObject{{"name", Q(d->blocks[i].szName)},
                                      {"entities", static_cast<qint64>(d->blocks[i].list.nCount)}});
        QJsonObject o{
            {"file", QString::fromStdString(input.name)},
            {"format", "DXF"},
            {"version", version.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(version))},
            {"entities", static_cast<qint64>(d->entities.nCount)},
            {"entityTypes", byType},
            {"layers", layers},
            {"blocks", blocks},
            {"seconds", seconds}};
        if (release) o["release"] = release;
        o["insunits"] = insUnits ? QJsonValue(*insUnits) : QJsonValue();
        if (insUnits && !units::InsUnitName(*insUnits).empty())
            o["units"] = QString::fromUtf8(units::InsUnitName(*insUnits).data(),
                                           static_cast<qsizetype>(units::InsUnitName(*insUnits).size()));
        if (hasExtents && mmPerUnit > 0) {
            const double w = (extents.maxX - extents.minX) * mmPerUnit;
            const double h = (extents.maxY - extents.minY) * mmPerUnit;
            o["size"] = QJsonObject{{"widthMm", w},
                                    {"heightMm", h},
                                    {"widthIn", w / units::kMmPerInch},
                                    {"heightIn", h / units::kMmPerInch}};
        }
        if (hasExtents)
            o["extents"] = QJsonObject{{"minX", extents.minX},
                                       {"minY", extents.minY},
                                       {"maxX", extents.maxX},
                                       {"maxY", extents.maxY}};
        return Reported(compact(o));
    }

    std::string line = input.name + ": DXF";
    line += version.empty() ? " (version unknown)"
                            : " " + version + (release ? std::string(" (") + release + ")" : "");
    line += ", " + std::to_string(d->entities.nCount) + (d->entities.nCount == 1 ? " entity" : " entities");
    if (!types.empty()) {
        std::string list;
        for (const auto& [type, n] : types)
            list +=
                (list.empty() ? "" : ", ") + std::string(DxfEntityTypeName(type)) + " " + std::to_string(n);
        line += " (" + list + ")";
    }
    auto names = [](auto count, auto&& name) {
        std::string list;
        for (DWORD i = 0; i < count; ++i) list += (i ? ", " : "") + name(i);
        return count ? " (" + list + ")" : std::string();
    };
    line += ", " + std::to_string(d->nLayers) + (d->nLayers == 1 ? " layer" : " layers") +
            names(d->nLayers, [&](DWORD i) { return std::string(d->layers[i].szName); });
    line += ", " + std::to_string(d->nBlocks) + (d->nBlocks == 1 ? " block" : " blocks") +
            names(d->nBlocks, [&](DWORD i) {
                return std::string(d->blocks[i].szName) + ": " + std::to_string(d->blocks[i].list.nCount);
            });
    if (hasExtents)
        line += ", extents (" + Format(extents.minX) + ", " + Format(extents.minY) + ") to (" +
                Format(extents.maxX) + ", " + Format(extents.maxY) + ")";
    // Only what the header states: most older drawings say nothing.
    if (insUnits) {
        if (const std::string_view name = units::InsUnitName(*insUnits); !name.empty())
            line += ", " + (*insUnits == 0 ? std::string(name) : "units " + std::string(name));
        else
            line += ", units code " + std::to_string(*insUnits) + " (unknown)";
    }
    if (hasExtents && mmPerUnit > 0)
        line += ", " + units::FormatPhysicalSize((extents.maxX - extents.minX) * mmPerUnit,
                                                 (extents.maxY - extents.minY) * mmPerUnit);
    char tail[48];
    std::snprintf(tail, sizeof tail, ", read in %.3f s", seconds);
    return Reported(line + tail);
}

} // namespace cli
