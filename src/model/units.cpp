#include "model/units.h"

#include "dxf/cdxf_drawing.h"
#include "model/loomveil_doc.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace units {

namespace {

// One row per format. The comment on each row is where its unit comes
// from; "unknown" rows say why no unit can be assumed.
constexpr FormatUnit kUnits[] = {
    // HP-GL: plotter units of 0.025 mm, 40 to the millimetre (1016 to the
    // inch). User units that IP and SC set up are converted to plotter units
    // while the file is read, so the model is always in plotter units.
    {"plt", "HPGL", Basis::fixed, 0.025, true},
    {"hpgl", "HPGL", Basis::fixed, 0.025, true},
    {"hpg", "HPGL", Basis::fixed, 0.025, true},
    {"hp", "HPGL", Basis::fixed, 0.025, true},
    // CQP shares HPGL's commands, one to a line, but its coordinates are
    // not documented as plotter units.
    {"cqp", "CQP", Basis::unknown, 0, true},
    // QLI and HQV: bare numbers; a unit word written after a number is read
    // and ignored, and the format fixes none.
    {"qli", "QLI", Basis::unknown, 0, true},
    {"hqv", "HQV", Basis::unknown, 0, true},
    // QCC: curve points as bare numbers after axis letters; no unit is
    // stated anywhere in the file.
    {"qcc", "QCC", Basis::unknown, 0, true},
    // PAT (G-code moves), SSD (point lines) and HQF (segment lines): bare
    // numbers, with no unit word and no header that could state one.
    {"pat", "PAT", Basis::unknown, 0, true},
    {"ssd", "SSD", Basis::unknown, 0, true},
    {"hqf", "HQF", Basis::unknown, 0, true},
    // CMD: X/Y point lines with no unit.
    {"cmd", "CMD", Basis::unknown, 0, true},
    // TXT: bare number pairs with no unit.
    {"txt", "TXT", Basis::unknown, 0, true},
    // IQP: float pairs; the part of the header the reader takes holds only
    // a count, and 12000.0 marks a jump, so the unit is not stated.
    {"iqp", "IQP", Basis::unknown, 0, true},
    // 4QB: float pairs in blocks with skipped 44-byte headers; no unit is
    // read from the file.
    {"4qb", "4QB", Basis::unknown, 0, true},
    // CDR: only the embedded preview picture is shown; there is no pattern.
    {"cdr", "CDR preview", Basis::preview, 0, true},
    // DXF: the drawing's $INSUNITS header variable, when present and not 0.
    {"dxf", "DXF", Basis::drawing, 0, true},
    // Melco EXP (written only): each record is a move of signed bytes in
    // stitch units of 0.1 mm.
    {"exp", "Melco EXP", Basis::fixed, 0.1, false},
};

// $INSUNITS codes of the DXF HEADER section, in millimetres per unit.
// US survey units are defined through the US survey foot, 1200/3937 m.
constexpr double kUsSurveyFootMm = 1200.0 / 3937.0 * 1000.0;
struct InsUnit {
    std::string_view name;
    double mm;
};
constexpr InsUnit kInsUnits[] = {
    {"unitless", 0},
    {"inches", 25.4},
    {"feet", 304.8},
    {"miles", 1609344.0},
    {"millimetres", 1.0},
    {"centimetres", 10.0},
    {"metres", 1000.0},
    {"kilometres", 1e6},
    {"microinches", 25.4e-6},
    {"mils", 25.4e-3},
    {"yards", 914.4},
    {"angstroms", 1e-7},
    {"nanometres", 1e-6},
    {"microns", 1e-3},
    {"decimetres", 100.0},
    {"decametres", 1e4},
    {"hectometres", 1e5},
    {"gigametres", 1e12},
    {"astronomical units", 149597870700.0 * 1000.0},
    {"light years", 9460730472580800.0 * 1000.0},
    {"parsecs", 3.0856775814913673e16 * 1000.0},
    {"US survey feet", kUsSurveyFootMm},
    {"US survey inches", kUsSurveyFootMm / 12.0},
    {"US survey yards", kUsSurveyFootMm * 3.0},
    {"US survey miles", kUsSurveyFootMm * 5280.0},
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

} // namespace

std::span<const FormatUnit> FormatUnits() {
    return kUnits;
}

const FormatUnit* FindFormatUnit(std::string_view ext) {
    for (const FormatUnit& u : kUnits)
        if (u.ext == ext) return &u;
    return nullptr;
}

std::optional<double> MmPerInsUnit(int code) {
    if (code <= 0 || code >= static_cast<int>(std::size(kInsUnits))) return std::nullopt;
    return kInsUnits[code].mm;
}

std::string_view InsUnitName(int code) {
    if (code < 0 || code >= static_cast<int>(std::size(kInsUnits))) return {};
    return kInsUnits[code].name;
}

std::optional<int> ReadInsUnits(const DxfSource& source) {
    HDXFREADER r = DxfOpenReader(source.pszFileName, source.pFile, source.pImage, source.cbImage);
    if (!r) return std::nullopt;
    char value[64] = "";
    bool found = false;
    if (DxfNextSection(r) == DXF_SECTION_HEADER)
        found = DxfReadHeaderVariable(r, "$INSUNITS", value, sizeof value) != FALSE;
    DxfCloseReader(r);
    if (!found) return std::nullopt;
    // A group 70 value: an integer, right-aligned in its line by most writers.
    const std::string_view text = Trim(value);
    int code = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), code);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return code;
}

double DxfPixelsPerDrawingUnit(const DxfSource& source, int width, int height) {
    // The same fit as the render: the view is the picture, zoomed to the
    // drawing's extents, and a world unit spans K · zoom pixels.
    CDxfDrawing drawing;
    if (!drawing.Create()) return 0;
    if (!DxfLoadFile(drawing.GetHandle(), source)) return 0;
    DXFBOX extents{};
    if (!DxfGetExtents(drawing.GetHandle(), &extents)) return 0;
    if (!drawing.SetView(0, 0, width, height, kDxfBackground) || !drawing.ZoomExtents()) return 0;
    GlobalLockGuard<DXFDRAWING> d(drawing.GetHandle());
    if (!d) return 0;
    const double pixels = d->dUnit * d->dZoom;
    return std::isfinite(pixels) && pixels > 0 ? pixels : 0;
}

ListUnit UnitOfPointList(const CLoomveilDoc& doc, int width, int height) {
    ListUnit u;
    const std::string ext = doc.m_strFileExt.Utf8();
    const FormatUnit* f = FindFormatUnit(ext);
    if (!f || !f->readable) {
        u.why = "files of type \"" + ext + "\" are not read";
        return u;
    }
    const std::string name(f->name);
    switch (f->basis) {
    case Basis::fixed:
        u.mmPerUnit = f->mmPerUnit;
        return u;
    case Basis::unknown:
        u.why = name + " files do not say what their coordinates measure";
        return u;
    case Basis::preview:
        u.why = "a " + name + " file holds only a picture, no pattern to measure";
        return u;
    case Basis::drawing:
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

std::string FormatPhysicalSize(double widthMm, double heightMm) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.2f x %.2f mm (%.3f x %.3f in)", widthMm, heightMm, widthMm / kMmPerInch,
                  heightMm / kMmPerInch);
    return buf;
}

} // namespace units
