// Plane transforms of DXF geometry: the placement of a block's contents by
// an INSERT (base point, scale, rotation, mirroring, MINSERT array cell),
// the plan view of an object coordinate system, and their composition.
//
// A transform maps (x, y) to (xx·x + xy·y + tx, yx·x + yy·y + ty). The
// drawing is seen from above (looking down the world z axis), so every
// placement in space comes out as such an affine map of the plane: z only
// moves a tilted plane sideways.
//
// Object coordinates: the 2-D entities (CIRCLE, ARC, LWPOLYLINE, 2-D
// POLYLINE, SOLID, TRACE, TEXT, INSERT, HATCH) give their points in the
// plane whose normal is the entity's extrusion N (210/220/230, +z by
// default). Its axes follow the arbitrary axis rule: Ax = Wy × N when N lies
// within 1/64 of the world z axis in both x and y, else Wz × N, normalised;
// Ay = N × Ax. An object point (x, y, z) is x·Ax + y·Ay + z·N in the world.
// N = (0, 0, −1), common in mirrored drawings, makes Ax = (−1, 0, 0): the
// entity is mirrored in x.
#pragma once

#include "dxf/dxf_types.h"

#include <cmath>

struct DxfTransform {
    double xx = 1, xy = 0, yx = 0, yy = 1, tx = 0, ty = 0;

    static constexpr double kDegToRad = 3.1415926535897932 / 180.0;

    // Scale by (sx, sy), then rotate by rotDeg degrees counter-clockwise,
    // then move by (ox, oy).
    static DxfTransform Make(double ox, double oy, double sx, double sy, double rotDeg) {
        DxfTransform t;
        double c = 1, s = 0;
        if (rotDeg != 0) {
            c = std::cos(rotDeg * kDegToRad);
            s = std::sin(rotDeg * kDegToRad);
        }
        t.xx = c * sx;
        t.xy = -s * sy;
        t.yx = s * sx;
        t.yy = c * sy;
        t.tx = ox;
        t.ty = oy;
        return t;
    }
    static DxfTransform Translate(double dx, double dy) {
        DxfTransform t;
        t.tx = dx;
        t.ty = dy;
        return t;
    }

    // This transform after inner: (*this)(inner(p)).
    DxfTransform operator*(const DxfTransform& inner) const {
        DxfTransform r;
        r.xx = xx * inner.xx + xy * inner.yx;
        r.xy = xx * inner.xy + xy * inner.yy;
        r.yx = yx * inner.xx + yy * inner.yx;
        r.yy = yx * inner.xy + yy * inner.yy;
        r.tx = xx * inner.tx + xy * inner.ty + tx;
        r.ty = yx * inner.tx + yy * inner.ty + ty;
        return r;
    }

    void Apply(double x, double y, double& ox, double& oy) const {
        ox = xx * x + xy * y + tx;
        oy = yx * x + yy * y + ty;
    }
    // A vector (no move).
    void Linear(double x, double y, double& ox, double& oy) const {
        ox = xx * x + xy * y;
        oy = yx * x + yy * y;
    }

    double Det() const { return xx * yy - xy * yx; }
    // Turns counter-clockwise figures clockwise.
    bool Mirrors() const { return Det() < 0; }
    // Keeps the axes' directions (scales each by a positive factor): GDI's
    // axis-parallel figures stay what they are.
    bool Upright() const { return xy == 0 && yx == 0 && xx > 0 && yy > 0; }
    // The most any length grows (the larger singular value).
    double MaxScale() const {
        const double f = xx * xx + xy * xy + yx * yx + yy * yy, d = Det();
        return std::sqrt(0.5 * (f + std::sqrt(std::fmax(0.0, f * f - 4 * d * d))));
    }
    // For text and other things placed by an angle and two scales: the
    // direction of the mapped x axis (degrees), its length, and the length
    // of the mapped y axis, negative when the transform mirrors.
    double AngleDeg() const { return std::atan2(yx, xx) / kDegToRad; }
    double ScaleX() const { return std::hypot(xx, yx); }
    double ScaleY() const {
        const double sx = ScaleX();
        return sx > 0 ? Det() / sx : std::hypot(xy, yy);
    }
};

// Is the extrusion the world z axis (or not given)?
inline bool DxfPlainExtrusion(const DXFCOORD& n) {
    return n.x == 0 && n.y == 0 && n.z > 0;
}

// Object coordinates of extrusion n at elevation z to the world plane; the
// identity for a plain extrusion, and for one that is not a direction.
DxfTransform DxfObjectToWorld(const DXFCOORD& n, double z);

// Where an INSERT puts its block's contents: block point p goes to
// ins + R(rot)·(S·(p − base) + (column·colSpacing, row·rowSpacing)) in the
// insert's object coordinates, then to the world.
DxfTransform DxfInsertTransform(const DXFINSERT& ins, const DXFCOORD& base, const DXFCOORD& extrusion,
                                int column, int row);
