#include "dxf/dxf_drawing.h"

#include "dxf/dxf_heap.h"
#include "dxf/dxf_text.h"
#include "model/limits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr double kDegToRad = 3.1415926535 / 180.0;

// The fixed tables as one kind of thing: records, count and cursor.
struct TableView {
    std::byte* records = nullptr;
    std::size_t recordSize = 0;
    DWORD capacity = 0;
    DWORD* count = nullptr;
    DWORD* cursor = nullptr;

    explicit operator bool() const { return records != nullptr; }
    std::byte* At(DWORD i) const { return records + i * recordSize; }
    // Every table record starts with dwId and szName.
    DWORD IdAt(DWORD i) const {
        DWORD id;
        std::memcpy(&id, At(i), sizeof id);
        return id;
    }
    const char* NameAt(DWORD i) const { return reinterpret_cast<const char*>(At(i) + sizeof(DWORD)); }
};

static_assert(offsetof(DXFLAYER, szName) == sizeof(DWORD) && offsetof(DXFLTYPE, szName) == sizeof(DWORD) &&
              offsetof(DXFSTYLE, szName) == sizeof(DWORD) && offsetof(DXFDIMSTYLE, szName) == sizeof(DWORD));

TableView Table(DXFDRAWING* d, UINT nTable) {
    switch (nTable) {
    case DXF_TABLE_LAYER:
        return {reinterpret_cast<std::byte*>(d->layers), sizeof(DXFLAYER), DXF_MAX_LAYERS, &d->nLayers,
                &d->dwLayerCursor};
    case DXF_TABLE_LTYPE:
        return {reinterpret_cast<std::byte*>(d->ltypes), sizeof(DXFLTYPE), DXF_MAX_LTYPES, &d->nLTypes,
                &d->dwLTypeCursor};
    case DXF_TABLE_STYLE:
        return {reinterpret_cast<std::byte*>(d->styles), sizeof(DXFSTYLE), DXF_MAX_STYLES, &d->nStyles,
                &d->dwStyleCursor};
    case DXF_TABLE_DIMSTYLE:
        return {reinterpret_cast<std::byte*>(d->dimStyles), sizeof(DXFDIMSTYLE), DXF_MAX_DIMSTYLES,
                &d->nDimStyles, &d->dwDimStyleCursor};
    default:
        return {};
    }
}

bool TableHasId(DXFDRAWING* d, UINT nTable, DWORD id) {
    const TableView t = Table(d, nTable);
    for (DWORD i = 0; i < *t.count; ++i)
        if (t.IdAt(i) == id) return true;
    return false;
}

// Names are compared as C strings within their field.
bool SameName(const char* a, const char* b, std::size_t field) {
    return std::strncmp(a, b, field) == 0;
}

DXFENTITYLIST* ListOf(DXFDRAWING* d, DWORD dwBlockId) {
    if (dwBlockId == 0) return &d->entities;
    DXFBLOCK* b = DxfBlockById(d, dwBlockId);
    return b ? &b->list : nullptr;
}

// A block named "*D" followed by a number raises the anonymous dimension
// number, so that a generated name never repeats one the drawing holds.
void NoteAnonymousDimensionName(DXFDRAWING* d, const char* name) {
    if (name[0] != '*' || name[1] != 'D') return;
    const long long n = std::strtoll(name + 2, nullptr, 10);
    if (n > 0 && static_cast<unsigned long long>(n) > d->dwAnonDimension)
        d->dwAnonDimension = n > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<DWORD>(n);
}

bool Finite(const DXFBOX& b) {
    return std::isfinite(b.minX) && std::isfinite(b.minY) && std::isfinite(b.maxX) && std::isfinite(b.maxY);
}

// Collects points and boxes into one box.
struct BoxBuilder {
    bool any = false;
    bool bad = false; // a coordinate was not finite
    DXFBOX box{};

    void Add(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) bad = true;
        if (!any) {
            box = {y, x, y, x};
            any = true;
            return;
        }
        box.minX = std::fmin(box.minX, x);
        box.maxX = std::fmax(box.maxX, x);
        box.minY = std::fmin(box.minY, y);
        box.maxY = std::fmax(box.maxY, y);
    }
    void Add(const DXFBOX& b) {
        Add(b.minX, b.minY);
        Add(b.maxX, b.maxY);
    }
    void AddCoords(const DXFCOORD* p, int n) {
        for (int i = 0; i < n; ++i) Add(p[i].x, p[i].y);
    }
};

// Boxes of block contents, by block slot and nesting depth, so that blocks
// inserted many times (or many levels deep) are measured once per depth.
// Each block's row is made when the block is first measured.
class BlockBoxes {
public:
    static constexpr int kDepths = limits::kMaxBlockDepth + 1;

    bool Get(int slot, int depth, DXFBOX& box, bool& has) const {
        if (!m_rows[slot]) return false;
        const Entry& e = m_rows[slot][depth];
        if (!e.known) return false;
        box = e.box;
        has = e.has;
        return true;
    }
    void Put(int slot, int depth, const DXFBOX& box, bool has) {
        if (!m_rows[slot]) m_rows[slot].reset(new (std::nothrow) Entry[kDepths]());
        if (m_rows[slot]) m_rows[slot][depth] = {box, has, true};
    }

private:
    struct Entry {
        DXFBOX box;
        bool has;
        bool known;
    };
    std::unique_ptr<Entry[]> m_rows[DXF_MAX_BLOCKS];
};

bool EntityBox(const DXFDRAWING* d, const DXFENTITYHEADER& h, const void* data, DXFBOX& out, BlockBoxes& memo,
               int depth);

bool BlockBox(const DXFDRAWING* d, int slot, int depth, DXFBOX& out, BlockBoxes& memo) {
    if (depth > limits::kMaxBlockDepth) return false;
    bool has = false;
    if (memo.Get(slot, depth, out, has)) return has;
    BoxBuilder all;
    DxfForEachEntity(d->blocks[slot].list, [&](const DXFENTITYHEADER& h, const void* data, DWORD) {
        DXFBOX b;
        if (EntityBox(d, h, data, b, memo, depth) && Finite(b)) all.Add(b);
        return true;
    });
    memo.Put(slot, depth, all.box, all.any);
    out = all.box;
    return all.any;
}

bool EntityBox(const DXFDRAWING* d, const DXFENTITYHEADER& h, const void* data, DXFBOX& out, BlockBoxes& memo,
               int depth) {
    BoxBuilder b;
    switch (h.wType) {
    case DXF_LINE: {
        const auto* e = static_cast<const DXFLINE*>(data);
        b.Add(e->ptStart.x, e->ptStart.y);
        b.Add(e->ptEnd.x, e->ptEnd.y);
        break;
    }
    case DXF_POINT: {
        const auto* e = static_cast<const DXFPOINT*>(data);
        b.Add(e->pt.x, e->pt.y);
        break;
    }
    case DXF_CIRCLE: {
        const auto* e = static_cast<const DXFCIRCLE*>(data);
        b.Add(e->ptCenter.x - e->dRadius, e->ptCenter.y - e->dRadius);
        b.Add(e->ptCenter.x + e->dRadius, e->ptCenter.y + e->dRadius);
        break;
    }
    case DXF_ELLIPSE: {
        const auto* e = static_cast<const DXFELLIPSE*>(data);
        const double r = DxfEllipseMajorRadius(*e);
        b.Add(e->ptCenter.x - r, e->ptCenter.y - e->dRatio * r);
        b.Add(e->ptCenter.x + r, e->ptCenter.y + e->dRatio * r);
        break;
    }
    case DXF_ARC: {
        // The two end points only.
        const auto* e = static_cast<const DXFARC*>(data);
        const double a0 = e->dStartAngle * kDegToRad, a1 = e->dEndAngle * kDegToRad;
        b.Add(e->ptCenter.x + e->dRadius * std::cos(a0), e->ptCenter.y + e->dRadius * std::sin(a0));
        b.Add(e->ptCenter.x + e->dRadius * std::cos(a1), e->ptCenter.y + e->dRadius * std::sin(a1));
        break;
    }
    case DXF_SOLID:
    case DXF_3DFACE:
        b.AddCoords(static_cast<const DXFSOLID*>(data)->pt, 4);
        break;
    case DXF_SPLINE: {
        const auto* e = static_cast<const DXFSPLINE*>(data);
        if (e->nControlPts > 0 && e->pControlPts)
            b.AddCoords(e->pControlPts, e->nControlPts);
        else if (e->nFitPts > 0 && e->pFitPts)
            b.AddCoords(e->pFitPts, e->nFitPts);
        break;
    }
    case DXF_POLYLINE: {
        const auto* e = static_cast<const DXFPOLYLINE*>(data);
        if (e->pVertices)
            for (int i = 0; i < e->nVertices; ++i) b.Add(e->pVertices[i].x, e->pVertices[i].y);
        break;
    }
    case DXF_TEXT:
    case DXF_MTEXT: {
        // The box of the glyphs drawn.
        DXFBOX t;
        if (!DxfTextBox(d, h.wType, data, t)) return false;
        b.Add(t.minX, t.minY);
        b.Add(t.maxX, t.maxY);
        break;
    }
    case DXF_DIMENSION: {
        const auto* e = static_cast<const DXFDIMENSION*>(data);
        b.Add(e->ptExt1.x, e->ptExt1.y);
        b.Add(e->ptExt2.x, e->ptExt2.y);
        b.Add(e->ptDef.x, e->ptDef.y);
        for (DWORD i = 0; i < d->nDimStyles; ++i) {
            if (d->dimStyles[i].dwId != e->dwDimStyle) continue;
            const double grow = d->dimStyles[i].dTextGap + d->dimStyles[i].dTextHeight;
            const DXFBOX in = b.box;
            b = {};
            b.Add(in.minX - grow, in.minY - grow);
            b.Add(in.maxX + grow, in.maxY + grow);
            break;
        }
        break;
    }
    case DXF_INSERT: {
        const auto* e = static_cast<const DXFINSERT*>(data);
        const DXFBLOCK* blk = DxfBlockById(d, e->dwBlock);
        DXFBOX inner;
        if (!blk || !BlockBox(d, static_cast<int>(blk - d->blocks), depth + 1, inner, memo)) return false;
        // Scaled and moved, not rotated; a mirrored insert keeps its box
        // ordered.
        b.Add(inner.minX * e->dScaleX + e->ptInsert.x, inner.minY * e->dScaleY + e->ptInsert.y);
        b.Add(inner.maxX * e->dScaleX + e->ptInsert.x, inner.maxY * e->dScaleY + e->ptInsert.y);
        break;
    }
    default:
        return false;
    }
    if (!b.any) return false;
    out = b.bad ? DXFBOX{NAN, NAN, NAN, NAN} : b.box;
    return true;
}

bool CopyRecord(const DXFENTITYLIST& list, const std::byte* base, DWORD off, DXFENTITYHEADER* pHeader,
                void* pData) {
    if (off >= list.dwUsed || list.dwUsed - off < sizeof(DXFENTITYHEADER)) return false;
    DXFENTITYHEADER h;
    std::memcpy(&h, base + off, sizeof h);
    if (h.dwNext <= off || h.dwNext > list.dwUsed || h.dwNext - off < sizeof h) return false;
    if (pHeader) *pHeader = h;
    if (pData) std::memcpy(pData, base + off + sizeof h, h.dwNext - off - sizeof h);
    return true;
}

} // namespace

double DxfEllipseMajorRadius(const DXFELLIPSE& e) {
    return std::sqrt(e.ptMajor.x * e.ptMajor.x + e.ptMajor.y * e.ptMajor.y + e.ptMajor.z * e.ptMajor.z);
}

std::size_t DxfEntityDataSize(WORD wType) {
    switch (wType) {
    case DXF_LINE:
        return sizeof(DXFLINE);
    case DXF_POINT:
        return sizeof(DXFPOINT);
    case DXF_CIRCLE:
        return sizeof(DXFCIRCLE);
    case DXF_ELLIPSE:
        return sizeof(DXFELLIPSE);
    case DXF_SPLINE:
        return sizeof(DXFSPLINE);
    case DXF_TEXT:
        return sizeof(DXFTEXT);
    case DXF_ARC:
        return sizeof(DXFARC);
    case DXF_SOLID:
    case DXF_3DFACE:
        return sizeof(DXFSOLID);
    case DXF_INSERT:
        return sizeof(DXFINSERT);
    case DXF_HATCH:
        return sizeof(DXFHATCH);
    case DXF_POLYLINE:
        return sizeof(DXFPOLYLINE);
    case DXF_DIMENSION:
        return sizeof(DXFDIMENSION);
    case DXF_MTEXT:
        return sizeof(DXFMTEXT);
    default:
        return 0;
    }
}

const char* DxfEntityTypeName(WORD wType) {
    switch (wType) {
    case DXF_LINE:
        return "LINE";
    case DXF_POINT:
        return "POINT";
    case DXF_CIRCLE:
        return "CIRCLE";
    case DXF_ELLIPSE:
        return "ELLIPSE";
    case DXF_SPLINE:
        return "SPLINE";
    case DXF_TEXT:
        return "TEXT";
    case DXF_ARC:
        return "ARC";
    case DXF_SOLID:
        return "SOLID";
    case DXF_3DFACE:
        return "3DFACE";
    case DXF_INSERT:
        return "INSERT";
    case DXF_HATCH:
        return "HATCH";
    case DXF_POLYLINE:
        return "POLYLINE";
    case DXF_DIMENSION:
        return "DIMENSION";
    case DXF_MTEXT:
        return "MTEXT";
    default:
        return nullptr;
    }
}

void DxfFreeEntityData(WORD wType, void* pData) {
    if (!pData) return;
    switch (wType) {
    case DXF_MTEXT: {
        auto* e = static_cast<DXFMTEXT*>(pData);
        DxfHeapFree(e->pszText);
        e->pszText = nullptr;
        break;
    }
    case DXF_POLYLINE: {
        auto* e = static_cast<DXFPOLYLINE*>(pData);
        DxfHeapFree(e->pVertices);
        e->pVertices = nullptr;
        e->nVertices = 0;
        break;
    }
    case DXF_SPLINE: {
        auto* e = static_cast<DXFSPLINE*>(pData);
        DxfHeapFree(e->pKnots);
        DxfHeapFree(e->pControlPts);
        DxfHeapFree(e->pFitPts);
        e->pKnots = nullptr;
        e->pControlPts = e->pFitPts = nullptr;
        e->nKnots = e->nControlPts = e->nFitPts = 0;
        break;
    }
    case DXF_HATCH: {
        auto* e = static_cast<DXFHATCH*>(pData);
        if (e->pDashes)
            for (int i = 0; i < e->nPatternLines; ++i) DxfHeapFree(e->pDashes[i]);
        DxfHeapFree(e->pDashes);
        DxfHeapFree(e->pDashCounts);
        DxfHeapFree(e->pPatternAngles);
        DxfHeapFree(e->pPatternBase);
        DxfHeapFree(e->pPatternOffset);
        DxfFreeEntityData(DXF_SPLINE, e->pSplineEdge);
        DxfHeapFree(e->pSplineEdge);
        DxfFreeEntityData(DXF_POLYLINE, e->pBoundary);
        DxfHeapFree(e->pBoundary);
        e->pDashes = nullptr;
        e->pDashCounts = nullptr;
        e->pPatternAngles = nullptr;
        e->pPatternBase = e->pPatternOffset = nullptr;
        e->pSplineEdge = nullptr;
        e->pBoundary = nullptr;
        e->nPatternLines = 0;
        break;
    }
    default:
        break;
    }
}

DXFBLOCK* DxfBlockById(DXFDRAWING* d, DWORD dwId) {
    if (!d || dwId == 0) return nullptr;
    for (DWORD i = 0; i < d->nBlocks; ++i)
        if (d->blocks[i].dwId == dwId) return &d->blocks[i];
    return nullptr;
}

const DXFBLOCK* DxfBlockById(const DXFDRAWING* d, DWORD dwId) {
    return DxfBlockById(const_cast<DXFDRAWING*>(d), dwId);
}

HDXFDRAWING DxfCreateDrawing() {
    HGLOBAL h = GlobalAlloc(GHND, sizeof(DXFDRAWING));
    if (!h) return nullptr;
    GlobalLockGuard<DXFDRAWING> d(h);
    HGLOBAL list = d ? GlobalAlloc(GHND, DXF_ENTITIES_LIST_BYTES) : nullptr;
    if (!list) {
        d.Release();
        GlobalFree(h);
        return nullptr;
    }
    d->dwLastId = DXF_FIRST_ID - 1;
    d->entities.hMem = list;
    d->entities.dwSize = static_cast<DWORD>(GlobalSize(list));
    d->dUnit = 20.0;
    d->dZoom = 1.0;
    d->bValid = 1;
    return h;
}

BOOL DxfDestroyDrawing(HDXFDRAWING hDrawing) {
    // Someone who still holds the record would be left with freed lists.
    if (GlobalFlags(hDrawing) != 0) return FALSE;
    {
        GlobalLockGuard<DXFDRAWING> d(hDrawing);
        if (!d) return FALSE;
        d->bValid = 0;
        auto freeList = [](DXFENTITYLIST& list) {
            DxfForEachEntity(list, [](const DXFENTITYHEADER& h, const void* data, DWORD) {
                DxfFreeEntityData(h.wType, const_cast<void*>(data));
                return true;
            });
            GlobalFree(list.hMem);
            list = {};
        };
        freeList(d->entities);
        for (DWORD i = 0; i < d->nBlocks; ++i) freeList(d->blocks[i].list);
    }
    return GlobalFree(hDrawing) == nullptr;
}

BOOL DxfSetView(HDXFDRAWING hDrawing, int left, int top, int width, int height, COLORREF bg) {
    GlobalLockGuard<DXFDRAWING> d(hDrawing);
    if (!d) return FALSE;
    d->crBackground = bg;
    d->left = left;
    d->top = top;
    d->right = static_cast<LONG>(static_cast<long long>(left) + width);
    d->bottom = static_cast<LONG>(static_cast<long long>(top) + height);
    d->dUnit = 20.0;
    d->dZoom = 1.0;
    d->dXorg = d->dYorg = 0.0;
    return TRUE;
}

BOOL DxfGetExtents(HDXFDRAWING hDrawing, DXFBOX* pBox) {
    if (pBox) *pBox = {};
    GlobalLockGuard<DXFDRAWING> d(hDrawing);
    if (!d || !pBox) return FALSE;
    BlockBoxes memo;
    BoxBuilder all;
    DxfForEachEntity(d->entities, [&](const DXFENTITYHEADER& h, const void* data, DWORD) {
        DXFBOX b;
        if (EntityBox(d.get(), h, data, b, memo, 0) && Finite(b)) all.Add(b);
        return true;
    });
    if (!all.any) return FALSE;
    *pBox = all.box;
    return TRUE;
}

BOOL DxfGetEntityBox(const DXFDRAWING* pDrawing, const DXFENTITYHEADER* pHeader, const void* pData,
                     DXFBOX* pBox) {
    if (!pDrawing || !pHeader || !pData || !pBox) return FALSE;
    BlockBoxes memo;
    return EntityBox(pDrawing, *pHeader, pData, *pBox, memo, 0);
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

DWORD DxfAddTableRecord(HDXFDRAWING hDrawing, UINT nTable, const void* pRecord) {
    GlobalLockGuard<DXFDRAWING> d(hDrawing);
    if (!d || !pRecord) return 0;
    const TableView t = Table(d.get(), nTable);
    if (!t || *t.count >= t.capacity) return 0;
    const char* name = reinterpret_cast<const char*>(static_cast<const std::byte*>(pRecord) + sizeof(DWORD));
    for (DWORD i = 0; i < *t.count; ++i)
        if (SameName(t.NameAt(i), name, 512)) return 0;
    if (nTable == DXF_TABLE_LAYER &&
        !TableHasId(d.get(), DXF_TABLE_LTYPE, static_cast<const DXFLAYER*>(pRecord)->dwLineType))
        return 0;
    if (nTable == DXF_TABLE_DIMSTYLE) {
        // A dimension style names its text style by ID; none (0) is allowed,
        // as the file gives no name to resolve it by.
        const DWORD style = static_cast<const DXFDIMSTYLE*>(pRecord)->dwTextStyle;
        if (style != 0 && !TableHasId(d.get(), DXF_TABLE_STYLE, style)) return 0;
    }
    std::byte* slot = t.At(*t.count);
    std::memcpy(slot, pRecord, t.recordSize);
    // The name is a C string within its field, whatever the caller left after it.
    reinterpret_cast<char*>(slot + sizeof(DWORD))[511] = '\0';
    const DWORD id = d->dwLastId + 1;
    std::memcpy(slot, &id, sizeof id);
    ++*t.count;
    d->dwLastId = id;
    return id;
}

DWORD DxfFindTableRecord(DXFDRAWING* d, UINT nTable, WORD wFlags, void* pRecord) {
    if (!d || !pRecord) return 0;
    if (wFlags & (DXF_FIND_FIRST | DXF_FIND_LAST | DXF_FIND_PREV | DXF_FIND_NEXT)) {
        const TableView t = Table(d, nTable);
        if (!t || *t.count == 0) return 0;
        DWORD& c = *t.cursor;
        if (wFlags & DXF_FIND_FIRST) {
            c = 0;
        } else if (wFlags & DXF_FIND_LAST) {
            c = *t.count - 1;
        } else if (wFlags & DXF_FIND_PREV) {
            if (c == 0 || c >= *t.count) return 0;
            --c;
        } else {
            if (c + 1 >= *t.count) return 0;
            ++c;
        }
        std::memcpy(pRecord, t.At(c), t.recordSize);
        return t.IdAt(c);
    }
    if (!(wFlags & (DXF_FIND_BYNAME | DXF_FIND_BYID))) return 0;
    DWORD wantId;
    std::memcpy(&wantId, pRecord, sizeof wantId);
    char wantName[512];
    std::memcpy(wantName, static_cast<const std::byte*>(pRecord) + sizeof(DWORD), sizeof wantName);
    wantName[511] = '\0';

    auto search = [&](UINT table) -> DWORD {
        const TableView t = Table(d, table);
        DWORD found = 0;
        for (DWORD i = 0; i < *t.count; ++i) {
            const bool match = ((wFlags & DXF_FIND_BYID) && t.IdAt(i) == wantId) ||
                               ((wFlags & DXF_FIND_BYNAME) && SameName(t.NameAt(i), wantName, 512));
            if (!match) continue;
            std::memcpy(pRecord, t.At(i), t.recordSize);
            found = t.IdAt(i);
        }
        return found;
    };
    if (nTable != 0) return Table(d, nTable) ? search(nTable) : 0;
    for (UINT table : {DXF_TABLE_DIMSTYLE, DXF_TABLE_LAYER, DXF_TABLE_LTYPE, DXF_TABLE_STYLE})
        if (const DWORD id = search(table)) return id;
    return 0;
}

DWORD DxfTableIdByName(const DXFDRAWING* pDrawing, UINT nTable, const char* pszName) {
    if (!pDrawing || !pszName) return 0;
    const TableView t = Table(const_cast<DXFDRAWING*>(pDrawing), nTable);
    if (!t) return 0;
    DWORD found = 0;
    for (DWORD i = 0; i < *t.count; ++i)
        if (SameName(t.NameAt(i), pszName, 512)) found = t.IdAt(i);
    return found;
}

DWORD DxfAddBlock(DXFDRAWING* d, const DXFBLOCK* pBlock) {
    if (!d || !pBlock || d->nBlocks >= DXF_MAX_BLOCKS) return 0;
    for (DWORD i = 0; i < d->nBlocks; ++i)
        if (SameName(d->blocks[i].szName, pBlock->szName, sizeof pBlock->szName)) return 0;
    HGLOBAL list = GlobalAlloc(GHND, DXF_BLOCK_LIST_BYTES);
    if (!list) return 0;
    DXFBLOCK& b = d->blocks[d->nBlocks];
    b = *pBlock;
    b.szName[sizeof b.szName - 1] = '\0';
    b.dwId = d->dwLastId + 1;
    b.list = {};
    b.list.hMem = list;
    b.list.dwSize = static_cast<DWORD>(GlobalSize(list));
    ++d->nBlocks;
    d->dwLastId = b.dwId;
    NoteAnonymousDimensionName(d, b.szName);
    return b.dwId;
}

DWORD DxfFindBlock(DXFDRAWING* d, WORD wFlags, DXFBLOCK* pBlock) {
    if (!d || !pBlock || d->nBlocks == 0) return 0;
    DWORD& c = d->dwBlockCursor;
    switch (wFlags) {
    case DXF_FIND_FIRST:
        c = 0;
        break;
    case DXF_FIND_LAST:
        c = d->nBlocks - 1;
        break;
    case DXF_FIND_NEXT:
        if (c + 1 >= d->nBlocks) return 0;
        ++c;
        break;
    case DXF_FIND_PREV:
        if (c == 0 || c >= d->nBlocks) return 0;
        --c;
        break;
    case DXF_FIND_BYNAME:
    case DXF_FIND_BYID: {
        DWORD i = 0;
        for (; i < d->nBlocks; ++i) {
            const DXFBLOCK& b = d->blocks[i];
            if (wFlags == DXF_FIND_BYID ? b.dwId == pBlock->dwId
                                        : SameName(b.szName, pBlock->szName, sizeof pBlock->szName))
                break;
        }
        if (i == d->nBlocks) return 0;
        c = i;
        break;
    }
    default:
        return 0;
    }
    *pBlock = d->blocks[c];
    return pBlock->dwId;
}

DWORD DxfAddEntity(DXFDRAWING* d, DWORD dwBlockId, const DXFENTITYHEADER* pHeader, const void* pData) {
    if (!d || !pHeader || !pData) return 0;
    DXFENTITYLIST* list = ListOf(d, dwBlockId);
    if (!list) return 0;
    DXFENTITYHEADER h = *pHeader;
    h.dwFlags = 0;
    const std::size_t dataSize = DxfEntityDataSize(h.wType);
    if (dataSize == 0) return 0;
    const std::size_t need = sizeof h + dataSize;

    // Room first, so that a refused entity leaves no generated block behind.
    if (static_cast<std::size_t>(list->dwSize) <= list->dwUsed + need) {
        const std::size_t grown = static_cast<std::size_t>(list->dwSize) + DXF_LIST_GROWTH;
        if (grown > 0xFFFFFFFFu) return 0;
        if (!GlobalReAlloc(list->hMem, grown, GMEM_MOVEABLE | GMEM_ZEROINIT)) return 0;
        list->dwSize = static_cast<DWORD>(GlobalSize(list->hMem));
        if (static_cast<std::size_t>(list->dwSize) <= list->dwUsed + need) return 0;
    }

    DXFDIMENSION dim;
    if (h.wType == DXF_DIMENSION) {
        std::memcpy(&dim, pData, sizeof dim);
        pData = &dim;
        const DXFDIMSTYLE* style = nullptr;
        if (dim.dwBlock == 0 && dim.dwDimStyle != 0)
            for (DWORD i = 0; i < d->nDimStyles && !style; ++i)
                if (d->dimStyles[i].dwId == dim.dwDimStyle) style = &d->dimStyles[i];
        if (style) {
            DXFBLOCK anon;
            std::memset(&anon, 0, sizeof anon);
            std::snprintf(anon.szName, sizeof anon.szName, "*D%lu",
                          static_cast<unsigned long>(d->dwAnonDimension) + 1ul);
            anon.bFlags = 1;
            anon.dwLayer = h.dwLayer;
            ++d->dwAnonDimension;
            if (const DWORD id = DxfAddBlock(d, &anon)) {
                DxfMakeDimensionBlock(d, id, &h, &dim, style);
                dim.dwBlock = id;
            }
        }
    }

    h.dwId = d->dwLastId + 1;
    GlobalLockGuard<std::byte> mem(list->hMem);
    if (!mem) return 0;
    const DWORD off = list->dwUsed;
    h.dwPrev = list->dwLast;
    h.dwNext = static_cast<DWORD>(off + need);
    std::memcpy(mem.get() + off, &h, sizeof h);
    std::memcpy(mem.get() + off + sizeof h, pData, dataSize);
    list->dwLast = off;
    list->dwUsed = h.dwNext;
    ++list->nCount;
    d->dwLastId = h.dwId;
    return h.dwId;
}

DWORD DxfFindEntity(DXFDRAWING* d, const char* pszBlockName, DXFENTITYHEADER* pHeader, void* pData,
                    WORD wFlags, DWORD* pdwOffset) {
    if (!d || !pHeader) return 0;
    DXFENTITYLIST* list = &d->entities;
    if (pszBlockName) {
        list = nullptr;
        for (DWORD i = 0; i < d->nBlocks && !list; ++i)
            if (SameName(d->blocks[i].szName, pszBlockName, sizeof d->blocks[i].szName))
                list = &d->blocks[i].list;
        if (!list) return 0;
    }
    if (list->nCount == 0 || list->dwUsed == 0) return 0;
    GlobalLockGuard<std::byte> mem(list->hMem);
    if (!mem) return 0;
    DWORD off;
    if (wFlags & DXF_FIND_FIRST) {
        off = 0;
    } else if (wFlags & DXF_FIND_LAST) {
        off = list->dwLast;
    } else if (wFlags & DXF_FIND_PREV) {
        return 0;
    } else if (wFlags & DXF_FIND_NEXT) {
        if (list->dwCursor >= list->dwUsed) return 0;
        off = list->dwCursor;
    } else if (wFlags & DXF_FIND_BYID) {
        const DWORD want = pHeader->dwId;
        off = 0;
        for (;;) {
            DXFENTITYHEADER h;
            if (!CopyRecord(*list, mem.get(), off, &h, nullptr)) return 0;
            if (h.dwId == want) break;
            off = h.dwNext;
        }
    } else {
        return 0;
    }
    DXFENTITYHEADER h;
    if (!CopyRecord(*list, mem.get(), off, &h, pData)) return 0;
    *pHeader = h;
    const bool last = (wFlags & DXF_FIND_LAST) && !(wFlags & DXF_FIND_FIRST);
    list->dwCursor = last ? list->dwUsed : h.dwNext;
    if (pdwOffset) *pdwOffset = off;
    return h.dwId;
}
