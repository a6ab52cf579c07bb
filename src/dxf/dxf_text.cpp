// Drawing TEXT and MTEXT: the laid-out figures (dxf_text.h) under the block
// transform, as lines in the text's colour. Stroke glyphs are drawn as they
// are; outline glyphs as their contours, so that both reach the outline
// list as stitchable lines.
#include "dxf/dxf_text.h"
#include "dxf/dxf_paint_internal.h"

#include <cfloat>
#include <cmath>

namespace {

using namespace dxf_paint;

// Text taller than this (device pixels) is not drawn: no picture shows it.
constexpr double kMaxTextPixels = 1 << 20;

// Each figure as a break marker and its points, as a path recorded of the
// same lines would give them; figures that reach beyond kFar are left out,
// and so is all of it when the outline would pass its limit.
void AppendOutline(const DxfTextFigures& f, const std::vector<DevPt>& mapped, DXFOUTLINE& outline) {
    if (outline.size() + mapped.size() + f.figures.size() > kMaxOutlinePoints) return;
    std::uint32_t start = 0;
    for (const DxfTextFigures::Figure& fig : f.figures) {
        bool near = true;
        for (std::uint32_t i = start; i < fig.end && near; ++i) near = Near(mapped[i]);
        if (near) {
            outline.AddTail({FLT_MAX, 0.0f});
            outline.AddTail({static_cast<float>(mapped[start].x), static_cast<float>(mapped[start].y)});
            for (std::uint32_t i = start + 1; i < fig.end; ++i)
                if (mapped[i].x != mapped[i - 1].x || mapped[i].y != mapped[i - 1].y)
                    outline.AddTail({static_cast<float>(mapped[i].x), static_cast<float>(mapped[i].y)});
        }
        start = fig.end;
    }
}

COLORREF FigureColour(const DxfTextFigures::Figure& fig, COLORREF entityColour) {
    if (fig.rgb >= 0) return RGB((fig.rgb >> 16) & 0xFF, (fig.rgb >> 8) & 0xFF, fig.rgb & 0xFF);
    if (fig.colour >= 1) return DxfPaletteColour(fig.colour);
    return entityColour;
}

// Outline glyphs are filled, as CAD shows TrueType text: the contours of a
// glyph go into one polygon filled by the winding rule (outer and inner
// contours turn opposite ways), joined start to start by edges that are
// walked back at the end, so that they enclose nothing.
void FillOutlines(CDC* dc, const DxfTextFigures& f, const std::vector<DevPt>& mapped, COLORREF entityColour) {
    CPen none(PS_NULL, 0, 0);
    CPen* oldPen = dc->SelectObject(&none);
    const int oldMode = dc->SetPolyFillMode(WINDING);
    std::vector<DevPt> polygon, starts;
    COLORREF run = entityColour;
    auto flush = [&] {
        if (starts.size() > 1)
            for (auto it = starts.rbegin() + 1; it != starts.rend(); ++it) polygon.push_back(*it);
        if (polygon.size() >= 3) {
            CBrush brush(run);
            CBrush* oldBrush = dc->SelectObject(&brush);
            DevicePolygon(dc, polygon);
            dc->SelectObject(oldBrush);
        }
        polygon.clear();
        starts.clear();
    };
    std::uint32_t start = 0;
    for (const DxfTextFigures::Figure& fig : f.figures) {
        if (fig.outline && fig.end - start >= 3) {
            const COLORREF colour = FigureColour(fig, entityColour);
            if (colour != run || fig.glyphStart) {
                flush();
                run = colour;
            }
            polygon.insert(polygon.end(), mapped.begin() + start, mapped.begin() + fig.end);
            polygon.push_back(mapped[start]);
            starts.push_back(mapped[start]);
        }
        start = fig.end;
    }
    flush();
    dc->SetPolyFillMode(oldMode);
    dc->SelectObject(oldPen);
}

void DrawFigures(const DXFDRAWING& d, CDC* dc, COLORREF entityColour, const DxfTextFigures& f,
                 const Transform& t, DXFOUTLINE* outline) {
    const View v(d);
    // Nothing when the whole text lies off the picture or is too big to be
    // text.
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    std::vector<DevPt> mapped;
    mapped.reserve(f.points.size());
    for (const QPointF& p : f.points) {
        const DevPt q = v.Map(p.x(), p.y(), t);
        mapped.push_back(q);
        minX = std::fmin(minX, q.x);
        maxX = std::fmax(maxX, q.x);
        minY = std::fmin(minY, q.y);
        maxY = std::fmax(maxY, q.y);
    }
    if (!v.Visible(minX, minY, maxX, maxY)) return;
    if (!(maxX - minX <= kMaxTextPixels && maxY - minY <= kMaxTextPixels)) return;

    FillOutlines(dc, f, mapped, entityColour);
    COLORREF current = entityColour;
    CPen pen(PS_SOLID, 0, current);
    CPen* old = dc->SelectObject(&pen);
    std::uint32_t start = 0;
    for (const DxfTextFigures::Figure& fig : f.figures) {
        const COLORREF colour = FigureColour(fig, entityColour);
        if (colour != current) {
            dc->SelectObject(old);
            pen.DeleteObject();
            pen.CreatePen(PS_SOLID, 0, colour);
            dc->SelectObject(&pen);
            current = colour;
        }
        DevicePen line(dc);
        line.MoveTo(mapped[start]);
        for (std::uint32_t i = start + 1; i < fig.end; ++i) line.LineTo(mapped[i]);
        start = fig.end;
    }
    dc->SelectObject(old);
    if (outline) AppendOutline(f, mapped, *outline);
}

} // namespace

void DxfDrawTextEntity(DXFDRAWING* pDrawing, CDC* pDC, const DXFENTITYHEADER& header, const void* pData,
                       const Transform& t, COLORREF colour, DXFOUTLINE* pOutline) {
    if (!pDrawing || !pDC || !pData) return;
    // Text less than a pixel high is not drawn: it would be a smudge, and
    // no stitches.
    const View v(*pDrawing);
    const double scale = t.MaxScale() * v.Scale();
    if (!(DxfTextHeight(pDrawing, header.wType, pData) * scale >= 1.0)) return;
    DxfTextFigures f;
    const bool any =
        header.wType == DXF_TEXT    ? DxfLayoutText(pDrawing, *static_cast<const DXFTEXT*>(pData), f)
        : header.wType == DXF_MTEXT ? DxfLayoutMText(pDrawing, *static_cast<const DXFMTEXT*>(pData), f)
                                    : false;
    if (any) DrawFigures(*pDrawing, pDC, colour, f, t, pOutline);
}
