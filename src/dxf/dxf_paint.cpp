// Entity drawing: colours and pens, the two passes, and every entity type
// but TEXT and HATCH (dxf_text.cpp, dxf_hatch.cpp).
//
// Colour numbers: 1..255 index the palette below; 256 (by layer) and 0 (by
// block) take the colour of the entity's layer when it has one; a layer
// with a negative colour is off, and its entities are not drawn. White is
// drawn black, as the picture's background is light grey. Entities draw in
// their colour with a one-pixel pen; a LINE, CIRCLE or ELLIPSE whose own
// line type has a pattern is drawn dashed (line types are not taken from
// the layer).
//
// The block transform applies to every entity, including the insertion
// points of nested blocks; curves that it rotates or mirrors, and
// ellipses that are tilted or partial, are drawn as polylines through
// their mapped points.
#include "dxf/dxf_paint_internal.h"
#include "dxf/dxf_text.h"
#include "model/limits.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace dxf_paint;

constexpr COLORREF Hex(std::uint32_t rrggbb) {
    return RGB(static_cast<int>(rrggbb >> 16), static_cast<int>((rrggbb >> 8) & 0xFF), static_cast<int>(rrggbb & 0xFF));
}

// Colour number → colour; entries 0, 7 and 255 are white.
constexpr COLORREF kPalette[256] = {
    Hex(0xFFFFFF), Hex(0xFF0000), Hex(0xFFFF00), Hex(0x00FF00), Hex(0x00FFFF), Hex(0x0000FF), Hex(0xFF00FF), Hex(0xFFFFFF),
    Hex(0x808080), Hex(0xC0C0C0), Hex(0xFF0000), Hex(0xFF7F7F), Hex(0xCC0000), Hex(0xCC6666), Hex(0x990000), Hex(0x994C4C),
    Hex(0x7F0000), Hex(0x7F3F3F), Hex(0x4C0000), Hex(0x4C2626), Hex(0xFF3F00), Hex(0xFF9F7F), Hex(0xCC3300), Hex(0xCC7F66),
    Hex(0x992600), Hex(0x995F4C), Hex(0x7F1F00), Hex(0x7F4F3F), Hex(0x4C1300), Hex(0x4C2F26), Hex(0xFF7F00), Hex(0xFFBF7F),
    Hex(0xCC6600), Hex(0xCC9966), Hex(0x994C00), Hex(0x99724C), Hex(0x7F3F00), Hex(0x7F5F3F), Hex(0x4C2600), Hex(0x4C3926),
    Hex(0xFFBF00), Hex(0xFFDF7F), Hex(0xCC9900), Hex(0xCCB266), Hex(0x997200), Hex(0x99854C), Hex(0x7F5F00), Hex(0x7F6F3F),
    Hex(0x4C3900), Hex(0x4C4226), Hex(0xFFFF00), Hex(0xFFFF7F), Hex(0xCCCC00), Hex(0xCCCC66), Hex(0x999900), Hex(0x99994C),
    Hex(0x7F7F00), Hex(0x7F7F3F), Hex(0x4C4C00), Hex(0x4C4C26), Hex(0xBFFF00), Hex(0xDFFF7F), Hex(0x99CC00), Hex(0xB2CC66),
    Hex(0x729900), Hex(0x85994C), Hex(0x5F7F00), Hex(0x6F7F3F), Hex(0x394C00), Hex(0x424C26), Hex(0x7FFF00), Hex(0xBFFF7F),
    Hex(0x66CC00), Hex(0x99CC66), Hex(0x4C9900), Hex(0x72994C), Hex(0x3F7F00), Hex(0x5F7F3F), Hex(0x264C00), Hex(0x394C26),
    Hex(0x3FFF00), Hex(0x9FFF7F), Hex(0x33CC00), Hex(0x7FCC66), Hex(0x269900), Hex(0x5F994C), Hex(0x1F7F00), Hex(0x4F7F3F),
    Hex(0x134C00), Hex(0x2F4C26), Hex(0x00FF00), Hex(0x7FFF7F), Hex(0x00CC00), Hex(0x66CC66), Hex(0x009900), Hex(0x4C994C),
    Hex(0x007F00), Hex(0x3F7F3F), Hex(0x004C00), Hex(0x264C26), Hex(0x00FF3F), Hex(0x7FFF81), Hex(0x00CC33), Hex(0x66CC7F),
    Hex(0x009926), Hex(0x4C995F), Hex(0x007F1F), Hex(0x3F7F4F), Hex(0x004C13), Hex(0x264C2F), Hex(0x00FF7F), Hex(0x7FFFBF),
    Hex(0x00CC66), Hex(0x66CC99), Hex(0x00994C), Hex(0x4C9972), Hex(0x007F3F), Hex(0x3F7F5F), Hex(0x004C26), Hex(0x264C39),
    Hex(0x00FFBF), Hex(0x7FFFDF), Hex(0x00CC99), Hex(0x66CCB2), Hex(0x009972), Hex(0x4C9985), Hex(0x007F5F), Hex(0x3F7F6F),
    Hex(0x004C39), Hex(0x264C42), Hex(0x00FFFF), Hex(0x7FFFFF), Hex(0x00CCCC), Hex(0x66CCCC), Hex(0x009999), Hex(0x4C9999),
    Hex(0x007F7F), Hex(0x3F7F7F), Hex(0x004C4C), Hex(0x264C4C), Hex(0x00BFFF), Hex(0x7FDFFF), Hex(0x0099CC), Hex(0x66B2CC),
    Hex(0x007299), Hex(0x4C8599), Hex(0x005F7F), Hex(0x3F6F7F), Hex(0x00394C), Hex(0x26424C), Hex(0x007FFF), Hex(0x7FBFFF),
    Hex(0x0066CC), Hex(0x6699CC), Hex(0x004C99), Hex(0x4C7299), Hex(0x003F7F), Hex(0x3F5F7F), Hex(0x00264C), Hex(0x26394C),
    Hex(0x003FFF), Hex(0x7F9FFF), Hex(0x0033CC), Hex(0x667FCC), Hex(0x002699), Hex(0x4C5F99), Hex(0x001F7F), Hex(0x3F4F7F),
    Hex(0x00134C), Hex(0x262F4C), Hex(0x0000FF), Hex(0x7F7FFF), Hex(0x0000CC), Hex(0x6666CC), Hex(0x000099), Hex(0x4C4C99),
    Hex(0x00007F), Hex(0x3F3F7F), Hex(0x00004C), Hex(0x26264C), Hex(0x3F00FF), Hex(0x9F7FFF), Hex(0x3300CC), Hex(0x7F66CC),
    Hex(0x260099), Hex(0x5F4C99), Hex(0x1F007F), Hex(0x4F3F7F), Hex(0x13004C), Hex(0x2F264C), Hex(0x7F00FF), Hex(0xBF7FFF),
    Hex(0x6600CC), Hex(0x9966CC), Hex(0x4C0099), Hex(0x724C99), Hex(0x3F007F), Hex(0x5F3F7F), Hex(0x26004C), Hex(0x39264C),
    Hex(0xBF00FF), Hex(0xDF7FFF), Hex(0x9900CC), Hex(0xB266CC), Hex(0x720099), Hex(0x854C99), Hex(0x5F007F), Hex(0x6F3F7F),
    Hex(0x39004C), Hex(0x42264C), Hex(0xFF00FF), Hex(0xFF7FFF), Hex(0xCC00CC), Hex(0xCC66CC), Hex(0x990099), Hex(0x994C99),
    Hex(0x7F007F), Hex(0x7F3F7F), Hex(0x4C004C), Hex(0x4C264C), Hex(0xFF00BF), Hex(0xFF7FDF), Hex(0xCC0099), Hex(0xCC66B2),
    Hex(0x990072), Hex(0x994C85), Hex(0x7F005F), Hex(0x7F3F6F), Hex(0x4C0039), Hex(0x4C2642), Hex(0xFF007F), Hex(0xFF7FBF),
    Hex(0xCC0066), Hex(0xCC6699), Hex(0x99004C), Hex(0x994C72), Hex(0x7F003F), Hex(0x7F3F5F), Hex(0x4C0026), Hex(0x4C2639),
    Hex(0xFF003F), Hex(0xFF7F9F), Hex(0xCC0033), Hex(0xCC667F), Hex(0x990026), Hex(0x994C5F), Hex(0x7F001F), Hex(0x7F3F4F),
    Hex(0x4C0013), Hex(0x4C262F), Hex(0x333333), Hex(0x5B5B5B), Hex(0x848484), Hex(0xADADAD), Hex(0xD6D6D6), Hex(0xFFFFFF),
};

// Chords for a sweep (radians) of a curve whose device radius is r: within
// a third of a pixel of the curve, at least 4 and at most 16384.
int ArcSegments(double r, double sweep) {
    constexpr double kFlatness = 1.0 / 3.0;
    if (!(r > kFlatness) || !std::isfinite(r) || !std::isfinite(sweep)) return 4;
    const double n = std::ceil(std::fabs(sweep) / (2.0 * std::acos(1.0 - kFlatness / r)));
    return static_cast<int>(std::clamp(n, 4.0, 16384.0));
}

// A box in world units that may grow without bound.
struct Box {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool any = false;
    bool unbounded = false;

    void Add(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            unbounded = true;
            return;
        }
        if (!any) {
            minX = maxX = x;
            minY = maxY = y;
            any = true;
            return;
        }
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    void AddAround(double x, double y, double r) {
        Add(x - r, y - r);
        Add(x + r, y + r);
    }
};

struct Context {
    DXFDRAWING* d;
    View view;
    DXFOUTLINE* outline;
    int depth = 0;
    // Entities drawn from inside blocks, against kMaxBlockEntityDraws.
    long long blockDraws = 0;
    // Conservative boxes of the blocks' contents, by block slot, made when
    // first needed: an insert whose box falls outside the picture is
    // passed over whole.
    enum class State : unsigned char { Unknown, Busy, Done };
    std::vector<State> state;
    std::vector<Box> bound;

    Context(DXFDRAWING* drawing, DXFOUTLINE* out)
        : d(drawing), view(*drawing), outline(out), state(drawing->nBlocks, State::Unknown), bound(drawing->nBlocks) {}
};

const DXFLAYER* FindLayer(const DXFDRAWING* d, DWORD id) {
    if (id == 0) return nullptr;
    for (DWORD i = 0; i < d->nLayers; ++i)
        if (d->layers[i].dwId == id) return &d->layers[i];
    return nullptr;
}

const DXFLTYPE* FindLineType(const DXFDRAWING* d, DWORD id) {
    if (id == 0) return nullptr;
    for (DWORD i = 0; i < d->nLTypes; ++i)
        if (d->ltypes[i].dwId == id) return &d->ltypes[i];
    return nullptr;
}

// --- conservative content boxes -------------------------------------------

const Box& BlockBound(Context& ctx, const DXFBLOCK& block);

// The box of a block's contents placed by an insert's own transform.
void AddPlacedBlock(Context& ctx, Box& box, const DXFBLOCK& block, const Transform& t) {
    const Box& inner = BlockBound(ctx, block);
    if (inner.unbounded) {
        box.unbounded = true;
        return;
    }
    if (!inner.any) return;
    for (const auto& [x, y] : {std::pair{inner.minX, inner.minY}, std::pair{inner.maxX, inner.minY},
                               std::pair{inner.minX, inner.maxY}, std::pair{inner.maxX, inner.maxY}}) {
        double xr, yr;
        t.Apply(x, y, xr, yr);
        box.Add(xr + t.ox, yr + t.oy);
    }
}

void AddEntityBound(Context& ctx, Box& box, const DXFENTITYHEADER& h, const void* data) {
    switch (h.wType) {
    case DXF_LINE: {
        const auto& e = *static_cast<const DXFLINE*>(data);
        box.Add(e.ptStart.x, e.ptStart.y);
        box.Add(e.ptEnd.x, e.ptEnd.y);
        break;
    }
    case DXF_POINT: {
        const auto& e = *static_cast<const DXFPOINT*>(data);
        box.Add(e.pt.x, e.pt.y);
        break;
    }
    case DXF_CIRCLE: {
        const auto& e = *static_cast<const DXFCIRCLE*>(data);
        box.AddAround(e.ptCenter.x, e.ptCenter.y, std::fabs(e.dRadius));
        break;
    }
    case DXF_ELLIPSE: {
        const auto& e = *static_cast<const DXFELLIPSE*>(data);
        const double r = DxfEllipseMajorRadius(e);
        box.AddAround(e.ptCenter.x, e.ptCenter.y, r * std::fmax(1.0, std::fabs(e.dRatio)));
        break;
    }
    case DXF_ARC: {
        const auto& e = *static_cast<const DXFARC*>(data);
        box.AddAround(e.ptCenter.x, e.ptCenter.y, std::fabs(e.dRadius));
        break;
    }
    case DXF_SOLID:
    case DXF_3DFACE:
        for (const DXFCOORD& p : static_cast<const DXFSOLID*>(data)->pt) box.Add(p.x, p.y);
        break;
    case DXF_SPLINE: {
        // A B-spline stays within the hull of its control points.
        const auto& e = *static_cast<const DXFSPLINE*>(data);
        if (e.pControlPts)
            for (int i = 0; i < e.nControlPts; ++i) box.Add(e.pControlPts[i].x, e.pControlPts[i].y);
        if (e.pFitPts)
            for (int i = 0; i < e.nFitPts; ++i) box.Add(e.pFitPts[i].x, e.pFitPts[i].y);
        break;
    }
    case DXF_POLYLINE: {
        const auto& e = *static_cast<const DXFPOLYLINE*>(data);
        if (!e.pVertices) break;
        for (int i = 0; i < e.nVertices; ++i) {
            const DXFVERTEX& v = e.pVertices[i];
            box.Add(v.x, v.y);
            const DXFVERTEX& w = e.pVertices[(i + 1) % e.nVertices];
            const double b = std::fabs(v.dBulge);
            if (b == 0) continue;
            // An arc of at most half a circle bows out by its sagitta; a
            // larger one stays within its circle.
            const double chord = std::hypot(w.x - v.x, w.y - v.y);
            const double reach = b <= 1 ? b * chord / 2 : chord * (1 + b * b) / (4 * b) * 2;
            box.AddAround(v.x, v.y, reach);
            box.AddAround(w.x, w.y, reach);
        }
        break;
    }
    case DXF_TEXT:
    case DXF_MTEXT: {
        DXFBOX b;
        if (DxfTextBox(ctx.d, h.wType, data, b)) {
            box.Add(b.minX, b.minY);
            box.Add(b.maxX, b.maxY);
        }
        break;
    }
    case DXF_HATCH: {
        const auto& e = *static_cast<const DXFHATCH*>(data);
        if (e.pBoundary && e.pBoundary->pVertices)
            for (int i = 0; i < e.pBoundary->nVertices; ++i)
                box.Add(e.pBoundary->pVertices[i].x, e.pBoundary->pVertices[i].y);
        else if (e.pSplineEdge && e.pSplineEdge->pControlPts)
            for (int i = 0; i < e.pSplineEdge->nControlPts; ++i)
                box.Add(e.pSplineEdge->pControlPts[i].x, e.pSplineEdge->pControlPts[i].y);
        break;
    }
    case DXF_INSERT: {
        const auto& e = *static_cast<const DXFINSERT*>(data);
        if (const DXFBLOCK* b = DxfBlockById(ctx.d, e.dwBlock)) {
            Transform t = Transform::Make(e.ptInsert.x, e.ptInsert.y, e.dScaleX, e.dScaleY, e.dRotation);
            AddPlacedBlock(ctx, box, *b, t);
        }
        break;
    }
    case DXF_DIMENSION: {
        const auto& e = *static_cast<const DXFDIMENSION*>(data);
        box.Add(e.ptExt1.x, e.ptExt1.y);
        box.Add(e.ptExt2.x, e.ptExt2.y);
        box.Add(e.ptDef.x, e.ptDef.y);
        if (const DXFBLOCK* b = DxfBlockById(ctx.d, e.dwBlock)) AddPlacedBlock(ctx, box, *b, Transform{});
        break;
    }
    default:
        break;
    }
}

const Box& BlockBound(Context& ctx, const DXFBLOCK& block) {
    static const Box kUnbounded{0, 0, 0, 0, false, true};
    const std::size_t slot = static_cast<std::size_t>(&block - ctx.d->blocks);
    if (slot >= ctx.state.size()) return kUnbounded;
    switch (ctx.state[slot]) {
    case Context::State::Done:
        return ctx.bound[slot];
    case Context::State::Busy: // the block holds itself: no bound
        return kUnbounded;
    case Context::State::Unknown:
        break;
    }
    ctx.state[slot] = Context::State::Busy;
    Box box;
    DxfForEachEntity(block.list, [&](const DXFENTITYHEADER& h, const void* data, DWORD) {
        AddEntityBound(ctx, box, h, data);
        return !box.unbounded;
    });
    ctx.bound[slot] = box;
    ctx.state[slot] = Context::State::Done;
    return ctx.bound[slot];
}

// --- drawing --------------------------------------------------------------

// Runs draw(dc, pass) for pass 1 into the DC and, with an outline, for pass
// 2 into a path whose points go to the outline.
template <class Draw> void TwoPasses(Context& ctx, CDC* dc, bool flatten, Draw&& draw) {
    draw(dc, 1);
    CDC pathDc;
    if (!DxfBeginOutline(pathDc, dc, ctx.outline)) return;
    draw(&pathDc, 2);
    DxfEndOutline(pathDc, ctx.outline, flatten);
}

void DrawLineEntity(Context& ctx, CDC* dc, const DXFENTITYHEADER& h, const DXFLINE& e, const DXFLTYPE* lt,
                    COLORREF colour, const Transform& t, int pass) {
    const View& v = ctx.view;
    double x1 = e.ptStart.x, y1 = e.ptStart.y, x2 = e.ptEnd.x, y2 = e.ptEnd.y;
    const double length = std::hypot(x2 - x1, y2 - y1);
    const double P = lt ? h.dLineTypeScale * lt->dPatternLength : 0.0;
    // Solid without a pattern, with a pattern longer than the line, or one
    // shorter than 5 pixels (written so that NaN also draws solid).
    if (!lt || lt->dPatternLength == 0 || !(P <= length) || !(P * v.unit * v.zoom >= 5.0)) {
        DeviceLine(ctx.d, dc, colour, v.Map(x1, y1, t), v.Map(x2, y2, t), ctx.outline, pass);
        return;
    }
    // Centred on its pattern: both ends move inward by half of what is left
    // over after the whole patterns, and those end pieces are solid.
    const bool alongX = std::fabs(x2 - x1) > std::fabs(y2 - y1);
    if ((alongX ? x2 - x1 : y2 - y1) < 0) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const double rem = std::fmod(length, P);
    const double dDom = alongX ? x2 - x1 : y2 - y1, dOther = alongX ? y2 - y1 : x2 - x1;
    const double m = dOther / dDom;
    const double step = rem / 2 / std::sqrt(1 + m * m);
    const double ax = x1 + (alongX ? step : m * step), ay = y1 + (alongX ? m * step : step);
    const double bx = x2 - (alongX ? step : m * step), by = y2 - (alongX ? m * step : step);
    if (rem > 0) {
        DeviceLine(ctx.d, dc, colour, v.Map(x1, y1, t), v.Map(ax, ay, t), ctx.outline, pass);
        DeviceLine(ctx.d, dc, colour, v.Map(bx, by, t), v.Map(x2, y2, t), ctx.outline, pass);
    }
    DxfDrawDashedLine(ctx.d, dc, lt, ax, ay, bx, by, colour, h.dLineTypeScale,
                      std::fabs(lt->dDashes[0] * h.dLineTypeScale) / 2, t.ox, t.oy, t.sx, t.sy, t.rot, ctx.outline,
                      pass);
}

// A polyline through world points under the transform.
template <class PointAt> void WorldPolyline(const Context& ctx, CDC* dc, int n, const Transform& t, PointAt&& at) {
    DevicePen pen(dc);
    for (int i = 0; i < n; ++i) {
        const auto [x, y] = at(i);
        const DevPt p = ctx.view.Map(x, y, t);
        if (i == 0)
            pen.MoveTo(p);
        else
            pen.LineTo(p);
    }
}

// CIRCLE and ELLIPSE: an ellipse round (cx, cy) with the major axis
// (mx, my), the minor one ratio times its length at right angles, from
// parameter a0 to a1 (radians; full when full is set).
struct EllipseShape {
    double cx, cy, mx, my, ratio, a0, a1;
    bool full;
    double rx; // the major radius as the box uses it
};

void DrawEllipseShape(Context& ctx, CDC* dc, const DXFENTITYHEADER& h, const EllipseShape& e, const DXFLTYPE* lt,
                      COLORREF colour, const Transform& t, int pass) {
    const View& v = ctx.view;
    const double kz = v.unit * v.zoom;
    const double ry = e.ratio * e.rx;
    // Cull by the device circle that holds the figure.
    const DevPt c = v.MapExact(e.cx, e.cy, t);
    const double reach = std::fmax(std::fabs(e.rx), std::fabs(ry)) * std::fmax(std::fabs(t.sx), std::fabs(t.sy)) * kz + 2;
    if (!v.Visible(c.x - reach, c.y - reach, c.x + reach, c.y + reach)) return;

    // The axis-parallel full figure without rotation is drawn as GDI's
    // ellipse; the others through their points.
    const bool plain = e.full && e.my == 0 && !t.rotated;
    double sweep = kTwoPi;
    if (!e.full) {
        sweep = std::fmod(e.a1 - e.a0, 2 * M_PI);
        if (!(sweep > 0)) sweep += 2 * M_PI;
    }
    const double nx = -e.ratio * e.my, ny = e.ratio * e.mx; // the minor axis
    auto pointOf = [&](double ca, double sa) {
        if (plain) return std::pair{e.cx + e.rx * ca, e.cy + ry * sa};
        return std::pair{e.cx + e.mx * ca + nx * sa, e.cy + e.my * ca + ny * sa};
    };
    auto pointAt = [&](double a) { return pointOf(std::cos(a), std::sin(a)); };
    const double a0 = plain ? 0.0 : (e.full ? 0.0 : e.a0);

    // The length of the figure in world units (scaled by sx, as the
    // pattern test measures it) and the dash test.
    const double P = lt ? h.dLineTypeScale * lt->dPatternLength : 0.0;
    double U = kTwoPi * e.rx * t.sx;
    if (!plain && lt) {
        U = 0;
        auto [px, py] = pointAt(a0);
        for (int i = 1; i <= 100; ++i) {
            const auto [qx, qy] = pointAt(a0 + sweep * i / 100);
            U += std::hypot(qx - px, qy - py);
            px = qx;
            py = qy;
        }
        U *= t.sx;
    }
    const bool dashed = lt && lt->dPatternLength != 0 && P <= U && P * v.unit * v.zoom >= 5.0;
    if (!dashed) {
        if (plain) {
            const DevPt p = v.Map(e.cx - e.rx, e.cy - ry, t), q = v.Map(e.cx + e.rx, e.cy + ry, t);
            if (Near(p) && Near(q)) {
                dc->Ellipse(I(p.x), I(p.y), I(q.x), I(q.y));
                return;
            }
        }
        DevicePen pen(dc);
        SweepAngles(a0, sweep, ArcSegments(reach, sweep), [&](int i, double ca, double sa) {
            const auto [x, y] = pointOf(ca, sa);
            const DevPt p = v.Map(x, y, t);
            if (i == 0)
                pen.MoveTo(p);
            else
                pen.LineTo(p);
        });
        return;
    }
    // A whole number of patterns round the figure, on chords of at least
    // five pixels (between 8 and 100 of them).
    const double reps = std::ceil(U / P);
    const double ltScale = U / reps / lt->dPatternLength;
    const double chords = std::ceil(U * v.unit * v.zoom / 5.0);
    const int n = std::isfinite(chords) ? static_cast<int>(std::clamp(chords, 8.0, 100.0)) : 8;
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double s0 = plain ? i * kTwoPi / n : a0 + sweep * i / n;
        const double s1 = plain ? (i + 1) * kTwoPi / n : a0 + sweep * (i + 1) / n;
        const auto [px, py] = pointAt(s0);
        const auto [qx, qy] = pointAt(s1);
        DxfDrawDashedLine(ctx.d, dc, lt, px, py, qx, qy, colour, ltScale, phase, t.ox, t.oy, t.sx, t.sy, t.rot,
                          ctx.outline, pass);
        phase = std::fmod(phase + std::hypot(qx - px, qy - py), ltScale * lt->dPatternLength);
    }
}

// An arc round (cx, cy) of radius r, counter-clockwise in world units from
// angle a0 through sweep (radians), through its mapped points.
void WorldArc(const Context& ctx, CDC* dc, double cx, double cy, double r, double a0, double sweep,
              const Transform& t) {
    const double reach = std::fabs(r) * std::fmax(std::fabs(t.sx), std::fabs(t.sy)) * ctx.view.unit * ctx.view.zoom;
    DevicePen pen(dc);
    SweepAngles(a0, sweep, ArcSegments(reach, sweep), [&](int i, double ca, double sa) {
        const DevPt p = ctx.view.Map(cx + r * ca, cy + r * sa, t);
        if (i == 0)
            pen.MoveTo(p);
        else
            pen.LineTo(p);
    });
}

void DrawArcEntity(Context& ctx, CDC* dc, const DXFARC& e, const Transform& t) {
    const View& v = ctx.view;
    const DevPt c = v.MapExact(e.ptCenter.x, e.ptCenter.y, t);
    const double reach =
        std::fabs(e.dRadius) * std::fmax(std::fabs(t.sx), std::fabs(t.sy)) * v.unit * v.zoom + 2;
    if (!v.Visible(c.x - reach, c.y - reach, c.x + reach, c.y + reach)) return;
    const double cx = e.ptCenter.x, cy = e.ptCenter.y, r = e.dRadius;
    const double a0 = e.dStartAngle * kDegToRad, a1 = e.dEndAngle * kDegToRad;
    if (!t.rotated && !t.Mirrors()) {
        const DevPt lt = v.Map(cx - r, cy + r, t), rb = v.Map(cx + r, cy - r, t);
        const DevPt s = v.Map(cx + r * std::cos(a0), cy + r * std::sin(a0), t);
        const DevPt f = v.Map(cx + r * std::cos(a1), cy + r * std::sin(a1), t);
        if (Near(lt) && Near(rb) && Near(s) && Near(f)) {
            dc->Arc(I(lt.x), I(lt.y), I(rb.x), I(rb.y), I(s.x), I(s.y), I(f.x), I(f.y));
            return;
        }
    }
    // GDI runs from the start ray to the end ray, all round when they meet.
    double sweep = std::fmod(a1 - a0, 2 * M_PI);
    if (!(sweep > 0)) sweep += 2 * M_PI;
    if (std::isfinite(sweep)) WorldArc(ctx, dc, cx, cy, r, a0, sweep, t);
}

void DrawPolylineEntity(Context& ctx, CDC* dc, const DXFPOLYLINE& e, COLORREF colour, const Transform& t) {
    const View& v = ctx.view;
    const int n = e.nVertices;
    DevicePen pen(dc);
    bool straight = false;
    auto segment = [&](const DXFVERTEX& from, const DXFVERTEX& to, double b) {
        if (b == 0 || !std::isfinite(b)) {
            if (!straight) pen.MoveTo(v.Map(from.x, from.y, t));
            pen.LineTo(v.Map(to.x, to.y, t));
            straight = true;
            return;
        }
        straight = false;
        // Counter-clockwise from A to B: from the start for a positive
        // bulge, from the end for a negative one.
        const DXFVERTEX& A = b > 0 ? from : to;
        const DXFVERTEX& B = b > 0 ? to : from;
        const DevPt a = v.Map(A.x, A.y, t), bb = v.Map(B.x, B.y, t);
        if (a.x == bb.x && a.y == bb.y) {
            if (Near(a)) dc->SetPixel(I(a.x), I(a.y), colour);
            return;
        }
        const double dx = B.x - A.x, dy = B.y - A.y;
        const double chord = std::hypot(dx, dy);
        const double k = (1 - b * b) / (4 * std::fabs(b));
        const double r = chord * (1 + b * b) / (4 * std::fabs(b));
        const double cx = (A.x + B.x) / 2 + k * -dy, cy = (A.y + B.y) / 2 + k * dx;
        if (!t.rotated && !t.Mirrors()) {
            const DevPt lt = v.Map(cx - r, cy + r, t), rb = v.Map(cx + r, cy - r, t);
            if (Near(lt) && Near(rb) && Near(a) && Near(bb)) {
                dc->Arc(I(lt.x), I(lt.y), I(rb.x), I(rb.y), I(a.x), I(a.y), I(bb.x), I(bb.y));
                return;
            }
        }
        const double a0 = std::atan2(A.y - cy, A.x - cx);
        double sweep = std::atan2(B.y - cy, B.x - cx) - a0;
        if (!(sweep > 0)) sweep += 2 * M_PI;
        if (std::isfinite(sweep)) WorldArc(ctx, dc, cx, cy, r, a0, sweep, t);
    };
    for (int i = 1; i < n; ++i) segment(e.pVertices[i - 1], e.pVertices[i], e.pVertices[i - 1].dBulge);
    if (e.wFlags & 1) segment(e.pVertices[n - 1], e.pVertices[0], 0.0);
}

void DrawSplineEntity(Context& ctx, CDC* dc, const DXFSPLINE& e, const std::vector<_tagREALPT2>& samples,
                      const Transform& t) {
    if (!samples.empty()) {
        WorldPolyline(ctx, dc, static_cast<int>(samples.size()), t, [&](int i) {
            return std::pair{static_cast<double>(samples[static_cast<std::size_t>(i)].x),
                             static_cast<double>(samples[static_cast<std::size_t>(i)].y)};
        });
        return;
    }
    const DXFCOORD* pts = nullptr;
    int n = 0;
    if (e.nControlPts > 0 && e.pControlPts) {
        pts = e.pControlPts;
        n = e.nControlPts;
    } else if (e.nFitPts > 0 && e.pFitPts) {
        pts = e.pFitPts;
        n = e.nFitPts;
    }
    WorldPolyline(ctx, dc, n, t, [&](int i) { return std::pair{pts[i].x, pts[i].y}; });
}

void DrawEntity(Context& ctx, CDC* dc, const DXFENTITYHEADER& h, const void* data, const Transform& t);

void DrawBlock(Context& ctx, CDC* dc, DWORD blockId, const Transform& t) {
    const DXFBLOCK* block = DxfBlockById(ctx.d, blockId);
    if (!block || ctx.depth >= limits::kMaxBlockDepth) return;
    const Box& box = BlockBound(ctx, *block);
    if (!box.unbounded) {
        if (!box.any) return;
        Box device;
        for (const auto& [x, y] : {std::pair{box.minX, box.minY}, std::pair{box.maxX, box.minY},
                                   std::pair{box.minX, box.maxY}, std::pair{box.maxX, box.maxY}}) {
            const DevPt p = ctx.view.MapExact(x, y, t);
            device.Add(p.x, p.y);
        }
        if (!device.unbounded && !ctx.view.Visible(device.minX - 2, device.minY - 2, device.maxX + 2, device.maxY + 2))
            return;
    }
    ++ctx.depth;
    DxfForEachEntity(block->list, [&](const DXFENTITYHEADER& eh, const void* edata, DWORD) {
        if (ctx.blockDraws >= kMaxBlockEntityDraws) return false;
        ++ctx.blockDraws;
        DrawEntity(ctx, dc, eh, edata, t);
        return true;
    });
    --ctx.depth;
}

void DrawEntity(Context& ctx, CDC* dc, const DXFENTITYHEADER& h, const void* data, const Transform& t) {
    if (h.dwFlags != 0) return;
    switch (h.wType) {
    case DXF_TEXT:
    case DXF_MTEXT:
        TwoPasses(ctx, dc, false, [&](CDC* target, int) { DxfDrawTextEntity(ctx.d, target, h, data, t); });
        return;
    case DXF_INSERT: {
        const auto& e = *static_cast<const DXFINSERT*>(data);
        double xr, yr;
        t.Apply(e.ptInsert.x, e.ptInsert.y, xr, yr);
        DrawBlock(ctx, dc, e.dwBlock,
                  Transform::Make(xr + t.ox, yr + t.oy, e.dScaleX * t.sx, e.dScaleY * t.sy, t.rot + e.dRotation));
        return;
    }
    case DXF_DIMENSION:
        DrawBlock(ctx, dc, static_cast<const DXFDIMENSION*>(data)->dwBlock, t);
        return;
    default:
        break;
    }

    const DXFLAYER* layer = FindLayer(ctx.d, h.dwLayer);
    if (layer && layer->nColor < 0) return;
    int number = h.nColor;
    if (layer && (number == 0 || number == 256)) number = layer->nColor;
    const COLORREF colour = DxfPaletteColour(number >= 256 ? 0 : number);
    CPen pen(PS_SOLID, 0, colour);
    CPen* oldPen = dc->SelectObject(&pen);
    const DXFLTYPE* lt = FindLineType(ctx.d, h.dwLineType);
    const View& v = ctx.view;

    switch (h.wType) {
    case DXF_LINE: {
        const auto& e = *static_cast<const DXFLINE*>(data);
        DrawLineEntity(ctx, dc, h, e, lt, colour, t, 1);
        if (ctx.outline) DrawLineEntity(ctx, dc, h, e, lt, colour, t, 2);
        break;
    }
    case DXF_POINT: {
        const auto& e = *static_cast<const DXFPOINT*>(data);
        const DevPt p = v.Map(e.pt.x, e.pt.y, t);
        if (Near(p)) dc->SetPixel(I(p.x), I(p.y), colour);
        break;
    }
    case DXF_CIRCLE: {
        const auto& e = *static_cast<const DXFCIRCLE*>(data);
        const EllipseShape s{e.ptCenter.x, e.ptCenter.y, e.dRadius, 0, 1, 0, 0, true, e.dRadius};
        TwoPasses(ctx, dc, true, [&](CDC* target, int pass) { DrawEllipseShape(ctx, target, h, s, lt, colour, t, pass); });
        break;
    }
    case DXF_ELLIPSE: {
        const auto& e = *static_cast<const DXFELLIPSE*>(data);
        const bool full = e.dStartParam == e.dEndParam || !(std::fabs(e.dEndParam - e.dStartParam) < 2 * M_PI - 1e-9);
        const EllipseShape s{e.ptCenter.x, e.ptCenter.y, e.ptMajor.x, e.ptMajor.y, e.dRatio,
                             e.dStartParam, e.dEndParam, full, DxfEllipseMajorRadius(e)};
        TwoPasses(ctx, dc, true, [&](CDC* target, int pass) { DrawEllipseShape(ctx, target, h, s, lt, colour, t, pass); });
        break;
    }
    case DXF_ARC: {
        const auto& e = *static_cast<const DXFARC*>(data);
        TwoPasses(ctx, dc, true, [&](CDC* target, int) { DrawArcEntity(ctx, target, e, t); });
        break;
    }
    case DXF_SOLID: {
        const auto& e = *static_cast<const DXFSOLID*>(data);
        std::vector<QPointF> corners;
        for (const DXFCOORD& p : e.pt) {
            const DevPt d = v.Map(p.x, p.y, t);
            corners.emplace_back(d.x, d.y);
            if (!Finite(d)) corners.clear();
            if (corners.empty()) break;
        }
        if (!std::all_of(corners.begin(), corners.end(), [](const QPointF& p) { return Near({p.x(), p.y()}); }))
            corners = ClipPolygon(corners, QRectF(QPointF(-kFar, -kFar), QPointF(kFar, kFar)));
        std::vector<POINT> pts;
        for (const QPointF& p : corners) pts.push_back({I(p.x()), I(p.y())});
        CBrush brush(colour);
        CBrush* oldBrush = dc->SelectObject(&brush);
        if (pts.size() >= 2) dc->Polygon(pts.data(), static_cast<int>(pts.size()));
        dc->SelectObject(oldBrush);
        break;
    }
    case DXF_3DFACE: {
        const auto& e = *static_cast<const DXFSOLID*>(data);
        POINT pts[4];
        bool near = true;
        for (int i = 0; i < 4; ++i) {
            const DevPt d = v.Map(e.pt[i].x, e.pt[i].y, t);
            near = near && Near(d);
            if (near) pts[i] = {I(d.x), I(d.y)};
        }
        if (near)
            dc->Polyline(pts, 4);
        else
            WorldPolyline(ctx, dc, 4, t, [&](int i) { return std::pair{e.pt[i].x, e.pt[i].y}; });
        break;
    }
    case DXF_SPLINE: {
        const auto& e = *static_cast<const DXFSPLINE*>(data);
        if (e.nControlPts < 0) break;
        const std::vector<_tagREALPT2> samples = DxfEvaluateSpline(&e, std::max(64, e.nControlPts));
        TwoPasses(ctx, dc, false, [&](CDC* target, int) { DrawSplineEntity(ctx, target, e, samples, t); });
        break;
    }
    case DXF_POLYLINE: {
        const auto& e = *static_cast<const DXFPOLYLINE*>(data);
        if (e.nVertices <= 0 || !e.pVertices) break;
        TwoPasses(ctx, dc, true, [&](CDC* target, int) { DrawPolylineEntity(ctx, target, e, colour, t); });
        break;
    }
    case DXF_HATCH: {
        const auto& e = *static_cast<const DXFHATCH*>(data);
        if (e.nPathFlags > 2) break;
        TwoPasses(ctx, dc, false, [&](CDC* target, int pass) {
            DxfDrawHatch(ctx.d, target, t.sx, t.sy, t.ox, t.oy, t.rot, &h, &e, pass);
        });
        break;
    }
    default:
        break;
    }
    dc->SelectObject(oldPen);
}

} // namespace

COLORREF DxfPaletteColour(int number) {
    const COLORREF c = kPalette[number >= 0 && number < 256 ? number : 0];
    return c == RGB(255, 255, 255) ? RGB(0, 0, 0) : c;
}

void DxfDrawEntity(DXFDRAWING* pDrawing, CDC* pDC, const DXFENTITYHEADER* pHeader, const void* pData,
                   DXFOUTLINE* pOutline, double ox, double oy, double sx, double sy, double rot) {
    if (!pDrawing || !pDC || !pHeader || !pData) return;
    Context ctx(pDrawing, pOutline);
    DrawEntity(ctx, pDC, *pHeader, pData, Transform::Make(ox, oy, sx, sy, rot));
}

BOOL DxfPaint(HDXFDRAWING hDrawing, CDC* pDC, DXFOUTLINE* pOutline) {
    if (!pDC) return FALSE;
    GlobalLockGuard<DXFDRAWING> d(hDrawing);
    if (!d) return FALSE;
    // The background with a white edge, and the view as the clip.
    CBrush background(d->crBackground);
    CPen white(PS_SOLID, 1, RGB(255, 255, 255));
    CBrush* oldBrush = pDC->SelectObject(&background);
    CPen* oldPen = pDC->SelectObject(&white);
    pDC->Rectangle(d->left, d->top, d->right, d->bottom);
    CRgn clip;
    clip.CreateRectRgn(d->left, d->top, d->right, d->bottom);
    pDC->SelectClipRgn(&clip);
    pDC->SelectObject(oldPen);
    // Closed figures drawn from here on are outlines only.
    CBrush hollow;
    hollow.CreateHollowBrush();
    pDC->SelectObject(&hollow);
    const bool valid = d->bValid != 0;
    if (valid) {
        Context ctx(d.get(), pOutline);
        const Transform identity = Transform::Make(0, 0, 1, 1, 0);
        DxfForEachEntity(d->entities, [&](const DXFENTITYHEADER& h, const void* data, DWORD) {
            DrawEntity(ctx, pDC, h, data, identity);
            return true;
        });
    }
    pDC->SelectObject(oldBrush);
    background.DeleteObject();
    pDC->SelectClipRgn(nullptr);
    clip.DeleteObject();
    return valid ? TRUE : FALSE;
}
