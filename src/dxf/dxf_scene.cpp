#include "dxf/dxf_scene.h"

#include "dxf/dxf_geometry.h"
#include "dxf/dxf_paint_internal.h"
#include "dxf/dxf_text.h"
#include "model/limits.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace dxf_scene {

namespace {

// Entities measured inside rotated or sheared inserts, one by one, before
// the boxes of whole blocks stand in for them.
constexpr long long kMaxMeasured = 1LL << 20;

bool FoldedEqual(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const char ca = *a >= 'a' && *a <= 'z' ? static_cast<char>(*a - 32) : *a;
        const char cb = *b >= 'a' && *b <= 'z' ? static_cast<char>(*b - 32) : *b;
        if (ca != cb) return false;
        if (!ca) return true;
    }
}

DWORD LineTypeNamed(const DXFDRAWING& d, const char* name) {
    for (DWORD i = 0; i < d.nLTypes; ++i)
        if (FoldedEqual(d.ltypes[i].szName, name)) return d.ltypes[i].dwId;
    return 0;
}

} // namespace

Resolver::Resolver(const DXFDRAWING& d) : m_d(d) {
    m_layer0 = DxfTableIdByName(&d, DXF_TABLE_LAYER, "0");
    m_byLayer = LineTypeNamed(d, "BYLAYER");
    m_byBlock = LineTypeNamed(d, "BYBLOCK");
}

Style Resolver::Resolve(const DXFENTITYHEADER& h, const Inherit& in) const {
    Style s;
    DWORD layerId = h.dwLayer;
    if (in.layer != 0 && (layerId == 0 || layerId == m_layer0)) layerId = in.layer;
    s.layer = DxfLayerById(&m_d, layerId);
    if (s.layer) {
        s.frozen = (s.layer->bFlags & 1) != 0;
        s.shown = !s.frozen && s.layer->nColor >= 0;
    }
    int n = h.nColor;
    if (n == 0 && in.colour >= 0)
        n = in.colour;
    else if ((n == 0 || n == 256) && s.layer)
        n = std::abs(static_cast<int>(s.layer->nColor));
    s.colour = n >= 0 && n <= 255 ? n : 0;
    DWORD lt = h.dwLineType;
    if (lt == 0 || lt == m_byLayer)
        lt = s.layer ? s.layer->dwLineType : 0;
    else if (lt == m_byBlock || lt == DXF_LINETYPE_BYBLOCK)
        lt = in.lineType;
    s.lineType = DxfLineTypeById(&m_d, lt);
    return s;
}

Inherit Resolver::ForBlock(const Style& insert) {
    return {insert.layer ? insert.layer->dwId : 0, insert.colour,
            insert.lineType ? insert.lineType->dwId : 0};
}

void Box::AddPlaced(const Box& b, const DxfTransform& t) {
    if (b.unbounded) unbounded = true;
    if (!b.any) return;
    for (const auto& [x, y] : {std::pair{b.minX, b.minY}, std::pair{b.maxX, b.minY},
                               std::pair{b.minX, b.maxY}, std::pair{b.maxX, b.maxY}}) {
        double wx, wy;
        t.Apply(x, y, wx, wy);
        Add(wx, wy);
    }
}

double Elevation(const DXFENTITYHEADER& h, const void* data) {
    switch (h.wType) {
    case DXF_CIRCLE:
        return static_cast<const DXFCIRCLE*>(data)->ptCenter.z;
    case DXF_ARC:
        return static_cast<const DXFARC*>(data)->ptCenter.z;
    case DXF_SOLID:
        return static_cast<const DXFSOLID*>(data)->pt[0].z;
    case DXF_TEXT:
        return static_cast<const DXFTEXT*>(data)->ptInsert.z;
    case DXF_HATCH:
        return static_cast<const DXFHATCH*>(data)->dElevation;
    case DXF_POLYLINE: {
        const auto* e = static_cast<const DXFPOLYLINE*>(data);
        return e->pVertices && e->nVertices > 0 ? e->pVertices[0].z : 0.0;
    }
    default:
        return 0.0;
    }
}

DxfTransform EntityTransform(const DXFENTITYHEADER& h, const void* data, const DxfTransform& t) {
    if (DxfPlainExtrusion(h.ptExtrusion)) return t;
    switch (h.wType) {
    case DXF_POLYLINE:
        // 3-D polylines and meshes are in world coordinates.
        if (static_cast<const DXFPOLYLINE*>(data)->wFlags & (8 | 16 | 64)) return t;
        [[fallthrough]];
    case DXF_CIRCLE:
    case DXF_ARC:
    case DXF_SOLID:
    case DXF_TEXT:
    case DXF_HATCH:
        return t * DxfObjectToWorld(h.ptExtrusion, Elevation(h, data));
    default:
        return t;
    }
}

struct Bounds::Impl {
    const DXFDRAWING& d;
    bool exact;
    enum class State : unsigned char { Unknown, Busy, Done };
    std::vector<State> state;
    std::vector<Box> contents;
    int depth = 0;
    long long measured = 0;

    Impl(const DXFDRAWING& drawing, bool ex)
        : d(drawing), exact(ex), state(drawing.nBlocks, State::Unknown), contents(drawing.nBlocks) {}
};

Bounds::Bounds(const DXFDRAWING& d, bool exact) : m_impl(new Impl(d, exact)), m_props(d) {}

Bounds::~Bounds() {
    delete m_impl;
}

const Box& Bounds::BlockContents(const DXFBLOCK& block) {
    static const Box kNone{};
    Impl& m = *m_impl;
    const std::size_t slot = static_cast<std::size_t>(&block - m.d.blocks);
    if (slot >= m.state.size() || m.depth >= limits::kMaxBlockDepth) return kNone;
    switch (m.state[slot]) {
    case Impl::State::Done:
        return m.contents[slot];
    case Impl::State::Busy: // the block holds itself, which draws nothing
        return kNone;
    case Impl::State::Unknown:
        break;
    }
    m.state[slot] = Impl::State::Busy;
    Box box;
    ++m.depth;
    DxfForEachEntity(block.list, [&](const DXFENTITYHEADER& h, const void* data, DWORD) {
        Add(box, h, data, DxfTransform{}, Inherit{});
        return !box.unbounded;
    });
    --m.depth;
    m.contents[slot] = box;
    m.state[slot] = Impl::State::Done;
    return m.contents[slot];
}

void Bounds::Add(Box& box, const DXFENTITYHEADER& h, const void* data, const DxfTransform& outer,
                 const Inherit& in) {
    if (h.dwFlags != 0) return;
    Impl& m = *m_impl;
    const Style style = m_props.Resolve(h, in);
    // An INSERT on a layer that is off still shows its other layers.
    if (style.frozen || (!style.shown && h.wType != DXF_INSERT && h.wType != DXF_DIMENSION)) return;
    const DxfTransform t = EntityTransform(h, data, outer);
    auto add = [&](double x, double y) {
        double wx, wy;
        t.Apply(x, y, wx, wy);
        box.Add(wx, wy);
    };
    auto addWorld = [&](double x, double y) { box.Add(x, y); };

    // A block's contents placed by T: by the corners of their box when
    // that is exact (no turn) or enough, else entity by entity.
    auto addBlock = [&](const DXFBLOCK& b, const DxfTransform& T, const Inherit& sub) {
        const Box& local = BlockContents(b);
        Box placed;
        placed.AddPlaced(local, T);
        if (!placed.any || box.Holds(placed)) {
            box.Add(placed);
            return;
        }
        if (!m.exact || (T.xy == 0 && T.yx == 0) || m.depth >= limits::kMaxBlockDepth ||
            m.measured >= kMaxMeasured) {
            box.Add(placed);
            return;
        }
        ++m.depth;
        DxfForEachEntity(b.list, [&](const DXFENTITYHEADER& eh, const void* ed, DWORD) {
            ++m.measured;
            Add(box, eh, ed, T, sub);
            return true;
        });
        --m.depth;
    };

    switch (h.wType) {
    case DXF_LINE: {
        const auto& e = *static_cast<const DXFLINE*>(data);
        add(e.ptStart.x, e.ptStart.y);
        add(e.ptEnd.x, e.ptEnd.y);
        break;
    }
    case DXF_POINT: {
        const auto& e = *static_cast<const DXFPOINT*>(data);
        add(e.pt.x, e.pt.y);
        break;
    }
    case DXF_CIRCLE: {
        const auto& e = *static_cast<const DXFCIRCLE*>(data);
        dxf_geom::EllipticArcExtremes(e.ptCenter.x, e.ptCenter.y, e.dRadius, 0, 0, e.dRadius, 0,
                                      dxf_geom::kTwoPi, t, addWorld);
        break;
    }
    case DXF_ARC: {
        const auto& e = *static_cast<const DXFARC*>(data);
        const double a0 = e.dStartAngle * DxfTransform::kDegToRad, a1 = e.dEndAngle * DxfTransform::kDegToRad;
        dxf_geom::EllipticArcExtremes(e.ptCenter.x, e.ptCenter.y, e.dRadius, 0, 0, e.dRadius, a0,
                                      dxf_geom::SweepCcw(a0, a1), t, addWorld);
        break;
    }
    case DXF_ELLIPSE: {
        const auto& e = *static_cast<const DXFELLIPSE*>(data);
        double vx, vy;
        dxf_geom::EllipseMinorAxis(e, h.ptExtrusion, vx, vy);
        const bool full = dxf_geom::FullEllipse(e);
        dxf_geom::EllipticArcExtremes(
            e.ptCenter.x, e.ptCenter.y, e.ptMajor.x, e.ptMajor.y, vx, vy, full ? 0.0 : e.dStartParam,
            full ? dxf_geom::kTwoPi : dxf_geom::SweepCcw(e.dStartParam, e.dEndParam), t, addWorld);
        break;
    }
    case DXF_SOLID:
    case DXF_3DFACE:
        for (const DXFCOORD& p : static_cast<const DXFSOLID*>(data)->pt) add(p.x, p.y);
        break;
    case DXF_SPLINE: {
        const auto& e = *static_cast<const DXFSPLINE*>(data);
        // The curve lies within its control points' hull: evaluated only
        // when the hull reaches beyond the box so far.
        Box hull;
        const DXFCOORD* pts = e.nControlPts > 0 && e.pControlPts ? e.pControlPts : e.pFitPts;
        const int n = e.nControlPts > 0 && e.pControlPts ? e.nControlPts : (e.pFitPts ? e.nFitPts : 0);
        for (int i = 0; i < n; ++i) {
            double wx, wy;
            t.Apply(pts[i].x, pts[i].y, wx, wy);
            hull.Add(wx, wy);
        }
        if (!m.exact || box.Holds(hull)) {
            box.Add(hull);
            break;
        }
        const std::vector<DxfPlanePoint> samples = DxfEvaluateSpline(&e, std::max(64, n * 8));
        if (samples.empty()) {
            box.Add(hull);
            break;
        }
        for (const DxfPlanePoint& p : samples) add(p.x, p.y);
        break;
    }
    case DXF_POLYLINE: {
        const auto& e = *static_cast<const DXFPOLYLINE*>(data);
        if (!e.pVertices) break;
        const bool mesh = (e.wFlags & (16 | 64)) != 0;
        for (int i = 0; i < e.nVertices; ++i) {
            const DXFVERTEX& v = e.pVertices[i];
            // A polyface's face records carry no point.
            if ((e.wFlags & 64) && (v.nFlags & 192) == 128) continue;
            add(v.x, v.y);
            const double hw = std::fmax(std::fabs(v.dStartWidth), std::fabs(v.dEndWidth)) / 2;
            if (hw > 0 && !mesh) {
                add(v.x - hw, v.y - hw);
                add(v.x + hw, v.y + hw);
            }
            if (mesh || v.dBulge == 0 || (i + 1 == e.nVertices && !(e.wFlags & 1))) continue;
            const DXFVERTEX& w = e.pVertices[(i + 1) % e.nVertices];
            dxf_geom::BulgeArc a;
            if (dxf_geom::ArcOfBulge(v.x, v.y, w.x, w.y, v.dBulge, a))
                dxf_geom::EllipticArcExtremes(a.cx, a.cy, a.r + hw, 0, 0, a.r + hw, a.a0, a.sweep, t,
                                              addWorld);
        }
        break;
    }
    case DXF_TEXT:
    case DXF_MTEXT: {
        DXFBOX b;
        if (!DxfTextBox(&m.d, h.wType, data, b)) break;
        Box own;
        own.Add(b.minX, b.minY);
        own.Add(b.maxX, b.maxY);
        box.AddPlaced(own, t);
        break;
    }
    case DXF_HATCH: {
        const auto& e = *static_cast<const DXFHATCH*>(data);
        for (int i = 0; e.pBoundary && i < e.nBoundaries; ++i) {
            const DXFPOLYLINE& p = e.pBoundary[i];
            for (int k = 0; p.pVertices && k < p.nVertices; ++k) {
                const DXFVERTEX& v = p.pVertices[k];
                const DXFVERTEX& w = p.pVertices[(k + 1) % p.nVertices];
                add(v.x, v.y);
                dxf_geom::BulgeArc a;
                if (dxf_geom::ArcOfBulge(v.x, v.y, w.x, w.y, v.dBulge, a))
                    dxf_geom::EllipticArcExtremes(a.cx, a.cy, a.r, 0, 0, a.r, a.a0, a.sweep, t, addWorld);
            }
        }
        break;
    }
    case DXF_LEADER:
    case DXF_MLEADER:
    case DXF_MLINE:
    case DXF_IMAGE:
    case DXF_WIPEOUT:
        dxf_paint::AddLineEntityBounds(h, data, add);
        break;
    case DXF_INSERT: {
        const auto& e = *static_cast<const DXFINSERT*>(data);
        const DXFBLOCK* b = DxfBlockById(&m.d, e.dwBlock);
        if (!b) break;
        const Inherit sub = Resolver::ForBlock(style);
        // The cells of an array at its corners hold its extremes.
        const int cols = std::max(1, e.nColumns), rows = std::max(1, e.nRows);
        const int cs[2] = {0, cols - 1}, rs[2] = {0, rows - 1};
        for (int i = 0; i < (cols > 1 ? 2 : 1); ++i)
            for (int j = 0; j < (rows > 1 ? 2 : 1); ++j)
                addBlock(*b, outer * DxfInsertTransform(e, b->ptBase, h.ptExtrusion, cs[i], rs[j]), sub);
        break;
    }
    case DXF_DIMENSION: {
        const auto& e = *static_cast<const DXFDIMENSION*>(data);
        if (const DXFBLOCK* b = DxfBlockById(&m.d, e.dwBlock)) {
            addBlock(*b, t, Resolver::ForBlock(style));
            break;
        }
        Box own;
        own.Add(e.ptExt1.x, e.ptExt1.y);
        own.Add(e.ptExt2.x, e.ptExt2.y);
        own.Add(e.ptDef.x, e.ptDef.y);
        if (const DXFDIMSTYLE* ds = DxfDimStyleById(&m.d, e.dwDimStyle)) {
            const double grow = ds->dTextGap + ds->dTextHeight;
            own.Add(own.minX - grow, own.minY - grow);
            own.Add(own.maxX + grow, own.maxY + grow);
        }
        box.AddPlaced(own, t);
        break;
    }
    default:
        break;
    }
}

} // namespace dxf_scene

using namespace dxf_scene;

BOOL DxfGetExtents(HDXFDRAWING hDrawing, DXFBOX* pBox) {
    if (pBox) *pBox = {};
    GlobalLockGuard<DXFDRAWING> d(hDrawing);
    if (!d || !pBox) return FALSE;
    Bounds bounds(*d, true);
    Box all;
    DxfForEachEntity(d->entities, [&](const DXFENTITYHEADER& h, const void* data, DWORD) {
        Box b;
        bounds.Add(b, h, data, DxfTransform{}, Inherit{});
        if (!b.unbounded) all.Add(b);
        return true;
    });
    if (!all.any) return FALSE;
    *pBox = {all.maxY, all.minX, all.minY, all.maxX};
    return TRUE;
}

BOOL DxfGetEntityBox(const DXFDRAWING* pDrawing, const DXFENTITYHEADER* pHeader, const void* pData,
                     DXFBOX* pBox) {
    if (!pDrawing || !pHeader || !pData || !pBox) return FALSE;
    Bounds bounds(*pDrawing, true);
    Box b;
    bounds.Add(b, *pHeader, pData, DxfTransform{}, Inherit{});
    if (!b.any && !b.unbounded) return FALSE;
    *pBox = b.unbounded ? DXFBOX{NAN, NAN, NAN, NAN} : DXFBOX{b.maxY, b.minX, b.minY, b.maxX};
    return TRUE;
}

BOOL DxfZoomExtents(HDXFDRAWING hDrawing) {
    DXFBOX e;
    const bool has = DxfGetExtents(hDrawing, &e);
    GlobalLockGuard<DXFDRAWING> d(hDrawing);
    if (!d) return FALSE;
    if (!has) return TRUE;
    const double K = d->dUnit;
    const double H = static_cast<double>(d->bottom) - d->top;
    const double W = static_cast<double>(d->right) - d->left;
    const double w = e.maxX - e.minX, h = e.maxY - e.minY;
    // 10 pixels stay free on each side; a picture smaller than that is
    // fitted as if it had one pixel to spare.
    const double availH = std::fmax(H - 20, 1.0), availW = std::fmax(W - 20, 1.0);
    double zoom = INFINITY;
    if (h > 0) zoom = std::fmin(zoom, availH / (K * h));
    if (w > 0) zoom = std::fmin(zoom, availW / (K * w));
    if (!std::isfinite(zoom) || zoom <= 0) zoom = 1.0;
    d->dZoom = zoom;
    d->dYorg = e.minY - (H / (K * zoom) - h) * 0.5;
    d->dXorg = e.minX - (W / (K * zoom) - w) * 0.5;
    return TRUE;
}
