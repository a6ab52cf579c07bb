#include "readers/list_unit.h"

#include "dxf/dxf_units.h"
#include "model/formats.h"
#include "model/units.h"

namespace units {

ListUnit UnitOfPointList(const CLoomveilDoc& doc, int width, int height) {
    ListUnit u;
    const std::string ext = doc.m_strFileExt.Utf8();
    const FileFormat* f = doc.m_pFormat ? doc.m_pFormat : FindFormat(ext);
    if (!f || !f->Reads()) {
        u.why = "files of type \"" + ext + "\" are not read";
        return u;
    }
    const std::string name(f->name);
    switch (f->basis) {
    case UnitBasis::fixed:
        u.mmPerUnit = f->mmPerUnit;
        return u;
    case UnitBasis::unknown:
        u.why = name + " files do not say what their coordinates measure";
        return u;
    case UnitBasis::preview:
        u.why = "a " + name + " file holds only a picture, no pattern to measure";
        return u;
    case UnitBasis::drawing:
        break;
    }
    const std::string path = doc.m_strFilePath.LocalPath();
    const DxfSource source = DxfSource::Path(path.c_str());
    const std::optional<int> code = ReadInsUnits(source);
    const std::optional<double> mm = code ? MmPerInsUnit(*code) : std::nullopt;
    if (!mm) {
        u.why = !code ? "the DXF drawing does not say what its units are (no $INSUNITS)"
                : *code == 0
                    ? "the DXF drawing is unitless ($INSUNITS 0)"
                    : "the DXF drawing's $INSUNITS " + std::to_string(*code) + " is not a known unit";
        return u;
    }
    const double pixels = DxfPixelsPerDrawingUnit(source, width, height);
    if (pixels <= 0) {
        u.why = "the DXF drawing has no extent to measure";
        return u;
    }
    u.mmPerUnit = *mm / pixels;
    return u;
}

} // namespace units
