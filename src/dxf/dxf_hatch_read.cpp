// The HATCH reader.
//
// A HATCH gives, in this order: its elevation point (10/20/30, only z
// used), pattern name (2), solid fill flag (70), associativity (71), the
// number of boundary paths (91) and the paths, then the style (75),
// pattern type (76), angle (52), scale (41), double flag (77), the pattern
// line families (78, then 53 43 44 45 46 79 49... each), pixel size (47)
// and seed points (98, then 10/20 each). Codes mean different things in
// each part (10 is the elevation, a path's vertex, an edge's start or
// centre, a spline's control point or a seed point), so the reader keeps
// track of the part it is in.
//
// A path starts with its flags (92). With flag 2 it is a polyline: 72 says
// whether it has bulges, 73 whether it is closed (it is closed either
// way), 93 its vertex count, then 10/20 (42) per vertex. Otherwise 93
// counts its edges, each starting with its type (72): 1 a line (10/20 to
// 11/21), 2 a circular arc (centre 10/20, radius 40, angles 50/51 in
// degrees, 73 counter-clockwise), 3 an elliptic arc (centre 10/20, major
// axis 11/21, minor-to-major ratio 40, angles 50/51, 73 counter-clockwise),
// 4 a spline (degree 94, rational 73, periodic 74, 95 knots (40), 96
// control points (10/20, with 42 weights), 97 fit points (11/21), tangents
// 12/22 and 13/23). A clockwise arc's angles are written as 360° less the
// angles it runs between. The path ends with its source boundary objects
// (97, then 330s).
#include "dxf/dxf_heap.h"
#include "dxf/dxf_paint.h"
#include "dxf/dxf_reader_internal.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
// Points a hatch may hold, all its paths together; the rest are dropped.
constexpr std::size_t kMaxHatchPoints = std::size_t{1} << 20;
// Points along an elliptic edge per full turn, and along a spline edge per
// control point.
constexpr int kEllipsePoints = 64;
constexpr int kSplinePointsPerControl = 8;

struct Edge {
    int type = 0;
    double x10 = 0, y10 = 0, x11 = 0, y11 = 0, r40 = 0, a50 = 0, a51 = 0;
    int ccw = 1;
    // A spline edge.
    int degree = 0;
    std::vector<float> knots;
    std::vector<DXFCOORD> control, fit;
    std::vector<double> weights;
    DXFCOORD startTangent{}, endTangent{};
};

class Paths {
public:
    std::vector<std::vector<DXFVERTEX>> loops;
    std::vector<int> flags;
    bool full = false; // kMaxHatchPoints reached

    void Start(int pathFlags) {
        Finish();
        loops.emplace_back();
        flags.push_back(pathFlags);
        m_open = true;
    }
    // A polyline path's vertex.
    void Vertex(double x, double y) {
        if (m_open) Push(x, y, 0);
    }
    void Bulge(double b) {
        if (m_open && !loops.back().empty()) loops.back().back().dBulge = b;
    }
    void Add(const Edge& e) {
        if (!m_open) return;
        switch (e.type) {
        case 1:
            Join(e.x10, e.y10);
            Push(e.x10, e.y10, 0);
            End(e.x11, e.y11);
            break;
        case 2:
            Arc(e);
            break;
        case 3:
            Ellipse(e);
            break;
        case 4:
            Spline(e);
            break;
        default:
            break;
        }
    }
    // Closes the current path: its last edge's end joins its first point.
    void Finish() {
        if (!m_open) return;
        m_open = false;
        std::vector<DXFVERTEX>& l = loops.back();
        if (m_haveEnd && !l.empty() && !Same(m_endX, m_endY, l.front().x, l.front().y))
            Push(m_endX, m_endY, 0);
        m_haveEnd = false;
        if (l.size() < 2) {
            loops.pop_back();
            flags.pop_back();
        }
    }

private:
    bool m_open = false;
    bool m_haveEnd = false;
    double m_endX = 0, m_endY = 0;
    std::size_t m_points = 0;

    static bool Same(double ax, double ay, double bx, double by) {
        return std::fabs(ax - bx) <= 1e-9 * (1 + std::fabs(ax)) &&
               std::fabs(ay - by) <= 1e-9 * (1 + std::fabs(ay));
    }
    void Push(double x, double y, double bulge) {
        if (m_points >= kMaxHatchPoints) {
            full = true;
            return;
        }
        DXFVERTEX v{};
        v.x = x;
        v.y = y;
        v.dBulge = bulge;
        loops.back().push_back(v);
        ++m_points;
    }
    // An edge that does not start where the last one ended is reached by a
    // straight piece.
    void Join(double x, double y) {
        if (m_haveEnd && !Same(m_endX, m_endY, x, y)) Push(m_endX, m_endY, 0);
    }
    void End(double x, double y) {
        m_endX = x;
        m_endY = y;
        m_haveEnd = true;
    }
    // The start and end angles (radians) and the sweep, signed.
    static void Angles(const Edge& e, double& a0, double& sweep) {
        if (e.ccw) {
            a0 = e.a50 * kDeg;
            sweep = std::fmod((e.a51 - e.a50) * kDeg, 2 * M_PI);
            if (!(sweep > 1e-12)) sweep += 2 * M_PI;
        } else {
            a0 = -e.a50 * kDeg;
            sweep = -std::fmod((e.a51 - e.a50) * kDeg, 2 * M_PI);
            if (!(sweep < -1e-12)) sweep -= 2 * M_PI;
        }
    }
    void Arc(const Edge& e) {
        double a0, sweep;
        Angles(e, a0, sweep);
        if (!std::isfinite(a0) || !std::isfinite(sweep)) return;
        const double r = e.r40;
        auto at = [&](double a, double& x, double& y) {
            x = e.x10 + r * std::cos(a);
            y = e.y10 + r * std::sin(a);
        };
        // A bulge covers less than a whole turn: two halves.
        const int parts = std::fabs(sweep) > M_PI ? 2 : 1;
        double x, y;
        at(a0, x, y);
        Join(x, y);
        for (int i = 0; i < parts; ++i) {
            at(a0 + sweep * i / parts, x, y);
            Push(x, y, std::tan(sweep / parts / 4));
        }
        at(a0 + sweep, x, y);
        End(x, y);
    }
    void Ellipse(const Edge& e) {
        double a0, sweep;
        Angles(e, a0, sweep);
        const double mx = e.x11, my = e.y11, ratio = e.r40;
        if (!std::isfinite(a0) || !std::isfinite(sweep) || !(ratio > 0)) return;
        // The angles are directions from the centre; the points are at the
        // parameters whose directions they are.
        auto param = [&](double a) { return std::atan2(std::sin(a) / ratio, std::cos(a)); };
        double p0 = param(a0), p1 = param(a0 + sweep);
        double ps = sweep > 0 ? p1 - p0 : p0 - p1;
        ps = std::fmod(ps, 2 * M_PI);
        if (!(ps > 1e-12)) ps += 2 * M_PI;
        if (sweep < 0) ps = -ps;
        const int n = std::max(2, static_cast<int>(std::ceil(std::fabs(ps) / (2 * M_PI) * kEllipsePoints)));
        for (int i = 0; i <= n; ++i) {
            const double t = p0 + ps * i / n;
            const double x = e.x10 + mx * std::cos(t) - ratio * my * std::sin(t);
            const double y = e.y10 + my * std::cos(t) + ratio * mx * std::sin(t);
            if (i == 0) Join(x, y);
            if (i < n)
                Push(x, y, 0);
            else
                End(x, y);
        }
    }
    void Spline(const Edge& e) {
        DXFSPLINE s{};
        std::vector<float> knots = e.knots;
        std::vector<DXFCOORD> control = e.control, fit = e.fit;
        std::vector<double> weights = e.weights;
        s.nDegree = e.degree;
        s.pKnots = knots.data();
        s.nKnots = static_cast<int>(knots.size());
        s.pControlPts = control.data();
        s.nControlPts = static_cast<int>(control.size());
        s.pFitPts = fit.data();
        s.nFitPts = static_cast<int>(fit.size());
        s.pWeights = weights.size() == control.size() && !weights.empty() ? weights.data() : nullptr;
        s.ptStartTangent = e.startTangent;
        s.ptEndTangent = e.endTangent;
        const int per = std::max(s.nControlPts, s.nFitPts);
        const std::vector<DxfPlanePoint> pts =
            DxfEvaluateSpline(&s, std::clamp(per * kSplinePointsPerControl, 16, 4096));
        if (pts.empty()) return;
        Join(pts.front().x, pts.front().y);
        for (std::size_t i = 0; i + 1 < pts.size(); ++i) Push(pts[i].x, pts[i].y, 0);
        End(pts.back().x, pts.back().y);
    }
};

// The pattern line arrays of a hatch, all of N entries.
void FreePattern(DXFHATCH* e, int N) {
    if (e->pDashes)
        for (int i = 0; i < N; ++i) DxfHeapFree(e->pDashes[i]);
    DxfHeapFree(e->pDashes);
    DxfHeapFree(e->pDashCounts);
    DxfHeapFree(e->pPatternAngles);
    DxfHeapFree(e->pPatternBase);
    DxfHeapFree(e->pPatternOffset);
    e->pDashes = nullptr;
    e->pDashCounts = nullptr;
    e->pPatternAngles = nullptr;
    e->pPatternBase = e->pPatternOffset = nullptr;
}

// The paths into heap records that the database owns.
void StorePaths(DXFHATCH* e, const Paths& paths) {
    const std::size_t n = paths.loops.size();
    if (n == 0) return;
    e->pBoundary = DxfHeapNew<DXFPOLYLINE>(n);
    if (!e->pBoundary) return;
    for (std::size_t i = 0; i < n; ++i) {
        const std::vector<DXFVERTEX>& l = paths.loops[i];
        DXFPOLYLINE& p = e->pBoundary[e->nBoundaries];
        p.pVertices = DxfHeapNew<DXFVERTEX>(l.size());
        if (!p.pVertices) continue;
        std::memcpy(p.pVertices, l.data(), l.size() * sizeof(DXFVERTEX));
        p.nVertices = static_cast<int>(l.size());
        p.wFlags = static_cast<WORD>(paths.flags[i]);
        ++e->nBoundaries;
    }
    if (e->nBoundaries > 0) e->nPathFlags = paths.flags[0];
}

} // namespace

void DxfReadHatch(DXFREADER* r, DXFENTITYCOMMON* c, DXFHATCH* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_HATCH;
    enum class Part { Head, Path, Edge, Sources, Tail, Seeds } part = Part::Head;
    Paths paths;
    Edge edge;
    bool polyline = false;
    int N = 0, n43 = 0, n44 = 0, n45 = 0, n46 = 0, n53 = 0, L = 0, dash = 0;
    auto endEdge = [&] {
        if (part == Part::Edge) paths.Add(edge);
        edge = Edge{};
    };
    auto endPath = [&] {
        endEdge();
        paths.Finish();
    };
    bool stop = false;
    try {
        for (;;) {
            DxfMark(r);
            const DxfPair p = DxfReadPairView(r);
            const int code = p.code;
            const std::string_view s = p.value;
            if (code == 0) {
                DxfCopyText(v, DXF_VALUE_BYTES, s);
                break;
            }
            // Codes that start a part wherever they come.
            if (code == 92 && part != Part::Tail && part != Part::Seeds) {
                endPath();
                const int flags = DxfAtoi(s);
                polyline = (flags & 2) != 0;
                paths.Start(flags);
                part = Part::Path;
                continue;
            }
            if (code == 75 || code == 76 || code == 78 || code == 98) {
                if (part != Part::Tail && part != Part::Seeds) endPath();
                if (part != Part::Seeds) part = Part::Tail;
            }
            if (code == 5) {
                DxfCopyText(c->szHandle, s);
                continue;
            }
            switch (part) {
            case Part::Head:
                if (code == 30)
                    e->dElevation = DxfAtof(s);
                else if (code == 70)
                    e->nSolid = DxfAtoi(s);
                else
                    DxfStoreCommon(c, code, s);
                break;
            case Part::Path:
            case Part::Edge:
                if (code == 97 && part == Part::Path && polyline) {
                    endPath();
                    part = Part::Sources;
                } else if (polyline) {
                    if (code == 10)
                        paths.Vertex(DxfAtof(s), 0);
                    else if (code == 20 && !paths.loops.empty() && !paths.loops.back().empty())
                        paths.loops.back().back().y = DxfAtof(s);
                    else if (code == 42)
                        paths.Bulge(DxfAtof(s));
                } else if (code == 72) {
                    endEdge();
                    edge.type = DxfAtoi(s);
                    part = Part::Edge;
                } else if (part == Part::Edge) {
                    // 97 is a spline edge's fit point count, or else the path's
                    // source objects.
                    if (code == 97 && edge.type != 4) {
                        endPath();
                        part = Part::Sources;
                        break;
                    }
                    const bool spline = edge.type == 4;
                    const double d = DxfAtof(s);
                    switch (code) {
                    case 10:
                        if (spline)
                            edge.control.push_back({d, 0, 0});
                        else
                            edge.x10 = d;
                        break;
                    case 20:
                        if (spline && !edge.control.empty())
                            edge.control.back().y = d;
                        else if (!spline)
                            edge.y10 = d;
                        break;
                    case 11:
                        if (spline)
                            edge.fit.push_back({d, 0, 0});
                        else
                            edge.x11 = d;
                        break;
                    case 21:
                        if (spline && !edge.fit.empty())
                            edge.fit.back().y = d;
                        else if (!spline)
                            edge.y11 = d;
                        break;
                    case 40:
                        if (spline)
                            edge.knots.push_back(
                                static_cast<float>(std::fmax(std::fmin(d, FLT_MAX), -FLT_MAX)));
                        else
                            edge.r40 = d;
                        break;
                    case 42:
                        if (spline) edge.weights.push_back(d);
                        break;
                    case 50:
                        edge.a50 = d;
                        break;
                    case 51:
                        edge.a51 = d;
                        break;
                    case 73:
                        if (!spline) edge.ccw = DxfAtoi(s) != 0;
                        break;
                    case 94:
                        edge.degree = DxfAtoi(s);
                        break;
                    case 12:
                        edge.startTangent.x = d;
                        break;
                    case 22:
                        edge.startTangent.y = d;
                        break;
                    case 13:
                        edge.endTangent.x = d;
                        break;
                    case 23:
                        edge.endTangent.y = d;
                        break;
                    default:
                        break;
                    }
                }
                break;
            case Part::Sources:
                break; // 330 handles of the objects the path came from
            case Part::Tail:
                switch (code) {
                case 75:
                    e->nStyle = DxfAtoi(s);
                    break;
                case 78: {
                    FreePattern(e, N);
                    n43 = n44 = n45 = n46 = n53 = L = dash = 0;
                    // A family counts only once all six of its values are there.
                    N = std::max(0, DxfCapCount(r, DxfAtoi(s), 6));
                    e->nPatternLines = N;
                    if (N == 0) break;
                    const auto n = static_cast<std::size_t>(N);
                    e->pPatternAngles = DxfHeapNew<double>(n);
                    e->pPatternBase = DxfHeapNew<DXFCOORD>(n);
                    e->pPatternOffset = DxfHeapNew<DXFCOORD>(n);
                    e->pDashCounts = DxfHeapNew<int>(n);
                    e->pDashes = DxfHeapNew<double*>(n);
                    if (!e->pPatternAngles || !e->pPatternBase || !e->pPatternOffset || !e->pDashCounts ||
                        !e->pDashes) {
                        FreePattern(e, N);
                        N = 0;
                        e->nPatternLines = 0;
                    }
                    break;
                }
                case 53:
                    if (n53 < N) e->pPatternAngles[n53++] = DxfAtof(s);
                    break;
                case 43:
                    if (n43 < N) e->pPatternBase[n43++].x = DxfAtof(s);
                    break;
                case 44:
                    if (n44 < N) e->pPatternBase[n44++].y = DxfAtof(s);
                    break;
                case 45:
                    if (n45 < N) e->pPatternOffset[n45++].x = DxfAtof(s);
                    break;
                case 46:
                    if (n46 < N) e->pPatternOffset[n46++].y = DxfAtof(s);
                    break;
                case 79:
                    if (L < N) {
                        const int n = DxfCapCount(r, DxfAtoi(s), 1);
                        e->pDashes[L] = n >= 1 ? DxfHeapNew<double>(static_cast<std::size_t>(n)) : nullptr;
                        e->pDashCounts[L] = e->pDashes[L] ? n : 0;
                        dash = 0;
                        ++L;
                    }
                    break;
                case 49:
                    if (L > 0 && dash < e->pDashCounts[L - 1]) e->pDashes[L - 1][dash++] = DxfAtof(s);
                    break;
                case 98:
                    part = Part::Seeds;
                    break;
                default:
                    DxfStoreCommon(c, code, s);
                    break;
                }
                break;
            case Part::Seeds:
                if (code != 10 && code != 20) DxfStoreCommon(c, code, s);
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        // What was read until memory ran out stays; the rest of the entity
        // is passed over as an entity of its own would be.
        stop = true;
    }
    if (stop) {
        for (;;) {
            DxfMark(r);
            const DxfPair p = DxfReadPairView(r);
            if (p.code == 0) {
                DxfCopyText(v, DXF_VALUE_BYTES, p.value);
                break;
            }
        }
    }
    if (!stop) endPath();
    StorePaths(e, paths);
    if (N > 0) {
        const int kept = std::min({n43, n44, n45, n46, n53, L});
        for (int i = kept; i < N; ++i) {
            DxfHeapFree(e->pDashes[i]);
            e->pDashes[i] = nullptr;
            e->pDashCounts[i] = 0;
        }
        e->nPatternLines = kept;
    }
}
