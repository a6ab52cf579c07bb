// Drawing the entities that are lines (dxf_read_lines.cpp): leader lines
// with their arrowheads, MLINE elements, RAY and XLINE across the
// picture, and the frames of IMAGE and WIPEOUT (a WIPEOUT also covering
// what was drawn beneath it with the background).
//
// An arrowhead is the closed filled one: a triangle from the line's first
// point back along its first segment, as long as the arrow size and a
// third of that wide.
#include "dxf/dxf_paint_internal.h"

#include <cmath>
#include <vector>

namespace dxf_paint {

namespace {

void Arrowhead(const Context& ctx, CDC* dc, const DXFCOORD& tip, const DXFCOORD& next, double size,
               const DxfTransform& t) {
    const double dx = next.x - tip.x, dy = next.y - tip.y, len = std::hypot(dx, dy);
    if (!(len > 0) || !(size > 0) || !std::isfinite(size)) return;
    const double ux = dx / len, uy = dy / len, half = size / 6;
    const double bx = tip.x + ux * size, by = tip.y + uy * size;
    DevicePolygon(dc, {ctx.view.Map(tip.x, tip.y, t), ctx.view.Map(bx - uy * half, by + ux * half, t),
                       ctx.view.Map(bx + uy * half, by - ux * half, t)});
}

// The frame of an IMAGE or WIPEOUT in its own units.
std::vector<DxfPlanePoint> Frame(const DXFIMAGE& e) {
    std::vector<DxfPlanePoint> pixels;
    const double w = e.dWidth, h = e.dHeight;
    if (e.nClipping && e.pClip && e.nClip >= 3 && e.nClipType != 1) {
        pixels.assign(e.pClip, e.pClip + e.nClip);
    } else if (e.nClipping && e.pClip && e.nClip >= 2) {
        const DxfPlanePoint a = e.pClip[0], b = e.pClip[1];
        pixels = {{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}};
    } else {
        pixels = {{-0.5, -0.5}, {w - 0.5, -0.5}, {w - 0.5, h - 0.5}, {-0.5, h - 0.5}};
    }
    // Pixel rows count down from the top.
    std::vector<DxfPlanePoint> out;
    for (const DxfPlanePoint& p : pixels) {
        const double u = p.x + 0.5, v = h - p.y - 0.5;
        out.push_back({e.ptInsert.x + e.ptU.x * u + e.ptV.x * v, e.ptInsert.y + e.ptU.y * u + e.ptV.y * v});
    }
    return out;
}

} // namespace

void DrawLeaderShape(Context& ctx, CDC* dc, const DXFLEADER& e, COLORREF colour, const DxfTransform& t) {
    if (!e.pPoints || !e.pRuns) return;
    double arrow = e.dArrowSize;
    if (!(arrow > 0))
        if (const DXFDIMSTYLE* s = DxfDimStyleById(ctx.d, e.dwDimStyle)) arrow = s->dArrowSize;
    CBrush brush(colour);
    CBrush* old = dc->SelectObject(&brush);
    TwoPasses(ctx, dc, false, [&](CDC* target, int) {
        int at = 0;
        for (int i = 0; i < e.nRuns; ++i) {
            const int n = e.pRuns[i].nPoints;
            if (n < 2 || at + n > e.nPoints) break;
            const DXFCOORD* p = e.pPoints + at;
            DevicePen pen(target);
            if (e.nPathType == 1 && n >= 3) {
                // A spline through the points.
                DXFSPLINE s{};
                s.nDegree = 3;
                s.pFitPts = const_cast<DXFCOORD*>(p);
                s.nFitPts = n;
                const std::vector<DxfPlanePoint> curve = DxfEvaluateSpline(&s, 16 * n);
                for (std::size_t k = 0; k < curve.size(); ++k) {
                    const DevPt q = ctx.view.Map(curve[k].x, curve[k].y, t);
                    k == 0 ? pen.MoveTo(q) : pen.LineTo(q);
                }
            } else {
                for (int k = 0; k < n; ++k) {
                    const DevPt q = ctx.view.Map(p[k].x, p[k].y, t);
                    k == 0 ? pen.MoveTo(q) : pen.LineTo(q);
                }
            }
            if (e.pRuns[i].bArrow) Arrowhead(ctx, target, p[0], p[1], arrow, t);
            at += n;
        }
    });
    dc->SelectObject(old);
}

void DrawMLineShape(Context& ctx, CDC* dc, const DXFMLINE& e, const DxfTransform& t) {
    if (!e.pPoints || e.nElements < 1 || e.nVertices < 2) return;
    TwoPasses(ctx, dc, false, [&](CDC* target, int) {
        for (int k = 0; k < e.nElements; ++k) {
            DevicePen pen(target);
            const int n = e.nVertices + ((e.wFlags & 2) ? 1 : 0);
            for (int v = 0; v < n; ++v) {
                const DXFCOORD& p = e.pPoints[(v % e.nVertices) * e.nElements + k];
                const DevPt q = ctx.view.Map(p.x, p.y, t);
                v == 0 ? pen.MoveTo(q) : pen.LineTo(q);
            }
        }
    });
}

void DrawRayShape(Context& ctx, CDC* dc, const DXFRAY& e, bool bothWays, COLORREF colour,
                  const DxfTransform& t) {
    const View& v = ctx.view;
    const DevPt a = v.MapExact(e.ptBase.x, e.ptBase.y, t);
    const DevPt b = v.MapExact(e.ptBase.x + e.ptDirection.x, e.ptBase.y + e.ptDirection.y, t);
    const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (!Finite(a) || !(len > 0) || !std::isfinite(len)) return;
    // Far enough to leave the surroundings of the picture from anywhere
    // near it.
    const double reach = std::fabs(a.x - v.left) + std::fabs(a.y - v.top) + 4 * (v.cullRight - v.cullLeft) +
                         4 * (v.cullBottom - v.cullTop);
    const double k = reach / len;
    const DevPt from = bothWays ? DevPt{a.x - dx * k, a.y - dy * k} : a, to{a.x + dx * k, a.y + dy * k};
    double t0, t1;
    if (!ClipSegment(from.x, from.y, to.x, to.y, v.cullLeft, v.cullTop, v.cullRight, v.cullBottom, t0, t1))
        return;
    const DevPt p{std::trunc(from.x + (to.x - from.x) * t0), std::trunc(from.y + (to.y - from.y) * t0)};
    const DevPt q{std::trunc(from.x + (to.x - from.x) * t1), std::trunc(from.y + (to.y - from.y) * t1)};
    DeviceLine(ctx.d, dc, colour, p, q, nullptr, 1);
    if (ctx.outline) DeviceLine(ctx.d, dc, colour, p, q, ctx.outline, 2);
}

void DrawImageShape(Context& ctx, CDC* dc, const DXFIMAGE& e, bool wipeout, const DxfTransform& t) {
    const std::vector<DxfPlanePoint> frame = Frame(e);
    if (frame.size() < 3) return;
    std::vector<DevPt> device;
    for (const DxfPlanePoint& p : frame) device.push_back(ctx.view.Map(p.x, p.y, t));
    if (wipeout) {
        CBrush mask(ctx.d->crBackground);
        CPen edge(PS_SOLID, 0, ctx.d->crBackground);
        CBrush* oldBrush = dc->SelectObject(&mask);
        CPen* oldPen = dc->SelectObject(&edge);
        DevicePolygon(dc, device);
        dc->SelectObject(oldPen);
        dc->SelectObject(oldBrush);
    }
    TwoPasses(ctx, dc, false, [&](CDC* target, int) {
        DevicePen pen(target);
        pen.MoveTo(device.front());
        for (std::size_t i = 1; i <= device.size(); ++i) pen.LineTo(device[i % device.size()]);
    });
}

void AddLineEntityBounds(const DXFENTITYHEADER& h, const void* data,
                         const std::function<void(double, double)>& add) {
    switch (h.wType) {
    case DXF_LEADER:
    case DXF_MLEADER: {
        const auto& e = *static_cast<const DXFLEADER*>(data);
        for (int i = 0; e.pPoints && i < e.nPoints; ++i) add(e.pPoints[i].x, e.pPoints[i].y);
        break;
    }
    case DXF_MLINE: {
        const auto& e = *static_cast<const DXFMLINE*>(data);
        for (int i = 0; e.pPoints && i < e.nVertices * e.nElements; ++i) add(e.pPoints[i].x, e.pPoints[i].y);
        break;
    }
    case DXF_IMAGE:
    case DXF_WIPEOUT:
        for (const DxfPlanePoint& p : Frame(*static_cast<const DXFIMAGE*>(data))) add(p.x, p.y);
        break;
    default:
        break;
    }
}

} // namespace dxf_paint
