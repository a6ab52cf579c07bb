#include "dxf/dxf_drawing.h"

#include "dxf/dxf_heap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

// The tables as one kind of thing: records, count, room and cursor.
struct TableView {
    void** records = nullptr; // the table's array, which an add may move
    std::size_t recordSize = 0;
    DWORD limit = 0;
    DWORD* count = nullptr;
    DWORD* room = nullptr;
    DWORD* cursor = nullptr;

    explicit operator bool() const { return records != nullptr; }
    std::byte* At(DWORD i) const { return static_cast<std::byte*>(*records) + i * recordSize; }
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

template <class T> void** Slot(T*& array) {
    return reinterpret_cast<void**>(&array);
}

TableView Table(DXFDRAWING* d, UINT nTable) {
    switch (nTable) {
    case DXF_TABLE_LAYER:
        return {Slot(d->layers), sizeof(DXFLAYER), DXF_MAX_LAYERS,
                &d->nLayers,     &d->nLayerRoom,   &d->dwLayerCursor};
    case DXF_TABLE_LTYPE:
        return {Slot(d->ltypes), sizeof(DXFLTYPE), DXF_MAX_LTYPES,
                &d->nLTypes,     &d->nLTypeRoom,   &d->dwLTypeCursor};
    case DXF_TABLE_STYLE:
        return {Slot(d->styles), sizeof(DXFSTYLE), DXF_MAX_STYLES,
                &d->nStyles,     &d->nStyleRoom,   &d->dwStyleCursor};
    case DXF_TABLE_DIMSTYLE:
        return {Slot(d->dimStyles), sizeof(DXFDIMSTYLE), DXF_MAX_DIMSTYLES,
                &d->nDimStyles,     &d->nDimStyleRoom,   &d->dwDimStyleCursor};
    default:
        return {};
    }
}

// Room for one more record: the array doubles (from 16) up to the limit.
bool MakeRoom(void** records, DWORD count, DWORD* room, DWORD limit, std::size_t recordSize) {
    if (count < *room) return true;
    if (count >= limit) return false;
    const DWORD grown = count < 16 ? 16 : (count > limit / 2 ? limit : count * 2);
    void* p = DxfHeapRealloc(*records, grown, recordSize);
    if (!p) return false;
    *records = p;
    *room = grown;
    return true;
}

// The index of the record with that ID in an array ordered by ID, or -1.
template <class T> long IndexById(const T* records, DWORD n, DWORD id) {
    if (!records || id == 0) return -1;
    const T* end = records + n;
    const T* it = std::lower_bound(records, end, id, [](const T& r, DWORD want) { return r.dwId < want; });
    return it != end && it->dwId == id ? static_cast<long>(it - records) : -1;
}

// --- name indexes ---------------------------------------------------------

constexpr std::size_t kNameField = 512;

inline unsigned char Fold(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

std::uint32_t FoldHash(const char* s) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < kNameField && s[i]; ++i)
        h = (h ^ Fold(static_cast<unsigned char>(s[i]))) * 16777619u;
    return h;
}

bool FoldEqual(const char* a, const char* b) {
    for (std::size_t i = 0; i < kNameField; ++i) {
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
        if (!a[i]) return true;
    }
    return true;
}

// Names of the records of one table (or of the blocks) by position.
struct NameList {
    const std::byte* base;
    std::size_t stride;
    DWORD count;
    const char* At(DWORD i) const { return reinterpret_cast<const char*>(base + i * stride + sizeof(DWORD)); }
};

static_assert(offsetof(DXFBLOCK, szName) == sizeof(DWORD));

// Puts position pos (< names.count) into the index, rebuilding it twice as
// large when it is half full. An index that cannot grow is dropped: the
// lookups then read the names one by one.
void IndexAdd(DXFNAMEINDEX& ix, const NameList& names, DWORD pos) {
    if (2ull * names.count > ix.nSlots) {
        std::size_t n = ix.nSlots ? std::size_t{ix.nSlots} * 2 : 64;
        while (n < 2ull * names.count) n *= 2;
        DxfHeapFree(ix.pSlots);
        ix = {DxfHeapNew<DWORD>(n), static_cast<DWORD>(n)};
        if (!ix.pSlots) {
            ix = {};
            return;
        }
        for (DWORD i = 0; i < names.count; ++i) IndexAdd(ix, names, i);
        return;
    }
    for (DWORD s = FoldHash(names.At(pos)) & (ix.nSlots - 1);; s = (s + 1) & (ix.nSlots - 1)) {
        if (ix.pSlots[s] == 0) {
            ix.pSlots[s] = pos + 1;
            return;
        }
        if (ix.pSlots[s] == pos + 1) return;
    }
}

// The position of the record named want: the exact name, else (unless
// exactOnly) the latest that differs only in letter case; -1 for none.
long IndexFind(const DXFNAMEINDEX& ix, const NameList& names, const char* want, bool exactOnly) {
    long folded = -1;
    auto consider = [&](DWORD i) {
        const char* name = names.At(i);
        if (std::strncmp(name, want, kNameField) == 0) return true;
        if (!exactOnly && static_cast<long>(i) > folded && FoldEqual(name, want))
            folded = static_cast<long>(i);
        return false;
    };
    if (!ix.pSlots) {
        for (DWORD i = 0; i < names.count; ++i)
            if (consider(i)) return static_cast<long>(i);
        return folded;
    }
    for (DWORD s = FoldHash(want) & (ix.nSlots - 1); ix.pSlots[s] != 0; s = (s + 1) & (ix.nSlots - 1)) {
        const DWORD i = ix.pSlots[s] - 1;
        if (i < names.count && consider(i)) return static_cast<long>(i);
    }
    return folded;
}

DXFNAMEINDEX* IndexOf(DXFDRAWING* d, UINT nTable) {
    switch (nTable) {
    case DXF_TABLE_LAYER:
        return &d->layerNames;
    case DXF_TABLE_LTYPE:
        return &d->ltypeNames;
    case DXF_TABLE_STYLE:
        return &d->styleNames;
    case DXF_TABLE_DIMSTYLE:
        return &d->dimStyleNames;
    default:
        return nullptr;
    }
}

NameList NamesOf(const TableView& t) {
    return {static_cast<const std::byte*>(*t.records), t.recordSize, *t.count};
}

NameList BlockNames(const DXFDRAWING* d) {
    return {reinterpret_cast<const std::byte*>(d->blocks), sizeof(DXFBLOCK), d->nBlocks};
}

bool TableHasId(DXFDRAWING* d, UINT nTable, DWORD id) {
    switch (nTable) {
    case DXF_TABLE_LTYPE:
        return IndexById(d->ltypes, d->nLTypes, id) >= 0;
    case DXF_TABLE_STYLE:
        return IndexById(d->styles, d->nStyles, id) >= 0;
    default:
        return false;
    }
}

// A name field's C string (at most 511 characters), zero-padded.
void DxfCopyName(char (&dest)[512], const char* src) {
    const std::size_t n = strnlen(src, sizeof dest - 1);
    std::memcpy(dest, src, n);
    std::memset(dest + n, 0, sizeof dest - n);
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
    case DXF_LEADER:
    case DXF_MLEADER:
        return sizeof(DXFLEADER);
    case DXF_MLINE:
        return sizeof(DXFMLINE);
    case DXF_RAY:
    case DXF_XLINE:
        return sizeof(DXFRAY);
    case DXF_IMAGE:
    case DXF_WIPEOUT:
        return sizeof(DXFIMAGE);
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
    case DXF_LEADER:
        return "LEADER";
    case DXF_MLEADER:
        return "MULTILEADER";
    case DXF_MLINE:
        return "MLINE";
    case DXF_RAY:
        return "RAY";
    case DXF_XLINE:
        return "XLINE";
    case DXF_IMAGE:
        return "IMAGE";
    case DXF_WIPEOUT:
        return "WIPEOUT";
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
    case DXF_LEADER:
    case DXF_MLEADER: {
        auto* e = static_cast<DXFLEADER*>(pData);
        DxfHeapFree(e->pPoints);
        DxfHeapFree(e->pRuns);
        e->pPoints = nullptr;
        e->pRuns = nullptr;
        e->nPoints = e->nRuns = 0;
        break;
    }
    case DXF_MLINE: {
        auto* e = static_cast<DXFMLINE*>(pData);
        DxfHeapFree(e->pPoints);
        e->pPoints = nullptr;
        e->nVertices = e->nElements = 0;
        break;
    }
    case DXF_IMAGE:
    case DXF_WIPEOUT: {
        auto* e = static_cast<DXFIMAGE*>(pData);
        DxfHeapFree(e->pClip);
        e->pClip = nullptr;
        e->nClip = 0;
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
        DxfHeapFree(e->pWeights);
        e->pWeights = nullptr;
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
        if (e->pBoundary)
            for (int i = 0; i < e->nBoundaries; ++i) DxfFreeEntityData(DXF_POLYLINE, &e->pBoundary[i]);
        DxfHeapFree(e->pBoundary);
        e->pDashes = nullptr;
        e->pDashCounts = nullptr;
        e->pPatternAngles = nullptr;
        e->pPatternBase = e->pPatternOffset = nullptr;
        e->pBoundary = nullptr;
        e->nBoundaries = 0;
        e->nPatternLines = 0;
        break;
    }
    default:
        break;
    }
}

DXFBLOCK* DxfBlockById(DXFDRAWING* d, DWORD dwId) {
    if (!d) return nullptr;
    const long i = IndexById(d->blocks, d->nBlocks, dwId);
    return i >= 0 ? &d->blocks[i] : nullptr;
}

const DXFLAYER* DxfLayerById(const DXFDRAWING* d, DWORD dwId) {
    if (!d) return nullptr;
    const long i = IndexById(d->layers, d->nLayers, dwId);
    return i >= 0 ? &d->layers[i] : nullptr;
}

const DXFLTYPE* DxfLineTypeById(const DXFDRAWING* d, DWORD dwId) {
    if (!d) return nullptr;
    const long i = IndexById(d->ltypes, d->nLTypes, dwId);
    return i >= 0 ? &d->ltypes[i] : nullptr;
}

const DXFDIMSTYLE* DxfDimStyleById(const DXFDRAWING* d, DWORD dwId) {
    if (!d) return nullptr;
    const long i = IndexById(d->dimStyles, d->nDimStyles, dwId);
    return i >= 0 ? &d->dimStyles[i] : nullptr;
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
    d->dLtScale = 1.0;
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
        DxfHeapFree(d->blocks);
        DxfHeapFree(d->layers);
        DxfHeapFree(d->ltypes);
        DxfHeapFree(d->styles);
        DxfHeapFree(d->dimStyles);
        d->blocks = nullptr;
        d->layers = nullptr;
        d->ltypes = nullptr;
        d->styles = nullptr;
        d->dimStyles = nullptr;
        d->nBlocks = d->nLayers = d->nLTypes = d->nStyles = d->nDimStyles = 0;
        for (DXFNAMEINDEX* ix :
             {&d->layerNames, &d->ltypeNames, &d->styleNames, &d->dimStyleNames, &d->blockNames}) {
            DxfHeapFree(ix->pSlots);
            *ix = {};
        }
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

DWORD DxfAddTableRecord(HDXFDRAWING hDrawing, UINT nTable, const void* pRecord) {
    GlobalLockGuard<DXFDRAWING> d(hDrawing);
    if (!d || !pRecord) return 0;
    const TableView t = Table(d.get(), nTable);
    if (!t || *t.count >= t.limit) return 0;
    char name[kNameField];
    DxfCopyName(name, reinterpret_cast<const char*>(static_cast<const std::byte*>(pRecord) + sizeof(DWORD)));
    DXFNAMEINDEX& ix = *IndexOf(d.get(), nTable);
    if (IndexFind(ix, NamesOf(t), name, true) >= 0) return 0;
    // A layer's line type may be none (0): a drawing without an LTYPE table
    // still has layers.
    if (nTable == DXF_TABLE_LAYER) {
        const DWORD lt = static_cast<const DXFLAYER*>(pRecord)->dwLineType;
        if (lt != 0 && !TableHasId(d.get(), DXF_TABLE_LTYPE, lt)) return 0;
    }
    if (nTable == DXF_TABLE_DIMSTYLE) {
        // A dimension style names its text style by ID; none (0) is allowed,
        // as the file gives no name to resolve it by.
        const DWORD style = static_cast<const DXFDIMSTYLE*>(pRecord)->dwTextStyle;
        if (style != 0 && !TableHasId(d.get(), DXF_TABLE_STYLE, style)) return 0;
    }
    if (!MakeRoom(t.records, *t.count, t.room, t.limit, t.recordSize)) return 0;
    std::byte* slot = t.At(*t.count);
    std::memcpy(slot, pRecord, t.recordSize);
    // The name is a C string within its field, whatever the caller left after it.
    std::memcpy(slot + sizeof(DWORD), name, sizeof name);
    const DWORD id = d->dwLastId + 1;
    std::memcpy(slot, &id, sizeof id);
    ++*t.count;
    d->dwLastId = id;
    IndexAdd(ix, NamesOf(t), *t.count - 1);
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
    char wantName[kNameField];
    DxfCopyName(wantName,
                reinterpret_cast<const char*>(static_cast<const std::byte*>(pRecord) + sizeof(DWORD)));

    auto search = [&](UINT table) -> DWORD {
        const TableView t = Table(d, table);
        long found = -1;
        if (wFlags & DXF_FIND_BYNAME) found = IndexFind(*IndexOf(d, table), NamesOf(t), wantName, false);
        if ((wFlags & DXF_FIND_BYID) && wantId != 0) {
            // Records lie in ID order. Of two matches, the later record is
            // the one a walk through the table would copy last.
            DWORD lo = 0, hi = *t.count;
            while (lo < hi) {
                const DWORD mid = lo + (hi - lo) / 2;
                if (t.IdAt(mid) < wantId)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            if (lo < *t.count && t.IdAt(lo) == wantId && static_cast<long>(lo) > found)
                found = static_cast<long>(lo);
        }
        if (found < 0) return 0;
        std::memcpy(pRecord, t.At(static_cast<DWORD>(found)), t.recordSize);
        return t.IdAt(static_cast<DWORD>(found));
    };
    if (nTable != 0) return Table(d, nTable) ? search(nTable) : 0;
    for (UINT table : {DXF_TABLE_DIMSTYLE, DXF_TABLE_LAYER, DXF_TABLE_LTYPE, DXF_TABLE_STYLE})
        if (const DWORD id = search(table)) return id;
    return 0;
}

DWORD DxfTableIdByName(const DXFDRAWING* pDrawing, UINT nTable, const char* pszName) {
    if (!pDrawing || !pszName) return 0;
    auto* d = const_cast<DXFDRAWING*>(pDrawing);
    const TableView t = Table(d, nTable);
    if (!t) return 0;
    char name[kNameField];
    DxfCopyName(name, pszName);
    const long i = IndexFind(*IndexOf(d, nTable), NamesOf(t), name, false);
    return i >= 0 ? t.IdAt(static_cast<DWORD>(i)) : 0;
}

DWORD DxfBlockIdByName(const DXFDRAWING* d, const char* pszName, bool exactOnly) {
    if (!d || !pszName) return 0;
    char name[kNameField];
    DxfCopyName(name, pszName);
    const long i = IndexFind(d->blockNames, BlockNames(d), name, exactOnly);
    return i >= 0 ? d->blocks[i].dwId : 0;
}

DWORD DxfAddBlock(DXFDRAWING* d, const DXFBLOCK* pBlock) {
    if (!d || !pBlock || d->nBlocks >= DXF_MAX_BLOCKS) return 0;
    if (DxfBlockIdByName(d, pBlock->szName, true) != 0) return 0;
    if (!MakeRoom(Slot(d->blocks), d->nBlocks, &d->nBlockRoom, DXF_MAX_BLOCKS, sizeof(DXFBLOCK))) return 0;
    DXFBLOCK& b = d->blocks[d->nBlocks];
    b = *pBlock;
    b.szName[sizeof b.szName - 1] = '\0';
    b.dwId = d->dwLastId + 1;
    // The list is made with the block's first entity: many blocks hold none.
    b.list = {};
    ++d->nBlocks;
    d->dwLastId = b.dwId;
    IndexAdd(d->blockNames, BlockNames(d), d->nBlocks - 1);
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
        const DXFBLOCK* b = wFlags == DXF_FIND_BYID ? DxfBlockById(d, pBlock->dwId)
                                                    : DxfBlockById(d, DxfBlockIdByName(d, pBlock->szName));
        if (!b) return 0;
        c = static_cast<DWORD>(b - d->blocks);
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
    h.dwFlags &= DXF_ENTITY_INVISIBLE | DXF_ENTITY_PAPERSPACE;
    const std::size_t dataSize = DxfEntityDataSize(h.wType);
    if (dataSize == 0) return 0;
    const std::size_t need = sizeof h + dataSize;

    // Room first, so that a refused entity leaves no generated block behind.
    if (!list->hMem) {
        const std::size_t first = std::max<std::size_t>(DXF_BLOCK_LIST_BYTES, need + 1);
        list->hMem = GlobalAlloc(GHND, first);
        if (!list->hMem) return 0;
        list->dwSize = static_cast<DWORD>(GlobalSize(list->hMem));
    }
    if (static_cast<std::size_t>(list->dwSize) <= list->dwUsed + need) {
        // Small lists double, large ones grow by a fixed step.
        std::size_t grown = static_cast<std::size_t>(list->dwSize) +
                            std::min<std::size_t>(std::max<std::size_t>(list->dwSize, need), DXF_LIST_GROWTH);
        while (grown <= list->dwUsed + need) grown += DXF_LIST_GROWTH;
        if (grown > 0xFFFFFFFFu) return 0;
        if (!GlobalReAlloc(list->hMem, grown, GMEM_MOVEABLE | GMEM_ZEROINIT)) return 0;
        list->dwSize = static_cast<DWORD>(GlobalSize(list->hMem));
        if (static_cast<std::size_t>(list->dwSize) <= list->dwUsed + need) return 0;
    }

    DXFDIMENSION dim;
    if (h.wType == DXF_DIMENSION) {
        std::memcpy(&dim, pData, sizeof dim);
        pData = &dim;
        const DXFDIMSTYLE* style = dim.dwBlock == 0 ? DxfDimStyleById(d, dim.dwDimStyle) : nullptr;
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
            // Adding a block may have moved the blocks, and the list with them.
            list = ListOf(d, dwBlockId);
            if (!list) return 0;
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
        DXFBLOCK* b = DxfBlockById(d, DxfBlockIdByName(d, pszBlockName));
        if (!b) return 0;
        list = &b->list;
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
