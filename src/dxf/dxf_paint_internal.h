// What the drawing files share: the block transform, the world-to-device
// mapping of the view, and device-space helpers that keep absurd
// coordinates away from the integer GDI calls.
#pragma once

#include "dxf/dxf_paint.h"
#include "dxf/dxf_scene.h"
#include "dxf/dxf_transform.h"
#include "model/clip_segment.h"

#include <cmath>
#include <functional>
#include <vector>

namespace dxf_paint {

constexpr double kPi = 3.1415926535;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kTwoPi = 6.283185307;

// Device coordinates beyond this are cut away before they reach an integer
// GDI call; the view never comes near it.
constexpr double kFar = 1073741824.0; // 2^30

using Transform = DxfTransform;

// A device point, whole pixels held as doubles so that nothing overflows
// before it is checked.
struct DevPt {
    double x, y;
};

inline bool Finite(const DevPt& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}
inline bool Near(const DevPt& p) {
    return std::fabs(p.x) <= kFar && std::fabs(p.y) <= kFar;
}
inline int I(double v) {
    return static_cast<int>(v);
} // for values checked to be near

// Calls visit(i, cos a, sin a) for a = a0 + sweep · i / n, i = 0 .. n: the
// angle steps by rotation, taken afresh every 64 points so that rounding
// cannot build up.
template <class Visit> void SweepAngles(double a0, double sweep, int n, Visit&& visit) {
    const double step = sweep / n, cs = std::cos(step), sn = std::sin(step);
    double c = 1, s = 0;
    for (int i = 0; i <= n; ++i) {
        if (i % 64 == 0) {
            c = std::cos(a0 + step * i);
            s = std::sin(a0 + step * i);
        }
        visit(i, c, s);
        const double c2 = c * cs - s * sn;
        s = s * cs + c * sn;
        c = c2;
    }
}

// The view's mapping of a drawing, copied out of the record.
struct View {
    double left, top, right, bottom;
    double xorg, yorg, unit, zoom;
    // Beyond the view by twice its larger side: what lies outside this box
    // is not drawn (nor added to the outline) at all.
    double cullLeft, cullTop, cullRight, cullBottom;

    explicit View(const DXFDRAWING& d) {
        left = d.left;
        top = d.top;
        right = d.right;
        bottom = d.bottom;
        xorg = d.dXorg;
        yorg = d.dYorg;
        unit = d.dUnit;
        zoom = d.dZoom;
        const double margin = 2.0 * std::fmax(right - left, bottom - top) + 16.0;
        cullLeft = left - margin;
        cullTop = top - margin;
        cullRight = right + margin;
        cullBottom = bottom + margin;
    }
    // Device pixels per world unit.
    double Scale() const { return unit * zoom; }
    // The device point of a world point.
    DevPt Device(double wx, double wy) const {
        return {left + std::trunc((wx - xorg) * unit * zoom), bottom - std::trunc((wy - yorg) * unit * zoom)};
    }
    // The same without truncation (for clipping arithmetic).
    DevPt Exact(double wx, double wy) const {
        return {left + (wx - xorg) * unit * zoom, bottom - (wy - yorg) * unit * zoom};
    }
    // The device point of an entity's point placed by t.
    DevPt Map(double x, double y, const Transform& t) const {
        double wx, wy;
        t.Apply(x, y, wx, wy);
        return Device(wx, wy);
    }
    DevPt MapExact(double x, double y, const Transform& t) const {
        double wx, wy;
        t.Apply(x, y, wx, wy);
        return Exact(wx, wy);
    }
    // Does the device box touch the cull box?
    bool Visible(double minX, double minY, double maxX, double maxY) const {
        if (std::isnan(minX) || std::isnan(minY) || std::isnan(maxX) || std::isnan(maxY)) return false;
        return maxX >= cullLeft && minX <= cullRight && maxY >= cullTop && minY <= cullBottom;
    }
};

// DxfDrawLine for two device points, cut where the line reaches beyond
// kFar; nothing for a point that is not a number.
void DeviceLine(const DXFDRAWING* d, CDC* dc, COLORREF colour, DevPt a, DevPt b, DXFOUTLINE* outline,
                int pass);

// MoveTo / LineTo in device points through a DC, cutting the segments that
// reach beyond kFar (they restart with a MoveTo where they come back) and
// dropping those with a coordinate that is not a number. Near segments go
// to the DC unchanged.
class DevicePen {
public:
    explicit DevicePen(CDC* dc) : m_dc(dc) {}
    void MoveTo(const DevPt& p) {
        m_last = p;
        m_have = true;
        m_atLast = false;
    }
    void LineTo(const DevPt& p);

private:
    CDC* m_dc;
    DevPt m_last{0, 0};
    bool m_have = false;
    bool m_atLast = false; // the DC's current position is m_last
};

// A filled polygon of device points, cut to ±kFar; nothing for fewer than
// three points or a point that is not a number. Filled with the selected
// brush and outlined with the selected pen.
void DevicePolygon(CDC* dc, const std::vector<DevPt>& points);

// Chords for a sweep (radians) of a curve whose device radius is r: within
// a third of a pixel of the curve, at least 4 and at most 16384.
int ArcSegments(double r, double sweep);

// One paint of a drawing.
struct Context {
    DXFDRAWING* d;
    View view;
    DXFOUTLINE* outline;
    // Conservative boxes of blocks' contents, for passing over whole inserts
    // that fall outside the picture.
    dxf_scene::Bounds bounds;
    int depth = 0;
    // The blocks being drawn, by position: a block met again inside itself
    // is not drawn again.
    std::vector<bool> drawing;
    // Entities drawn from inside blocks, against kMaxBlockEntityDraws.
    long long blockDraws = 0;
    // Device size of POINT markers ($PDSIZE), in pixels.
    double pointSize = 0;

    Context(DXFDRAWING* drawing, DXFOUTLINE* out);
    const dxf_scene::Resolver& Props() const { return bounds.Properties(); }
};

// Runs draw(dc, pass) for pass 1 into the DC and, with an outline, for pass
// 2 into a path whose points go to the outline.
template <class Draw> void TwoPasses(Context& ctx, CDC* dc, bool flatten, Draw&& draw) {
    draw(dc, 1);
    CDC pathDc;
    if (!DxfBeginOutline(pathDc, dc, ctx.outline)) return;
    draw(&pathDc, 2);
    DxfEndOutline(pathDc, ctx.outline, flatten);
}

// How an entity of a drawn type is shown: its colour (with its pen and
// brush selected into the DC by the caller), its line type (NULL for a
// solid line) and that line type's scale.
struct Look {
    COLORREF colour;
    const DXFLTYPE* lineType;
    double ltScale;
};

// The drawing of each geometric entity type (dxf_shapes.cpp), in both
// passes, the entity's points placed by t.
void DrawLineShape(Context& ctx, CDC* dc, const DXFLINE& e, const Look& look, const DxfTransform& t);
void DrawPointShape(Context& ctx, CDC* dc, const DXFPOINT& e, const Look& look, const DxfTransform& t);
void DrawCircleShape(Context& ctx, CDC* dc, const DXFCIRCLE& e, const Look& look, const DxfTransform& t);
void DrawArcShape(Context& ctx, CDC* dc, const DXFARC& e, const Look& look, const DxfTransform& t);
void DrawEllipseShape(Context& ctx, CDC* dc, const DXFELLIPSE& e, const DXFCOORD& extrusion, const Look& look,
                      const DxfTransform& t);
void DrawSolidShape(Context& ctx, CDC* dc, const DXFSOLID& e, const DxfTransform& t);
void DrawFaceShape(Context& ctx, CDC* dc, const DXFSOLID& e, int hiddenEdges, const DxfTransform& t);
void DrawSplineShape(Context& ctx, CDC* dc, const DXFSPLINE& e, const Look& look, const DxfTransform& t);
void DrawPolylineShape(Context& ctx, CDC* dc, const DXFPOLYLINE& e, const Look& look, const DxfTransform& t);
// And the line entities (dxf_leaders.cpp).
void DrawLeaderShape(Context& ctx, CDC* dc, const DXFLEADER& e, COLORREF colour, const DxfTransform& t);
void DrawMLineShape(Context& ctx, CDC* dc, const DXFMLINE& e, const DxfTransform& t);
void DrawRayShape(Context& ctx, CDC* dc, const DXFRAY& e, bool bothWays, COLORREF colour,
                  const DxfTransform& t);
void DrawImageShape(Context& ctx, CDC* dc, const DXFIMAGE& e, bool wipeout, const DxfTransform& t);
// Calls add(x, y) with the points (in the entity's units) that bound a
// LEADER, MULTILEADER, MLINE, IMAGE or WIPEOUT.
void AddLineEntityBounds(const DXFENTITYHEADER& h, const void* data,
                         const std::function<void(double, double)>& add);

} // namespace dxf_paint

// TEXT (with ATTRIB) and MTEXT under the block transform, in the pen of the
// text's colour (its layer, block and colour number resolved), with their
// strokes appended to the outline when one is given (dxf_text.cpp).
void DxfDrawTextEntity(DXFDRAWING* pDrawing, CDC* pDC, const DXFENTITYHEADER& header, const void* pData,
                       const dxf_paint::Transform& t, COLORREF colour, DXFOUTLINE* pOutline);
