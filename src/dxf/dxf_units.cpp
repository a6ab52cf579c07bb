#include "dxf/dxf_units.h"

#include "dxf/cdxf_drawing.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace units {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

} // namespace

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

} // namespace units
