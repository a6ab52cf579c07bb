// The geometric entities: lines, points, circles, arcs and ellipses,
// solids and faces, splines, and polylines (with bulges, widths, meshes).
//
// Each is drawn in the DC's pen (and brush, for what is filled), its points
// placed by the block transform. Figures that the transform keeps upright
// (no turn, no mirror) use GDI's ellipse and arc; the others go through
// their mapped points, a third of a pixel from the curve. A line type with
// a pattern is walked along lines, arcs and polylines (continuing over a
// polyline's vertices); a pattern that repeats within 5 pixels, or is
// longer than the figure, draws solid.
//
// Wide polylines (LWPOLYLINE 43, 40/41 per vertex; POLYLINE 40/41) are
// filled bands: each segment a quadrilateral (an annular piece for an
// arc), tapering from its start width to its end width, joined to the next
// by a mitre (a bevel where the mitre would reach more than twice the
// width). A band thinner than 1.5 pixels is drawn as a line.
#include "dxf/dxf_geometry.h"
#include "dxf/dxf_paint_internal.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <type_traits>
#include <utility>
#include <vector>

namespace dxf_paint {

namespace {

constexpr double kFullTurn = dxf_geom::kTwoPi;

// A world polyline through at(i), i = 0 .. n − 1, placed by t.
template <class PointAt>
void WorldPolyline(const Context& ctx, CDC* dc, int n, const DxfTransform& t, PointAt&& at) {
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

// Whether a figure of length U (entity units) is drawn with its line
// type's dashes. The length is asked for last: measuring curves is costly
// and most figures are continuous.
template <class Length>
bool Dashed(const Context& ctx, const Look& look, Length&& U, const DxfTransform& t) {
    const DXFLTYPE* lt = look.lineType;
    if (!lt || lt->dPatternLength == 0 || lt->nDashes <= 0) return false;
    const double P = look.ltScale * lt->dPatternLength;
    if (!(P * ctx.view.Scale() * t.MaxScale() >= 5.0)) return false;
    if constexpr (std::is_invocable_v<Length>)
        return P <= U();
    else
        return P <= U;
}

// A chain of entity points walked by the pattern, continuing from one
// segment to the next.
class DashWalker {
public:
    DashWalker(Context& ctx, CDC* dc, const Look& look, const DxfTransform& t, int pass)
        : m_ctx(ctx), m_dc(dc), m_look(look), m_t(t), m_pass(pass) {}
    void Segment(double x1, double y1, double x2, double y2, double ltScale) {
        DxfDrawDashedLine(m_ctx.d, m_dc, m_look.lineType, x1, y1, x2, y2, m_look.colour, ltScale, m_phase,
                          m_t, m_ctx.outline, m_pass);
        m_phase =
            std::fmod(m_phase + std::hypot(x2 - x1, y2 - y1), ltScale * m_look.lineType->dPatternLength);
    }

private:
    Context& m_ctx;
    CDC* m_dc;
    const Look& m_look;
    const DxfTransform& m_t;
    int m_pass;
    double m_phase = 0;
};

void LineOnce(Context& ctx, CDC* dc, const DXFLINE& e, const Look& look, const DxfTransform& t, int pass) {
    const View& v = ctx.view;
    double x1 = e.ptStart.x, y1 = e.ptStart.y, x2 = e.ptEnd.x, y2 = e.ptEnd.y;
    const double length = std::hypot(x2 - x1, y2 - y1);
    if (!Dashed(ctx, look, length, t)) {
        DeviceLine(ctx.d, dc, look.colour, v.Map(x1, y1, t), v.Map(x2, y2, t), ctx.outline, pass);
        return;
    }
    const DXFLTYPE* lt = look.lineType;
    const double P = look.ltScale * lt->dPatternLength;
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
        DeviceLine(ctx.d, dc, look.colour, v.Map(x1, y1, t), v.Map(ax, ay, t), ctx.outline, pass);
        DeviceLine(ctx.d, dc, look.colour, v.Map(bx, by, t), v.Map(x2, y2, t), ctx.outline, pass);
    }
    DxfDrawDashedLine(ctx.d, dc, lt, ax, ay, bx, by, look.colour, look.ltScale,
                      std::fabs(lt->dDashes[0] * look.ltScale) / 2, t, ctx.outline, pass);
}

// An elliptic arc c + u·cos s + v·sin s for s from a0 through sweep
// (radians, positive): CIRCLE, ARC and ELLIPSE.
struct Conic {
    double cx, cy, ux, uy, vx, vy, a0, sweep;
    bool full;
    void At(double ca, double sa, double& x, double& y) const {
        x = cx + ux * ca + vx * sa;
        y = cy + uy * ca + vy * sa;
    }
    // Length in entity units.
    double Length() const {
        if (full && uy == 0 && vx == 0 && std::fabs(ux) == std::fabs(vy)) return kFullTurn * std::fabs(ux);
        double U = 0, px, py;
        At(std::cos(a0), std::sin(a0), px, py);
        for (int i = 1; i <= 100; ++i) {
            const double s = a0 + sweep * i / 100;
            double qx, qy;
            At(std::cos(s), std::sin(s), qx, qy);
            U += std::hypot(qx - px, qy - py);
            px = qx;
            py = qy;
        }
        return U;
    }
};

void ConicOnce(Context& ctx, CDC* dc, const Conic& c, const Look& look, const DxfTransform& t, bool dashed,
               int pass) {
    const View& v = ctx.view;
    const double reach = std::fmax(std::hypot(c.ux, c.uy), std::hypot(c.vx, c.vy)) * t.MaxScale() * v.Scale();
    if (!dashed) {
        // Upright, with its axes along x and y and running counter-clockwise:
        // GDI's figures.
        if (t.Upright() && c.uy == 0 && c.vx == 0 && c.ux > 0 && c.vy > 0) {
            const DevPt lt = v.Map(c.cx - c.ux, c.cy + c.vy, t), rb = v.Map(c.cx + c.ux, c.cy - c.vy, t);
            if (c.full) {
                const DevPt p = v.Map(c.cx - c.ux, c.cy - c.vy, t), q = v.Map(c.cx + c.ux, c.cy + c.vy, t);
                if (Near(p) && Near(q)) {
                    dc->Ellipse(I(p.x), I(p.y), I(q.x), I(q.y));
                    return;
                }
            } else {
                double sx, sy, fx, fy;
                c.At(std::cos(c.a0), std::sin(c.a0), sx, sy);
                c.At(std::cos(c.a0 + c.sweep), std::sin(c.a0 + c.sweep), fx, fy);
                const DevPt s = v.Map(sx, sy, t), f = v.Map(fx, fy, t);
                if (Near(lt) && Near(rb) && Near(s) && Near(f)) {
                    dc->Arc(I(lt.x), I(lt.y), I(rb.x), I(rb.y), I(s.x), I(s.y), I(f.x), I(f.y));
                    return;
                }
            }
        }
        DevicePen pen(dc);
        SweepAngles(c.a0, c.sweep, ArcSegments(reach, c.sweep), [&](int i, double ca, double sa) {
            double x, y;
            c.At(ca, sa, x, y);
            const DevPt p = v.Map(x, y, t);
            if (i == 0)
                pen.MoveTo(p);
            else
                pen.LineTo(p);
        });
        return;
    }
    // A whole number of patterns round a closed figure, on chords of at
    // least five pixels (between 8 and 100 of them).
    const double U = c.Length();
    const double P = look.ltScale * look.lineType->dPatternLength;
    const double ltScale = c.full ? U / std::ceil(U / P) / look.lineType->dPatternLength : look.ltScale;
    const double chords = std::ceil(U * t.MaxScale() * v.Scale() / 5.0);
    const int n = std::isfinite(chords) ? static_cast<int>(std::clamp(chords, 8.0, 100.0)) : 8;
    DashWalker walk(ctx, dc, look, t, pass);
    double px, py;
    c.At(std::cos(c.a0), std::sin(c.a0), px, py);
    for (int i = 1; i <= n; ++i) {
        const double s = c.a0 + c.sweep * i / n;
        double qx, qy;
        c.At(std::cos(s), std::sin(s), qx, qy);
        walk.Segment(px, py, qx, qy, ltScale);
        px = qx;
        py = qy;
    }
}

void DrawConic(Context& ctx, CDC* dc, const Conic& c, const Look& look, const DxfTransform& t) {
    const View& v = ctx.view;
    const DevPt centre = v.MapExact(c.cx, c.cy, t);
    const double reach =
        std::fmax(std::hypot(c.ux, c.uy), std::hypot(c.vx, c.vy)) * t.MaxScale() * v.Scale() + 2;
    if (!v.Visible(centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach)) return;
    if (!std::isfinite(c.sweep)) return;
    if (Dashed(ctx, look, [&] { return c.Length(); }, t)) {
        ConicOnce(ctx, dc, c, look, t, true, 1);
        if (ctx.outline) ConicOnce(ctx, dc, c, look, t, true, 2);
        return;
    }
    TwoPasses(ctx, dc, true, [&](CDC* target, int pass) { ConicOnce(ctx, target, c, look, t, false, pass); });
}

// --- polylines --------------------------------------------------------------

// One segment of a polyline in entity units: straight, or the arc of its
// bulge.
struct Segment {
    const DXFVERTEX* from;
    const DXFVERTEX* to;
    bool arc;
    dxf_geom::BulgeArc a;
};

template <class Visit> void ForEachSegment(const DXFPOLYLINE& e, Visit&& visit) {
    const int n = e.nVertices;
    const int segments = (e.wFlags & 1) && n > 1 ? n : n - 1;
    for (int i = 0; i < segments; ++i) {
        Segment s{&e.pVertices[i], &e.pVertices[(i + 1) % n], false, {}};
        s.arc = dxf_geom::ArcOfBulge(s.from->x, s.from->y, s.to->x, s.to->y, s.from->dBulge, s.a);
        visit(s, i);
    }
}

// The polyline as lines and arcs through the DC (both passes take this).
void ThinPolyline(const Context& ctx, CDC* dc, const DXFPOLYLINE& e, COLORREF colour, const DxfTransform& t) {
    const View& v = ctx.view;
    DevicePen pen(dc);
    bool straight = false;
    ForEachSegment(e, [&](const Segment& s, int) {
        if (!s.arc) {
            if (!straight) pen.MoveTo(v.Map(s.from->x, s.from->y, t));
            pen.LineTo(v.Map(s.to->x, s.to->y, t));
            straight = true;
            return;
        }
        straight = false;
        // GDI runs counter-clockwise from A to B: from the start for a
        // positive bulge, from the end for a negative one.
        const DXFVERTEX& A = s.a.sweep > 0 ? *s.from : *s.to;
        const DXFVERTEX& B = s.a.sweep > 0 ? *s.to : *s.from;
        const DevPt a = v.Map(A.x, A.y, t), b = v.Map(B.x, B.y, t);
        if (a.x == b.x && a.y == b.y) {
            if (Near(a)) dc->SetPixel(I(a.x), I(a.y), colour);
            return;
        }
        if (t.Upright()) {
            const double r = s.a.r;
            const DevPt lt = v.Map(s.a.cx - r, s.a.cy + r, t), rb = v.Map(s.a.cx + r, s.a.cy - r, t);
            if (Near(lt) && Near(rb) && Near(a) && Near(b)) {
                dc->Arc(I(lt.x), I(lt.y), I(rb.x), I(rb.y), I(a.x), I(a.y), I(b.x), I(b.y));
                return;
            }
        }
        const double reach = s.a.r * t.MaxScale() * v.Scale();
        DevicePen arcPen(dc);
        SweepAngles(s.a.a0, s.a.sweep, ArcSegments(reach, std::fabs(s.a.sweep)),
                    [&](int i, double ca, double sa) {
                        const DevPt p = v.Map(s.a.cx + s.a.r * ca, s.a.cy + s.a.r * sa, t);
                        if (i == 0)
                            arcPen.MoveTo(p);
                        else
                            arcPen.LineTo(p);
                    });
    });
}

void DashedPolyline(Context& ctx, CDC* dc, const DXFPOLYLINE& e, const Look& look, const DxfTransform& t,
                    int pass) {
    DashWalker walk(ctx, dc, look, t, pass);
    const double scale = t.MaxScale() * ctx.view.Scale();
    ForEachSegment(e, [&](const Segment& s, int) {
        if (!s.arc) {
            walk.Segment(s.from->x, s.from->y, s.to->x, s.to->y, look.ltScale);
            return;
        }
        const int n = ArcSegments(s.a.r * scale, std::fabs(s.a.sweep));
        double px = s.from->x, py = s.from->y;
        for (int i = 1; i <= n; ++i) {
            const double ang = s.a.a0 + s.a.sweep * i / n;
            const double qx = i == n ? s.to->x : s.a.cx + s.a.r * std::cos(ang);
            const double qy = i == n ? s.to->y : s.a.cy + s.a.r * std::sin(ang);
            walk.Segment(px, py, qx, qy, look.ltScale);
            px = qx;
            py = qy;
        }
    });
}

double PolylineLength(const DXFPOLYLINE& e) {
    double U = 0;
    ForEachSegment(e, [&](const Segment& s, int) {
        U += s.arc ? std::fabs(s.a.r * s.a.sweep) : std::hypot(s.to->x - s.from->x, s.to->y - s.from->y);
    });
    return U;
}

// The filled band of a wide polyline: one polygon per segment and one per
// join, in entity units, placed by t.
void WideBand(const Context& ctx, CDC* dc, const DXFPOLYLINE& e, const DxfTransform& t) {
    const View& v = ctx.view;
    struct Edge {
        // The band's ends: left and right of the start and of the end, and
        // the directions of travel there.
        double slx, sly, srx, sry, elx, ely, erx, ery;
        double sdx, sdy, edx, edy;
        double sw, ew;
        bool ok;
    };
    std::vector<Edge> edges;
    auto polygon = [&](std::initializer_list<std::pair<double, double>> pts) {
        std::vector<DevPt> dev;
        for (const auto& [x, y] : pts) dev.push_back(v.Map(x, y, t));
        DevicePolygon(dc, dev);
    };
    const double scale = t.MaxScale() * v.Scale();
    ForEachSegment(e, [&](const Segment& s, int) {
        const double w0 = s.from->dStartWidth / 2, w1 = s.from->dEndWidth / 2;
        Edge ed{};
        ed.sw = w0;
        ed.ew = w1;
        if (!s.arc) {
            const double dx = s.to->x - s.from->x, dy = s.to->y - s.from->y, len = std::hypot(dx, dy);
            if (!(len > 0)) {
                edges.push_back(ed);
                return;
            }
            const double nx = -dy / len, ny = dx / len;
            ed = {s.from->x + nx * w0,
                  s.from->y + ny * w0,
                  s.from->x - nx * w0,
                  s.from->y - ny * w0,
                  s.to->x + nx * w1,
                  s.to->y + ny * w1,
                  s.to->x - nx * w1,
                  s.to->y - ny * w1,
                  dx / len,
                  dy / len,
                  dx / len,
                  dy / len,
                  w0,
                  w1,
                  true};
            polygon({{ed.slx, ed.sly}, {ed.elx, ed.ely}, {ed.erx, ed.ery}, {ed.srx, ed.sry}});
            edges.push_back(ed);
            return;
        }
        // An arc: the outer and inner arcs, the width changing evenly along
        // the sweep. Left of travel is inward for a counter-clockwise arc.
        const dxf_geom::BulgeArc& a = s.a;
        const double dir = a.sweep > 0 ? 1.0 : -1.0;
        const int n = ArcSegments((a.r + std::fmax(w0, w1)) * scale, std::fabs(a.sweep));
        std::vector<DevPt> dev;
        dev.reserve(2 * static_cast<std::size_t>(n) + 2);
        for (int side : {1, -1}) {
            for (int k = 0; k <= n; ++k) {
                const int i = side > 0 ? k : n - k;
                const double ang = a.a0 + a.sweep * i / n, w = w0 + (w1 - w0) * i / n;
                const double r = a.r - side * dir * w;
                dev.push_back(v.Map(a.cx + r * std::cos(ang), a.cy + r * std::sin(ang), t));
            }
        }
        DevicePolygon(dc, dev);
        const double c0 = std::cos(a.a0), s0 = std::sin(a.a0), c1 = std::cos(a.a0 + a.sweep),
                     s1 = std::sin(a.a0 + a.sweep);
        const double rl0 = a.r - dir * w0, rr0 = a.r + dir * w0, rl1 = a.r - dir * w1, rr1 = a.r + dir * w1;
        ed = {a.cx + rl0 * c0,
              a.cy + rl0 * s0,
              a.cx + rr0 * c0,
              a.cy + rr0 * s0,
              a.cx + rl1 * c1,
              a.cy + rl1 * s1,
              a.cx + rr1 * c1,
              a.cy + rr1 * s1,
              -s0 * dir,
              c0 * dir,
              -s1 * dir,
              c1 * dir,
              w0,
              w1,
              true};
        edges.push_back(ed);
    });
    // Joins: where a segment ends and the next starts, each side's gap is
    // filled up to the mitre point of the two edges.
    const std::size_t n = edges.size();
    const std::size_t joins = (e.wFlags & 1) ? n : (n > 0 ? n - 1 : 0);
    for (std::size_t i = 0; i < joins; ++i) {
        const Edge& p = edges[i];
        const Edge& q = edges[(i + 1) % n];
        if (!p.ok || !q.ok || !(p.ew > 0) || !(q.sw > 0)) continue;
        const DXFVERTEX& vx = e.pVertices[(i + 1) % static_cast<std::size_t>(e.nVertices)];
        for (int side = 0; side < 2; ++side) {
            const double ax = side ? p.erx : p.elx, ay = side ? p.ery : p.ely;
            const double bx = side ? q.srx : q.slx, by = side ? q.sry : q.sly;
            // ax + p.ed·u = bx − q.sd·w: the edges' meeting point.
            const double den = p.edx * q.sdy - p.edy * q.sdx;
            double mx = 0, my = 0;
            bool mitre = false;
            if (std::fabs(den) > 1e-12) {
                const double u = ((bx - ax) * q.sdy - (by - ay) * q.sdx) / den;
                mx = ax + p.edx * u;
                my = ay + p.edy * u;
                mitre = std::hypot(mx - vx.x, my - vx.y) <= 2 * std::fmax(p.ew, q.sw);
            }
            if (mitre)
                polygon({{vx.x, vx.y}, {ax, ay}, {mx, my}, {bx, by}});
            else
                polygon({{vx.x, vx.y}, {ax, ay}, {bx, by}});
        }
    }
}

bool HasWidth(const DXFPOLYLINE& e, double& widest) {
    widest = 0;
    for (int i = 0; i < e.nVertices; ++i)
        widest = std::fmax(
            widest, std::fmax(std::fabs(e.pVertices[i].dStartWidth), std::fabs(e.pVertices[i].dEndWidth)));
    return widest > 0 && std::isfinite(widest);
}

// A polygon mesh: M rows of N vertices, lines along both.
void MeshLines(const Context& ctx, CDC* dc, const DXFPOLYLINE& e, const DxfTransform& t) {
    const long M = e.nMeshM, N = e.nMeshN;
    if (M < 1 || N < 1 || M * N > e.nVertices) {
        WorldPolyline(ctx, dc, e.nVertices, t, [&](int i) {
            return std::pair{e.pVertices[i].x, e.pVertices[i].y};
        });
        return;
    }
    const DXFVERTEX* p = e.pVertices;
    for (long m = 0; m < M; ++m) {
        const int n = static_cast<int>(N + ((e.wFlags & 32) ? 1 : 0));
        WorldPolyline(ctx, dc, n, t, [&](int i) {
            const DXFVERTEX& q = p[m * N + i % N];
            return std::pair{q.x, q.y};
        });
    }
    for (long k = 0; k < N; ++k) {
        const int n = static_cast<int>(M + ((e.wFlags & 1) ? 1 : 0));
        WorldPolyline(ctx, dc, n, t, [&](int i) {
            const DXFVERTEX& q = p[(i % M) * N + k];
            return std::pair{q.x, q.y};
        });
    }
}

// A polyface mesh: its point vertices, then faces naming up to four of
// them (from 1; a negative number hides the edge that starts there).
void PolyfaceEdges(const Context& ctx, CDC* dc, const DXFPOLYLINE& e, const DxfTransform& t) {
    std::vector<const DXFVERTEX*> points;
    for (int i = 0; i < e.nVertices; ++i)
        if ((e.pVertices[i].nFlags & 192) != 128) points.push_back(&e.pVertices[i]);
    DevicePen pen(dc);
    for (int i = 0; i < e.nVertices; ++i) {
        const DXFVERTEX& f = e.pVertices[i];
        if ((f.nFlags & 192) != 128) continue;
        int idx[4], k = 0;
        for (int j = 0; j < 4; ++j)
            if (f.nFace[j] != 0) idx[k++] = f.nFace[j];
        for (int j = 0; j < k; ++j) {
            const int a = idx[j], b = idx[(j + 1) % k];
            if (a < 0) continue;
            const std::size_t ia = static_cast<std::size_t>(a) - 1,
                              ib = static_cast<std::size_t>(std::abs(b)) - 1;
            if (ia >= points.size() || ib >= points.size()) continue;
            pen.MoveTo(ctx.view.Map(points[ia]->x, points[ia]->y, t));
            pen.LineTo(ctx.view.Map(points[ib]->x, points[ib]->y, t));
        }
    }
}

} // namespace

int ArcSegments(double r, double sweep) {
    constexpr double kFlatness = 1.0 / 3.0;
    if (!(r > kFlatness) || !std::isfinite(r) || !std::isfinite(sweep)) return 4;
    const double n = std::ceil(std::fabs(sweep) / (2.0 * std::acos(1.0 - kFlatness / r)));
    return static_cast<int>(std::clamp(n, 4.0, 16384.0));
}

void DevicePolygon(CDC* dc, const std::vector<DevPt>& points) {
    std::vector<QPointF> corners;
    corners.reserve(points.size());
    bool near = true;
    for (const DevPt& p : points) {
        if (!Finite(p)) return;
        near = near && Near(p);
        corners.emplace_back(p.x, p.y);
    }
    if (!near) corners = ClipPolygon(corners, QRectF(QPointF(-kFar, -kFar), QPointF(kFar, kFar)));
    std::vector<POINT> pts;
    pts.reserve(corners.size());
    for (const QPointF& p : corners) pts.push_back({I(p.x()), I(p.y())});
    if (pts.size() >= 3) dc->Polygon(pts.data(), static_cast<int>(pts.size()));
}

void DrawLineShape(Context& ctx, CDC* dc, const DXFLINE& e, const Look& look, const DxfTransform& t) {
    LineOnce(ctx, dc, e, look, t, 1);
    if (ctx.outline) LineOnce(ctx, dc, e, look, t, 2);
}

void DrawPointShape(Context& ctx, CDC* dc, const DXFPOINT& e, const Look& look, const DxfTransform& t) {
    const DevPt p = ctx.view.Map(e.pt.x, e.pt.y, t);
    if (!Near(p)) return;
    const int mode = ctx.d->nPdMode;
    const double r = ctx.pointSize / 2;
    if ((mode & 7) == 0 || r < 1) {
        if ((mode & 7) != 1) dc->SetPixel(I(p.x), I(p.y), look.colour);
        if (r < 1) return;
    }
    auto line = [&](double x1, double y1, double x2, double y2) {
        DeviceLine(ctx.d, dc, look.colour, {std::trunc(p.x + x1), std::trunc(p.y + y1)},
                   {std::trunc(p.x + x2), std::trunc(p.y + y2)}, nullptr, 1);
    };
    switch (mode & 7) {
    case 2:
        line(-r, 0, r, 0);
        line(0, -r, 0, r);
        break;
    case 3:
        line(-r, -r, r, r);
        line(-r, r, r, -r);
        break;
    case 4:
        line(0, 0, 0, -r);
        break;
    default:
        break;
    }
    if (mode & 32) {
        const double cr = r / 2;
        dc->Ellipse(I(p.x - cr), I(p.y - cr), I(p.x + cr), I(p.y + cr));
    }
    if (mode & 64) {
        const double h = r / 2;
        line(-h, -h, h, -h);
        line(h, -h, h, h);
        line(h, h, -h, h);
        line(-h, h, -h, -h);
    }
}

void DrawCircleShape(Context& ctx, CDC* dc, const DXFCIRCLE& e, const Look& look, const DxfTransform& t) {
    DrawConic(ctx, dc, {e.ptCenter.x, e.ptCenter.y, e.dRadius, 0, 0, e.dRadius, 0, kFullTurn, true}, look, t);
}

void DrawArcShape(Context& ctx, CDC* dc, const DXFARC& e, const Look& look, const DxfTransform& t) {
    const double a0 = e.dStartAngle * DxfTransform::kDegToRad, a1 = e.dEndAngle * DxfTransform::kDegToRad;
    DrawConic(ctx, dc,
              {e.ptCenter.x, e.ptCenter.y, e.dRadius, 0, 0, e.dRadius, a0, dxf_geom::SweepCcw(a0, a1), false},
              look, t);
}

void DrawEllipseShape(Context& ctx, CDC* dc, const DXFELLIPSE& e, const DXFCOORD& extrusion, const Look& look,
                      const DxfTransform& t) {
    double vx, vy;
    dxf_geom::EllipseMinorAxis(e, extrusion, vx, vy);
    const bool full = dxf_geom::FullEllipse(e);
    DrawConic(ctx, dc,
              {e.ptCenter.x, e.ptCenter.y, e.ptMajor.x, e.ptMajor.y, vx, vy, full ? 0.0 : e.dStartParam,
               full ? kFullTurn : dxf_geom::SweepCcw(e.dStartParam, e.dEndParam), full},
              look, t);
}

void DrawSolidShape(Context& ctx, CDC* dc, const DXFSOLID& e, const DxfTransform& t) {
    TwoPasses(ctx, dc, false, [&](CDC* target, int) {
        std::vector<DevPt> corners;
        for (const int i : {0, 1, 3, 2}) corners.push_back(ctx.view.Map(e.pt[i].x, e.pt[i].y, t));
        DevicePolygon(target, corners);
    });
}

void DrawFaceShape(Context& ctx, CDC* dc, const DXFSOLID& e, int hiddenEdges, const DxfTransform& t) {
    TwoPasses(ctx, dc, false, [&](CDC* target, int) {
        DevicePen pen(target);
        for (int i = 0; i < 4; ++i) {
            if (hiddenEdges & (1 << i)) continue;
            const DXFCOORD& a = e.pt[i];
            const DXFCOORD& b = e.pt[(i + 1) % 4];
            if (a.x == b.x && a.y == b.y) continue;
            pen.MoveTo(ctx.view.Map(a.x, a.y, t));
            pen.LineTo(ctx.view.Map(b.x, b.y, t));
        }
    });
}

void DrawSplineShape(Context& ctx, CDC* dc, const DXFSPLINE& e, const Look& look, const DxfTransform& t) {
    if (e.nControlPts < 0) return;
    const bool control = e.nControlPts > 0 && e.pControlPts;
    const DXFCOORD* pts = control ? e.pControlPts : (e.nFitPts > 0 ? e.pFitPts : nullptr);
    const int count = control ? e.nControlPts : (pts ? e.nFitPts : 0);
    // Samples a few pixels apart along the control (or fit) polygon, which
    // is at least as long as the curve.
    double length = 0;
    for (int i = 1; i < count; ++i) length += std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
    const double wanted = std::ceil(length * t.MaxScale() * ctx.view.Scale() / 3);
    const int samples = std::isfinite(wanted) ? static_cast<int>(std::clamp(wanted, 64.0, 16384.0)) : 64;
    const std::vector<DxfPlanePoint> curve = DxfEvaluateSpline(&e, std::max(samples, 2 * count));
    const int n = curve.empty() ? count : static_cast<int>(curve.size());
    auto at = [&](int i) {
        return curve.empty()
                   ? std::pair{pts[i].x, pts[i].y}
                   : std::pair{curve[static_cast<std::size_t>(i)].x, curve[static_cast<std::size_t>(i)].y};
    };
    double U = 0;
    for (int i = 1; i < n; ++i) {
        const auto [ax, ay] = at(i - 1);
        const auto [bx, by] = at(i);
        U += std::hypot(bx - ax, by - ay);
    }
    if (Dashed(ctx, look, U, t)) {
        for (int pass = 1; pass <= (ctx.outline ? 2 : 1); ++pass) {
            DashWalker walk(ctx, dc, look, t, pass);
            for (int i = 1; i < n; ++i) {
                const auto [ax, ay] = at(i - 1);
                const auto [bx, by] = at(i);
                walk.Segment(ax, ay, bx, by, look.ltScale);
            }
        }
        return;
    }
    TwoPasses(ctx, dc, false, [&](CDC* target, int) { WorldPolyline(ctx, target, n, t, at); });
}

void DrawPolylineShape(Context& ctx, CDC* dc, const DXFPOLYLINE& e, const Look& look, const DxfTransform& t) {
    if (e.nVertices <= 0 || !e.pVertices) return;
    if (e.wFlags & 16) {
        TwoPasses(ctx, dc, true, [&](CDC* target, int) { MeshLines(ctx, target, e, t); });
        return;
    }
    if (e.wFlags & 64) {
        TwoPasses(ctx, dc, true, [&](CDC* target, int) { PolyfaceEdges(ctx, target, e, t); });
        return;
    }
    double widest;
    if (HasWidth(e, widest) && widest * t.MaxScale() * ctx.view.Scale() >= 1.5) {
        CBrush brush(look.colour);
        CBrush* old = dc->SelectObject(&brush);
        TwoPasses(ctx, dc, false, [&](CDC* target, int) { WideBand(ctx, target, e, t); });
        dc->SelectObject(old);
        return;
    }
    if (Dashed(ctx, look, [&] { return PolylineLength(e); }, t)) {
        DashedPolyline(ctx, dc, e, look, t, 1);
        if (ctx.outline) DashedPolyline(ctx, dc, e, look, t, 2);
        return;
    }
    TwoPasses(ctx, dc, true, [&](CDC* target, int) { ThinPolyline(ctx, target, e, look.colour, t); });
}

} // namespace dxf_paint
