#include "dxf/dxf_transform.h"

DxfTransform DxfObjectToWorld(const DXFCOORD& n, double z) {
    const double len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (DxfPlainExtrusion(n) || !(len > 0) || !std::isfinite(len)) return {};
    const double nx = n.x / len, ny = n.y / len, nz = n.z / len;
    double ax, ay, az;
    if (std::fabs(nx) < 1.0 / 64 && std::fabs(ny) < 1.0 / 64) {
        // Wy × N
        ax = nz;
        ay = 0;
        az = -nx;
    } else {
        // Wz × N
        ax = -ny;
        ay = nx;
        az = 0;
    }
    const double alen = std::sqrt(ax * ax + ay * ay + az * az);
    ax /= alen;
    ay /= alen;
    az /= alen;
    // Ay = N × Ax; only its x and y matter from above.
    const double bx = ny * az - nz * ay, by = nz * ax - nx * az;
    DxfTransform t;
    t.xx = ax;
    t.xy = bx;
    t.yx = ay;
    t.yy = by;
    t.tx = nx * z;
    t.ty = ny * z;
    return t;
}

DxfTransform DxfInsertTransform(const DXFINSERT& ins, const DXFCOORD& base, const DXFCOORD& extrusion,
                                int column, int row) {
    const DxfTransform place = DxfTransform::Make(ins.ptInsert.x, ins.ptInsert.y, 1, 1, ins.dRotation);
    const DxfTransform cell = DxfTransform::Translate(column * ins.dColSpacing, row * ins.dRowSpacing) *
                              DxfTransform::Make(0, 0, ins.dScaleX, ins.dScaleY, 0) *
                              DxfTransform::Translate(-base.x, -base.y);
    return DxfObjectToWorld(extrusion, ins.ptInsert.z) * place * cell;
}
