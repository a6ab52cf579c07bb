#include "cli/info_dxf.h"

#include "cli/cli.h"
#include "dxf/cdxf_drawing.h"
#include "dxf/dxf_units.h"
#include "model/units.h"

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

} // namespace

std::variant<DxfSummary, std::string> ReadDxfSummary(const std::string& path) {
    CFile file;
    CFileException error;
    if (!file.Open(CString(path), CFile::modeRead | CFile::shareDenyWrite, &error)) return error.What();
    try {
        if (file.GetLength() == 0) return std::string("empty file");
        if (file.GetLength() > 0x7FFFFFFFull) return std::string("file too large for a DXF drawing");
    } catch (const CFileException& e) {
        return e.What();
    }

    DxfSummary s;
    s.version = ReadVersion(file);
    s.release = ReleaseOf(s.version);
    s.insUnits = units::ReadInsUnits(DxfSource::File(&file));
    CDxfDrawing drawing;
    if (!drawing.Create()) return std::string("out of memory");
    if (!drawing.LoadFile(&file)) return std::string("the file could not be read to its end");
    DXFBOX extents{};
    s.hasExtents = DxfGetExtents(drawing.GetHandle(), &extents);
    s.minX = extents.minX;
    s.minY = extents.minY;
    s.maxX = extents.maxX;
    s.maxY = extents.maxY;

    GlobalLockGuard<DXFDRAWING> d(drawing.GetHandle());
    if (!d) return std::string("out of memory");
    std::map<WORD, int> types;
    DxfForEachEntity(d->entities, [&](const DXFENTITYHEADER& h, const void*, DWORD) {
        ++types[h.wType];
        return true;
    });
    for (const auto& [type, n] : types) s.entityTypes.emplace_back(DxfEntityTypeName(type), n);
    s.entities = d->entities.nCount;
    auto lineTypeOf = [&](const DXFLAYER& l) -> std::string {
        for (DWORD i = 0; i < d->nLTypes; ++i)
            if (d->ltypes[i].dwId == l.dwLineType) return d->ltypes[i].szName;
        return {};
    };
    for (DWORD i = 0; i < d->nLayers; ++i)
        s.layers.push_back({d->layers[i].szName, d->layers[i].nColor, lineTypeOf(d->layers[i])});
    for (DWORD i = 0; i < d->nBlocks; ++i)
        s.blocks.push_back({d->blocks[i].szName, d->blocks[i].list.nCount});
    return s;
}

} // namespace cli
