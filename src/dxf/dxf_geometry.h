// Plane geometry of DXF curves, in the entity's own units: bulged polyline
// segments, elliptic arcs, and the extremes of both under a transform.
#pragma once

#include "dxf/dxf_transform.h"

#include <cmath>

namespace dxf_geom {

constexpr double kTwoPi = 6.283185307179586;

// A polyline segment's bulge is the tangent of a quarter of the arc's
// sweep, positive for counter-clockwise: the arc from (x1, y1) to
// (x2, y2) has its centre (cx, cy), radius r, and runs from angle a0
// through sweep (radians, negative for clockwise). False for a bulge of 0
// or not a number, or a segment of no length (a straight segment).
struct BulgeArc {
    double cx, cy, r, a0, sweep;
};
inline bool ArcOfBulge(double x1, double y1, double x2, double y2, double bulge, BulgeArc& out) {
    const double dx = x2 - x1, dy = y2 - y1, chord = std::hypot(dx, dy);
    if (bulge == 0 || !std::isfinite(bulge) || !(chord > 0) || !std::isfinite(chord)) return false;
    // The centre lies on the chord's perpendicular bisector, (1 − b²) / (4b)
    // chords to the left of it.
    const double k = (1 - bulge * bulge) / (4 * bulge);
    out.cx = (x1 + x2) / 2 - k * dy;
    out.cy = (y1 + y2) / 2 + k * dx;
    out.r = chord * (1 + bulge * bulge) / (4 * std::fabs(bulge));
    out.a0 = std::atan2(y1 - out.cy, x1 - out.cx);
    out.sweep = 4 * std::atan(bulge);
    return std::isfinite(out.cx) && std::isfinite(out.cy) && std::isfinite(out.r);
}

// The counter-clockwise sweep from angle a0 to a1 (radians), in (0, 2π]:
// an arc whose ends meet goes all round.
inline double SweepCcw(double a0, double a1) {
    double s = std::fmod(a1 - a0, kTwoPi);
    if (!(s > 1e-12)) s += kTwoPi;
    return s;
}

// Calls add(x, y) with the points of the elliptic arc c + u·cos s + v·sin s,
// s from a0 through sweep, placed by t, that bound it: its ends and the
// points where the placed curve turns in x or in y.
template <class Add>
void EllipticArcExtremes(double cx, double cy, double ux, double uy, double vx, double vy, double a0,
                         double sweep, const DxfTransform& t, Add&& add) {
    double pcx, pcy, pux, puy, pvx, pvy;
    t.Apply(cx, cy, pcx, pcy);
    t.Linear(ux, uy, pux, puy);
    t.Linear(vx, vy, pvx, pvy);
    if (std::fabs(sweep) >= kTwoPi) {
        // A whole turn reaches hypot(pux, pvx) either way in x, likewise in y.
        const double rx = std::hypot(pux, pvx), ry = std::hypot(puy, pvy);
        add(pcx - rx, pcy - ry);
        add(pcx + rx, pcy + ry);
        return;
    }
    auto at = [&](double s) {
        add(pcx + pux * std::cos(s) + pvx * std::sin(s), pcy + puy * std::cos(s) + pvy * std::sin(s));
    };
    at(a0);
    at(a0 + sweep);
    const double lo = std::fmin(a0, a0 + sweep), hi = std::fmax(a0, a0 + sweep);
    // x' = pux·cos s + pvx·sin s turns where tan s = pvx / pux; y' likewise.
    for (const double base : {std::atan2(pvx, pux), std::atan2(pvy, puy)}) {
        double s = base + std::ceil((lo - base) / M_PI) * M_PI;
        for (int i = 0; s <= hi && i < 4; ++i, s += M_PI) at(s);
    }
}

// An ELLIPSE runs from its start to its end parameter (radians) round its
// whole length when they meet (or span 2π).
inline bool FullEllipse(const DXFELLIPSE& e) {
    return e.dStartParam == e.dEndParam || !(std::fabs(e.dEndParam - e.dStartParam) < kTwoPi - 1e-9);
}

// The minor axis of an ELLIPSE (in world coordinates, like its major axis):
// the extrusion × the major axis, times the ratio. Seen from below (a
// negative extrusion), the ellipse's parameter runs clockwise.
inline void EllipseMinorAxis(const DXFELLIPSE& e, const DXFCOORD& n, double& vx, double& vy) {
    double nx = n.x, ny = n.y, nz = n.z;
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(len > 0) || !std::isfinite(len)) {
        nx = ny = 0;
        nz = 1;
    } else {
        nx /= len;
        ny /= len;
        nz /= len;
    }
    const DXFCOORD& m = e.ptMajor;
    vx = (ny * m.z - nz * m.y) * e.dRatio;
    vy = (nz * m.x - nx * m.z) * e.dRatio;
}

} // namespace dxf_geom
