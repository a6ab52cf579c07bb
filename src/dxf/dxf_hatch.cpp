// HATCH entities: areas filled, or crossed by pattern lines, inside their
// boundary paths.
//
// The paths are closed polylines (dxf_hatch_read.cpp); their bulges are
// followed. Which areas they enclose is chosen by the style: all paths by
// odd parity (an island in an area is left out, an island in that island
// filled again), the paths at depth 0 and 1 only (outermost), or those at
// depth 0 only (ignore islands). A solid hatch (70 = 1), or one without
// pattern lines, fills its areas. Otherwise each pattern line family (53
// angle, 43/44 base point, 45/46 offset from one line to the next, 79
// dashes and their 49 lengths, positive for a dash and negative for a gap)
// is drawn as parallel lines across the paths' box, clipped to the areas.
//
// In the picture the areas clip as a region; in the outline, which is
// recorded unclipped, each pattern line is cut to the areas here, so the
// outline holds only what the picture shows; a solid fill gives its paths.
#include "dxf/dxf_geometry.h"
#include "dxf/dxf_paint_internal.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using namespace dxf_paint;

struct WorldPt {
    double x, y;
};

// The pieces of the device segment a–b inside the polygons (odd parity), in
// the order of travel, as parameter ranges of a–b.
std::vector<std::pair<double, double>> InsidePieces(const DevPt& a, const DevPt& b,
                                                    const std::vector<std::vector<DevPt>>& polys) {
    std::vector<std::pair<double, double>> pieces;
    const double dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 && dy == 0) return pieces;
    // Where the polygons' edges cross the line through a and b: each
    // crossing flips inside and outside.
    std::vector<double> cuts;
    for (const std::vector<DevPt>& poly : polys) {
        const std::size_t n = poly.size();
        if (n < 3) continue;
        for (std::size_t i = 0; i < n; ++i) {
            const DevPt& p = poly[i];
            const DevPt& q = poly[(i + 1) % n];
            const bool sp = dx * (p.y - a.y) - dy * (p.x - a.x) > 0;
            const bool sq = dx * (q.y - a.y) - dy * (q.x - a.x) > 0;
            if (sp == sq) continue;
            const double ex = q.x - p.x, ey = q.y - p.y;
            const double den = dx * ey - dy * ex;
            if (den == 0) continue;
            cuts.push_back(((p.x - a.x) * ey - (p.y - a.y) * ex) / den);
        }
    }
    std::sort(cuts.begin(), cuts.end());
    for (std::size_t i = 0; i + 1 < cuts.size(); i += 2) {
        const double lo = std::max(cuts[i], 0.0), hi = std::min(cuts[i + 1], 1.0);
        if (hi > lo) pieces.emplace_back(lo, hi);
    }
    return pieces;
}

// MoveTo / LineTo of world points for one pass: into the DC in pass 1
// (the clip region cuts them), cut to the boundary and the picture's
// surroundings in pass 2.
class Emitter {
public:
    Emitter(CDC* dc, int pass, const View& v, const Transform& t, const std::vector<std::vector<DevPt>>& poly,
            double l, double top, double r, double b)
        : m_pass(pass), m_v(v), m_t(t), m_poly(poly), m_pen(dc), m_l(l), m_top(top), m_r(r), m_b(b) {}

    void MoveTo(const WorldPt& p) {
        m_cur = p;
        if (m_pass == 1) m_pen.MoveTo(m_v.Map(p.x, p.y, m_t));
    }
    void LineTo(const WorldPt& p) {
        const WorldPt from = m_cur;
        m_cur = p;
        if (m_pass == 1) {
            m_pen.LineTo(m_v.Map(p.x, p.y, m_t));
            return;
        }
        const DevPt a = m_v.Map(from.x, from.y, m_t), b = m_v.Map(p.x, p.y, m_t);
        double r0, r1;
        if (!ClipSegment(a.x, a.y, b.x, b.y, m_l, m_top, m_r, m_b, r0, r1)) return;
        for (const auto& [t0, t1] : InsidePieces(a, b, m_poly)) {
            const double lo = std::max(t0, r0), hi = std::min(t1, r1);
            if (!(hi > lo)) continue;
            m_pen.MoveTo({std::trunc(a.x + (b.x - a.x) * lo), std::trunc(a.y + (b.y - a.y) * lo)});
            m_pen.LineTo({std::trunc(a.x + (b.x - a.x) * hi), std::trunc(a.y + (b.y - a.y) * hi)});
        }
    }

private:
    int m_pass;
    const View& m_v;
    const Transform& m_t;
    const std::vector<std::vector<DevPt>>& m_poly;
    DevicePen m_pen;
    WorldPt m_cur{0, 0};
    double m_l, m_top, m_r, m_b;
};

// Steps p back by (sx, sy) while inside(p) holds: a few single steps, then
// the rest at once (count() says how many are left), then a few more for
// rounding. A start that no number of steps brings out is left as it is.
template <class Inside, class Count>
void StepBack(WorldPt& p, double sx, double sy, Inside&& inside, Count&& count) {
    for (int i = 0; i < 64 && inside(p); ++i) {
        p.x -= sx;
        p.y -= sy;
    }
    if (!inside(p)) return;
    const double k = std::ceil(count(p));
    if (std::isfinite(k) && k > 0) {
        p.x -= k * sx;
        p.y -= k * sy;
    }
    for (int i = 0; i < 4 && inside(p); ++i) {
        p.x -= sx;
        p.y -= sy;
    }
}

// Is (x, y) inside the polygon (odd parity)?
bool Inside(const std::vector<WorldPt>& poly, double x, double y) {
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const WorldPt& a = poly[i];
        const WorldPt& b = poly[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

// The paths of the areas the style fills, as polygons in the hatch's units:
// each bulge's arc within a third of a pixel (scale: pixels per unit).
std::vector<std::vector<WorldPt>> Areas(const DXFHATCH& h, double scale) {
    std::vector<std::vector<WorldPt>> loops;
    for (int i = 0; h.pBoundary && i < h.nBoundaries; ++i) {
        const DXFPOLYLINE& p = h.pBoundary[i];
        if (!p.pVertices || p.nVertices < 2) continue;
        std::vector<WorldPt> loop;
        for (int k = 0; k < p.nVertices; ++k) {
            const DXFVERTEX& a = p.pVertices[k];
            const DXFVERTEX& b = p.pVertices[(k + 1) % p.nVertices];
            loop.push_back({a.x, a.y});
            dxf_geom::BulgeArc arc;
            if (!dxf_geom::ArcOfBulge(a.x, a.y, b.x, b.y, a.dBulge, arc)) continue;
            const int n = ArcSegments(arc.r * scale, std::fabs(arc.sweep));
            for (int j = 1; j < n; ++j) {
                const double ang = arc.a0 + arc.sweep * j / n;
                loop.push_back({arc.cx + arc.r * std::cos(ang), arc.cy + arc.r * std::sin(ang)});
            }
        }
        loops.push_back(std::move(loop));
    }
    // Outermost and ignore styles keep the paths no deeper than 1 and 0:
    // depth is the number of other paths a path lies in.
    if (h.nStyle == 1 || h.nStyle == 2) {
        const int deepest = h.nStyle == 1 ? 1 : 0;
        std::vector<std::vector<WorldPt>> kept;
        for (std::size_t i = 0; i < loops.size(); ++i) {
            int depth = 0;
            for (std::size_t j = 0; j < loops.size() && depth <= deepest; ++j)
                if (j != i && Inside(loops[j], loops[i][0].x, loops[i][0].y)) ++depth;
            if (depth <= deepest) kept.push_back(loops[i]);
        }
        loops = std::move(kept);
    }
    return loops;
}

} // namespace

void DxfDrawHatch(DXFDRAWING* pDrawing, CDC* pDC, const DxfTransform& t, COLORREF colour,
                  const DXFHATCH* pHatch, int pass) {
    if (!pDrawing || !pDC || !pHatch) return;
    const DXFDRAWING& d = *pDrawing;
    const View v(d);

    // The areas' paths in the hatch's own units, and their box there and
    // on the device.
    const std::vector<std::vector<WorldPt>> world = Areas(*pHatch, t.MaxScale() * v.Scale());
    if (world.empty()) return;
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    double dMinX = INFINITY, dMinY = INFINITY, dMaxX = -INFINITY, dMaxY = -INFINITY;
    std::vector<std::vector<DevPt>> device;
    for (const std::vector<WorldPt>& loop : world) {
        device.emplace_back();
        for (const WorldPt& p : loop) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
            const DevPt q = v.Map(p.x, p.y, t);
            if (!Finite(q)) return;
            device.back().push_back(q);
            dMinX = std::min(dMinX, q.x);
            dMaxX = std::max(dMaxX, q.x);
            dMinY = std::min(dMinY, q.y);
            dMaxY = std::max(dMaxY, q.y);
        }
    }
    if (!std::isfinite(minX + maxX + minY + maxY) || !v.Visible(dMinX, dMinY, dMaxX, dMaxY)) return;
    const bool solid = pHatch->nSolid == 1 || pHatch->nPatternLines < 1;
    if (pass == 2 && solid) {
        // The outline of a fill is its paths.
        for (const std::vector<DevPt>& loop : device) {
            DevicePen pen(pDC);
            pen.MoveTo(loop.front());
            for (std::size_t i = 1; i <= loop.size(); ++i) pen.LineTo(loop[i % loop.size()]);
        }
        return;
    }

    // The clip: the areas within the picture (a region never reaches beyond
    // the view, whatever the paths' coordinates), by odd parity.
    std::vector<POINT> corners;
    std::vector<int> counts;
    for (const std::vector<DevPt>& loop : device) {
        std::vector<QPointF> clipped;
        for (const DevPt& p : loop) clipped.emplace_back(p.x, p.y);
        clipped =
            ClipPolygon(clipped, QRectF(QPointF(v.left - 1, v.top - 1), QPointF(v.right + 1, v.bottom + 1)));
        for (const QPointF& p : clipped) corners.push_back({I(std::lround(p.x())), I(std::lround(p.y()))});
        counts.push_back(static_cast<int>(clipped.size()));
    }
    CRgn region;
    region.CreatePolyPolygonRgn(corners.data(), counts.data(), static_cast<int>(counts.size()), ALTERNATE);
    pDC->SelectClipRgn(&region);

    if (solid) {
        CBrush brush(colour);
        pDC->FillRgn(&region, &brush);
        brush.DeleteObject();
    } else if (pHatch->pPatternAngles && pHatch->pPatternBase && pHatch->pPatternOffset &&
               pHatch->pDashCounts) {
        const double W = maxX - minX, H = maxY - minY;
        const double diag = 2 * std::max(std::fabs(H), W);
        CPen pen(PS_SOLID, 0, colour);
        CPen* oldPen = pDC->SelectObject(&pen);
        // Where lines can be seen: the picture (pass 1) or its surroundings
        // (pass 2), within the boundary's device box.
        const double rl = std::max(dMinX, pass == 1 ? v.left - 2 : v.cullLeft);
        const double rt = std::max(dMinY, pass == 1 ? v.top - 2 : v.cullTop);
        const double rr = std::min(dMaxX, pass == 1 ? v.right + 2 : v.cullRight);
        const double rb = std::min(dMaxY, pass == 1 ? v.bottom + 2 : v.cullBottom);
        Emitter out(pDC, pass, v, t, device, rl, rt, rr, rb);
        const double kz = v.unit * v.zoom;
        // A world vector in device units (y down).
        auto linear = [&](double x, double y) {
            double xr, yr;
            t.Linear(x, y, xr, yr);
            return DevPt{xr * kz, -yr * kz};
        };
        for (int L = 0; L < pHatch->nPatternLines && rl <= rr && rt <= rb; ++L) {
            const double a = pHatch->pPatternAngles[L] * kDegToRad, c = std::cos(a), s = std::sin(a);
            const double Ox = pHatch->pPatternOffset[L].x, Oy = pHatch->pPatternOffset[L].y;
            const WorldPt B{pHatch->pPatternBase[L].x, pHatch->pPatternBase[L].y};
            int nd = pHatch->pDashes && pHatch->pDashes[L] ? std::max(0, pHatch->pDashCounts[L]) : 0;
            const double* dashes = nd ? pHatch->pDashes[L] : nullptr;
            double sum = 0;
            for (int j = 0; j < nd; ++j) sum += std::fabs(dashes[j]);
            if (!(sum > 0) || !std::isfinite(sum)) nd = 0; // dashes of no length draw solid

            // The distance between neighbouring lines; a family whose
            // offset runs along its own direction has none.
            const double perp = Oy * c - Ox * s;
            if (std::fabs(perp) < 0.1 * std::max(Ox, Oy) || perp == 0 || !std::isfinite(perp)) continue;

            // The line of the family through the box corner it starts
            // from (one offset before it), its dashes in step with the base
            // point.
            const double cornerX = Ox >= 0 ? minX : maxX, cornerY = Oy >= 0 ? minY : maxY;
            const double dx = B.x - (cornerX - Ox), dy = B.y - (cornerY - Oy);
            double shiftX = 0, shiftY = 0;
            if (std::fabs(Ox * s) < std::fabs(Oy * c)) {
                if (std::fabs(c) > 0.01) shiftY = s * W / c;
            } else {
                if (std::fabs(s) > 0.01) shiftX = c * std::fabs(H) / s;
            }
            const double dx2 = dx + shiftX, dy2 = dy + shiftY;
            const double k = std::trunc((dx2 * s - dy2 * c) / perp);
            double along = (dy2 * Ox - dx2 * Oy) / perp;
            if (nd > 0)
                along = along >= 0 ? std::trunc((along + sum / 2) / sum) * sum
                                   : std::trunc((along - sum / 2) / sum) * sum;
            WorldPt S{B.x + k * Ox + along * c, B.y + k * Oy + along * s};
            StepBack(
                S, Ox, Oy,
                [&](const WorldPt& p) { return (Ox > 0.1 && p.x > minX) || (Ox < -0.1 && p.x < maxX); },
                [&](const WorldPt& p) { return (p.x - (Ox > 0 ? minX : maxX)) / Ox; });
            StepBack(
                S, Ox, Oy,
                [&](const WorldPt& p) { return (Oy > 0.1 && p.y > minY) || (Oy < -0.1 && p.y < maxY); },
                [&](const WorldPt& p) { return (p.y - (Oy > 0 ? minY : maxY)) / Oy; });
            double m = 1;
            if (std::fabs(Ox) > 0.1) m = std::max(m, std::fabs(std::trunc((2 * std::fabs(shiftX) + W) / Ox)));
            if (std::fabs(Oy) > 0.1) m = std::max(m, std::fabs(std::trunc((2 * std::fabs(shiftY) + H) / Oy)));
            const double lines = m + 4;

            // Only the lines that cross where lines can be seen, and no
            // two closer than half a pixel.
            const DevPt dirDev = linear(c, s), offDev = linear(Ox, Oy);
            const double dirLen = std::hypot(dirDev.x, dirDev.y);
            if (!(dirLen > 0) || !std::isfinite(dirLen)) continue;
            const double nx = -dirDev.y / dirLen, ny = dirDev.x / dirLen;
            const double spacing = offDev.x * nx + offDev.y * ny;
            if (spacing == 0 || !std::isfinite(spacing)) continue;
            const DevPt sDev = v.MapExact(S.x, S.y, t);
            const double s0 = sDev.x * nx + sDev.y * ny;
            double dLo = INFINITY, dHi = -INFINITY;
            for (const auto& [x, y] :
                 {std::pair{rl, rt}, std::pair{rr, rt}, std::pair{rl, rb}, std::pair{rr, rb}}) {
                dLo = std::min(dLo, x * nx + y * ny);
                dHi = std::max(dHi, x * nx + y * ny);
            }
            double jLo = (dLo - s0) / spacing, jHi = (dHi - s0) / spacing;
            if (jLo > jHi) std::swap(jLo, jHi);
            jLo = std::max(std::ceil(jLo - 1), 0.0);
            jHi = std::min(std::floor(jHi + 1), lines - 1);
            if (!(jLo <= jHi)) continue;
            const double stride = std::fabs(spacing) < 0.5 ? std::ceil(0.5 / std::fabs(spacing)) : 1.0;
            // Dashes closer than a pixel draw the line solid.
            if (nd > 0 && !(sum * dirLen >= 1.0)) nd = 0;
            const double reps = nd > 0 ? std::trunc(diag / sum) + 5 : 0;

            for (double j = jLo; j <= jHi; j += stride) {
                const WorldPt P{S.x + j * Ox, S.y + j * Oy};
                if (nd == 0) {
                    out.MoveTo({P.x + diag * c, P.y + diag * s});
                    out.LineTo({P.x - diag * c, P.y - diag * s});
                    continue;
                }
                // From before the box in the direction of travel, one
                // pattern further back still.
                WorldPt Q = P;
                auto before = [&](const WorldPt& q) {
                    return (std::fabs(c) > 0.1 && (c > 0 ? q.x < minX : q.x > maxX)) ||
                           (std::fabs(s) > 0.1 && (s > 0 ? q.y < minY : q.y > maxY));
                };
                StepBack(
                    Q, sum * c, sum * s, [&](const WorldPt& q) { return !before(q); },
                    [&](const WorldPt& q) {
                        return std::fabs(c) > 0.1 ? (q.x - (c > 0 ? minX : maxX)) / (sum * c)
                                                  : (q.y - (s > 0 ? minY : maxY)) / (sum * s);
                    });
                Q.x -= sum * c;
                Q.y -= sum * s;
                out.MoveTo(Q);
                // The stretch of this line where it can be seen, as
                // distances from Q along it.
                const DevPt qDev = v.MapExact(Q.x, Q.y, t);
                const double span = reps * sum;
                double w0, w1;
                if (!ClipSegment(qDev.x, qDev.y, qDev.x + dirDev.x * span, qDev.y + dirDev.y * span, rl, rt,
                                 rr, rb, w0, w1))
                    continue;
                const double wLo = w0 * span, wHi = w1 * span;
                WorldPt cur = Q;
                double w = 0;
                for (double r = 0; r < reps; ++r) {
                    if (w > wHi) break;
                    if (wLo - w > 2 * sum) { // whole patterns before the visible stretch
                        const double skip = std::floor((wLo - w) / sum) - 1;
                        w += skip * sum;
                        r += skip;
                        cur = {Q.x + w * c, Q.y + w * s};
                    }
                    for (int jd = 0; jd < nd; ++jd) {
                        const double len = std::fabs(dashes[jd]);
                        const WorldPt e{cur.x + len * c, cur.y + len * s};
                        const bool beyond = (cur.x < minX && e.x < minX) || (cur.x > maxX && e.x > maxX) ||
                                            (cur.y < minY && e.y < minY) || (cur.y > maxY && e.y > maxY);
                        if (!beyond) {
                            if (dashes[jd] >= 0)
                                out.LineTo(e);
                            else
                                out.MoveTo(e);
                        }
                        cur = e;
                        w += len;
                    }
                }
            }
        }
        pDC->SelectObject(oldPen);
    }

    // Back to the view as the clip.
    CRgn view;
    view.CreateRectRgn(d.left, d.top, d.right, d.bottom);
    pDC->SelectClipRgn(&view);
    view.DeleteObject();
    region.DeleteObject();
}
