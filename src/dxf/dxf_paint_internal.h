// What the drawing files share: the block transform, the world-to-device
// mapping of the view, and device-space helpers that keep absurd
// coordinates away from the integer GDI calls.
#pragma once

#include "dxf/dxf_paint.h"
#include "model/clip_segment.h"

#include <cmath>

namespace dxf_paint {

constexpr double kPi = 3.1415926535;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kTwoPi = 6.283185307;

// Device coordinates beyond this are cut away before they reach an integer
// GDI call; the view never comes near it.
constexpr double kFar = 1073741824.0; // 2^30

struct Transform {
    double ox = 0, oy = 0, sx = 1, sy = 1, rot = 0;
    double c = 1, s = 0; // of rot
    bool rotated = false;

    static Transform Make(double ox, double oy, double sx, double sy, double rot) {
        Transform t{ox, oy, sx, sy, rot};
        t.rotated = rot != 0.0;
        if (t.rotated) {
            const double a = rot * kDegToRad;
            t.c = std::cos(a);
            t.s = std::sin(a);
        }
        return t;
    }
    // Scale, then rotate (a rotation of 0 leaves the scaled point exactly
    // as it is).
    void Apply(double x, double y, double& xr, double& yr) const {
        const double xs = x * sx, ys = y * sy;
        if (rotated) {
            xr = xs * c - ys * s;
            yr = xs * s + ys * c;
        } else {
            xr = xs;
            yr = ys;
        }
    }
    // Keeps orientation (counter-clockwise stays counter-clockwise).
    bool Mirrors() const { return (sx < 0) != (sy < 0); }
};

// A device point, whole pixels held as doubles so that nothing overflows
// before it is checked.
struct DevPt {
    double x, y;
};

inline bool Finite(const DevPt& p) { return std::isfinite(p.x) && std::isfinite(p.y); }
inline bool Near(const DevPt& p) { return std::fabs(p.x) <= kFar && std::fabs(p.y) <= kFar; }
inline int I(double v) { return static_cast<int>(v); } // for values checked to be near

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
    // The device point of a transformed world point (xr + ox, yr + oy given
    // as wx, wy).
    DevPt Device(double wx, double wy, const Transform& t) const {
        return {left + std::trunc((wx + t.ox - xorg) * unit * zoom),
                bottom - std::trunc((wy + t.oy - yorg) * unit * zoom)};
    }
    // The same without truncation (for clipping arithmetic).
    DevPt Exact(double wx, double wy, const Transform& t) const {
        return {left + (wx + t.ox - xorg) * unit * zoom, bottom - (wy + t.oy - yorg) * unit * zoom};
    }
    DevPt Map(double x, double y, const Transform& t) const {
        double xr, yr;
        t.Apply(x, y, xr, yr);
        return Device(xr, yr, t);
    }
    DevPt MapExact(double x, double y, const Transform& t) const {
        double xr, yr;
        t.Apply(x, y, xr, yr);
        return Exact(xr, yr, t);
    }
    // Does the device box touch the cull box?
    bool Visible(double minX, double minY, double maxX, double maxY) const {
        if (std::isnan(minX) || std::isnan(minY) || std::isnan(maxX) || std::isnan(maxY)) return false;
        return maxX >= cullLeft && minX <= cullRight && maxY >= cullTop && minY <= cullBottom;
    }
};

// DxfDrawLine for two device points, cut where the line reaches beyond
// kFar; nothing for a point that is not a number.
void DeviceLine(const DXFDRAWING* d, CDC* dc, COLORREF colour, DevPt a, DevPt b, DXFOUTLINE* outline, int pass);

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

} // namespace dxf_paint

// TEXT (with ATTRIB) and MTEXT under the block transform, into the pass's DC
// in the pen of the text's colour (dxf_text.cpp).
void DxfDrawTextEntity(DXFDRAWING* pDrawing, CDC* pDC, const DXFENTITYHEADER& header, const void* pData,
                       const dxf_paint::Transform& t);
