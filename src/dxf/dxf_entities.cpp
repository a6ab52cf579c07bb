// The readers of the DXF entities the engine draws.
//
// Each is called right after the entity's (0, name) pair and reads pairs
// (marking before each) until the next code 0 pair, storing values by group
// code and ignoring the codes it does not list. Coordinates are x 10..13,
// y 20..23, z 30..33 for the entity's first to fourth point; unread fields
// stay 0 unless a default is named. Common fields: 6 line type, 8 layer,
// 39 thickness, 48 line-type scale, 62 colour (INSERT reads only 6, 8, 62).
// CIRCLE, ELLIPSE, LWPOLYLINE, POLYLINE and SPLINE take a 330 that stands
// inside a 102 "{ACAD_REACTORS" group as the owner handle; HATCH takes its
// own handle (5).
//
// Counted sequences (LWPOLYLINE 90, SPLINE 72/73/74, HATCH 93/95/96/78/79)
// fill the k-th element with the k-th value of each group code, counting
// each code on its own, and ignore values beyond the count; only a
// LWPOLYLINE's widths and bulges (40, 41, 42), which are left out for the
// vertices without them, go to the vertex whose 10 came last. A count is
// never believed beyond what the rest of the file could hold (every value
// takes at least one pair of four bytes), so a file cannot make the reader
// allocate more than its own size warrants. A count that comes again
// replaces the arrays it made before and starts its sequences again, so that
// no sequence ever runs past its array.
#include "dxf/dxf_heap.h"
#include "dxf/dxf_reader_internal.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

struct DxfReaderScratch {
    std::vector<DXFVERTEX> vertices; // a POLYLINE's VERTEX entities
    std::string text;                // an MTEXT's chunks
};

DxfReaderScratch* DxfNewReaderScratch() {
    return new (std::nothrow) DxfReaderScratch;
}
void DxfDeleteReaderScratch(DxfReaderScratch* s) {
    delete s;
}

namespace {

// Bytes of the smallest pair ("10", line end, empty value, line end).
constexpr long long kMinPairBytes = 4;

// A count from the file, limited to the items the rest of it could hold
// when each item takes pairsPerItem pairs.
int CapCount(const DXFREADER* r, int n, int pairsPerItem) {
    if (n <= 0) return n;
    const long long rest = static_cast<long long>(r->dwFileSize) - r->dwPos;
    const long long most = (rest > 0 ? rest : 0) / (kMinPairBytes * pairsPerItem) + 1;
    return n < most ? n : static_cast<int>(most);
}

// Double to the 32-bit float the knots are kept in; out of range becomes
// infinity, as the processor's conversion gives it.
float ToFloat(double d) {
    if (std::isnan(d)) return NAN;
    if (d >= 0x1.ffffffp127) return INFINITY;
    if (d <= -0x1.ffffffp127) return -INFINITY;
    return static_cast<float>(d);
}

short ColourNumber(std::string_view v) {
    return static_cast<short>(static_cast<WORD>(DxfAtoi(v) & 0xFFFF));
}

void CopyHandle(DXFENTITYCOMMON* c, std::string_view v) {
    DxfCopyText(c->szHandle, v);
}

// The common fields; thicknessAndScale is false for INSERT.
bool StoreCommon(DXFENTITYCOMMON* c, int code, std::string_view v, bool thicknessAndScale = true) {
    switch (code) {
    case 60: // invisible
        c->dwFlags = DxfAtoi(v) == 1 ? c->dwFlags | DXF_ENTITY_INVISIBLE : c->dwFlags & ~DXF_ENTITY_INVISIBLE;
        return true;
    case 67: // in paper space
        c->dwFlags =
            DxfAtoi(v) == 1 ? c->dwFlags | DXF_ENTITY_PAPERSPACE : c->dwFlags & ~DXF_ENTITY_PAPERSPACE;
        return true;
    case 210:
        c->ptExtrusion.x = DxfAtof(v);
        return true;
    case 220:
        c->ptExtrusion.y = DxfAtof(v);
        return true;
    case 230:
        c->ptExtrusion.z = DxfAtof(v);
        return true;
    case 6:
        DxfCopyText(c->szLineType, v);
        return true;
    case 8:
        DxfCopyText(c->szLayer, v);
        return true;
    case 62:
        c->nColor = ColourNumber(v);
        return true;
    case 39:
        if (thicknessAndScale) c->dThickness = DxfAtof(v);
        return thicknessAndScale;
    case 48:
        if (thicknessAndScale) c->dLineTypeScale = DxfAtof(v);
        return thicknessAndScale;
    default:
        return false;
    }
}

// 102 "{ACAD_REACTORS" switches capture on, any other 102 off; a 330 while it
// is on is the owner handle.
struct OwnerCapture {
    bool on = false;
    bool Store(DXFENTITYCOMMON* c, int code, std::string_view v) {
        if (code == 102) {
            on = v == "{ACAD_REACTORS";
            return true;
        }
        if (code == 330 && on) {
            CopyHandle(c, v);
            return true;
        }
        return false;
    }
};

// The frame of every reader: mark, read a pair, hand it to store until the
// code 0 pair that follows the entity. store returns false to stop at once
// (a failed allocation); the pair it was given then stands in for the code 0
// pair, so that the entity stream ends there.
template <class Store> void ReadPairs(DXFREADER* r, char* pszValue, Store&& store) {
    for (;;) {
        DxfMark(r);
        const DxfPair p = DxfReadPairView(r);
        if (p.code == 0 || !store(p.code, p.value)) {
            DxfCopyText(pszValue, DXF_VALUE_BYTES, p.value);
            return;
        }
    }
}

void SetCoord(DXFCOORD& pt, int axis, std::string_view v) {
    const double d = DxfAtof(v);
    if (axis == 0)
        pt.x = d;
    else if (axis == 1)
        pt.y = d;
    else
        pt.z = d;
}

// Codes 10..1n / 20..2n / 30..3n into the entity's first, second, ...
// point (a null entry takes no codes); false for any other code.
bool StorePoint(int code, std::string_view v, std::initializer_list<DXFCOORD*> points) {
    if (code < 10 || code >= 40) return false;
    const std::size_t index = static_cast<std::size_t>(code % 10);
    if (index >= points.size() || !points.begin()[index]) return false;
    SetCoord(*points.begin()[index], code / 10 - 1, v);
    return true;
}

// The next element of a counted sequence, or null once count elements are
// filled (or when there is no array).
template <class T> T* NextOf(T* array, int& filled, int count) {
    return array && filled < count ? &array[filled++] : nullptr;
}

void ReadLine(DXFREADER* r, DXFENTITYCOMMON* c, DXFLINE* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_LINE;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (!StorePoint(code, s, {&e->ptStart, &e->ptEnd})) StoreCommon(c, code, s);
        return true;
    });
}

void ReadPoint(DXFREADER* r, DXFENTITYCOMMON* c, DXFPOINT* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_POINT;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (!StorePoint(code, s, {&e->pt})) StoreCommon(c, code, s);
        return true;
    });
}

void ReadCircle(DXFREADER* r, DXFENTITYCOMMON* c, DXFCIRCLE* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_CIRCLE;
    OwnerCapture owner;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (!StorePoint(code, s, {&e->ptCenter}) && !DxfStoreField(code, s, {{40, &e->dRadius}}) &&
            !owner.Store(c, code, s))
            StoreCommon(c, code, s);
        return true;
    });
}

void ReadArc(DXFREADER* r, DXFENTITYCOMMON* c, DXFARC* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_ARC;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (!StorePoint(code, s, {&e->ptCenter}) &&
            !DxfStoreField(code, s, {{40, &e->dRadius}, {50, &e->dStartAngle}, {51, &e->dEndAngle}}))
            StoreCommon(c, code, s);
        return true;
    });
}

void ReadEllipse(DXFREADER* r, DXFENTITYCOMMON* c, DXFELLIPSE* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_ELLIPSE;
    OwnerCapture owner;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (!StorePoint(code, s, {&e->ptCenter, &e->ptMajor}) &&
            !DxfStoreField(code, s, {{40, &e->dRatio}, {41, &e->dStartParam}, {42, &e->dEndParam}}) &&
            !owner.Store(c, code, s))
            StoreCommon(c, code, s);
        return true;
    });
}

// SOLID and 3DFACE: a fourth corner that is not given lies on the third.
void ReadSolid(DXFREADER* r, DXFENTITYCOMMON* c, DXFSOLID* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_SOLID;
    e->pt[3] = {DBL_MAX, DBL_MAX, DBL_MAX};
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (code == 70)
            e->nFlags = DxfAtoi(s);
        else if (!StorePoint(code, s, {&e->pt[0], &e->pt[1], &e->pt[2], &e->pt[3]}))
            StoreCommon(c, code, s);
        return true;
    });
    if (e->pt[3].x == DBL_MAX) e->pt[3].x = e->pt[2].x;
    if (e->pt[3].y == DBL_MAX) e->pt[3].y = e->pt[2].y;
    if (e->pt[3].z == DBL_MAX) e->pt[3].z = e->pt[2].z;
}

// TEXT, and ATTRIB (an attribute's value, after its INSERT) which has the
// same fields but its vertical justification in 74 (73 is its field
// length) and its flags in 70 (bit 0: invisible). What follows a 101 (an
// embedded MTEXT) is not read.
void ReadText(DXFREADER* r, DXFENTITYCOMMON* c, DXFTEXTENTRY* e, char* v, bool attrib = false) {
    std::memset(e, 0, offsetof(DXFTEXTENTRY, szStyle));
    e->szStyle[0] = '\0';
    e->szText[0] = '\0';
    e->dOblique = 0;
    e->nGenFlags = 0;
    e->bAttribute = attrib;
    e->dWidthFactor = 1.0;
    c->wType = DXF_TEXT;
    const int vertical = attrib ? 74 : 73;
    bool invisible = false, embedded = false;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (embedded || (code == 101 && (embedded = true))) return true;
        if (StorePoint(code, s, {&e->ptInsert, &e->ptAlign})) return true;
        if (DxfStoreField(code, s,
                          {{40, &e->dHeight},
                           {41, &e->dWidthFactor},
                           {50, &e->dRotation},
                           {51, &e->dOblique},
                           {71, &e->nGenFlags}}))
            return true;
        if (code == 72) {
            e->wJustify = static_cast<WORD>((e->wJustify & 0xFF00) | (DxfAtoi(s) & 0xFF));
        } else if (code == vertical) {
            e->wJustify = static_cast<WORD>((e->wJustify & 0x00FF) | ((DxfAtoi(s) & 0xFF) << 8));
        } else if (code == 7) {
            DxfCopyText(e->szStyle, s);
        } else if (code == 1) {
            DxfCopyText(e->szText, s);
        } else if (attrib && code == 70) {
            invisible = (DxfAtoi(s) & 1) != 0;
        } else if (!(attrib && code == 73)) {
            StoreCommon(c, code, s);
        }
        return true;
    });
    if (invisible) c->dwFlags |= DXF_ENTITY_INVISIBLE;
}

// MTEXT: the text comes in chunks of up to 250 characters (3) before its
// last part (1); they are joined in file order, up to kMaxMTextBytes.
constexpr std::size_t kMaxMTextBytes = std::size_t{1} << 20;

void ReadMText(DXFREADER* r, DXFENTITYCOMMON* c, DXFMTEXTENTRY* e, char* v) {
    std::memset(e, 0, offsetof(DXFMTEXTENTRY, szStyle));
    e->szStyle[0] = '\0';
    e->pszText = nullptr;
    e->dLineSpacing = 1.0;
    e->nAttach = 1;
    c->wType = DXF_MTEXT;
    std::string& text = r->pScratch->text;
    text.clear();
    bool embedded = false;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (embedded || (code == 101 && (embedded = true))) return true;
        if (StorePoint(code, s, {&e->ptInsert, &e->ptDirection})) return true;
        if (DxfStoreField(code, s,
                          {{40, &e->dHeight},
                           {41, &e->dRefWidth},
                           {44, &e->dLineSpacing},
                           {50, &e->dRotation},
                           {71, &e->nAttach},
                           {7, e->szStyle}}))
            return true;
        if (code == 1 || code == 3) {
            if (text.size() < kMaxMTextBytes) text.append(s.substr(0, kMaxMTextBytes - text.size()));
        } else {
            StoreCommon(c, code, s);
        }
        return true;
    });
    e->pszText = DxfHeapNew<char>(text.size() + 1);
    if (e->pszText)
        std::memcpy(e->pszText, text.data(), text.size());
    else
        c->wType = 0; // no memory for the text: nothing to store
}

// A MINSERT array's counts as the file keeps them (16-bit), at least 1.
int ArrayCount(std::string_view s) {
    const int n = DxfAtoi(s);
    return n < 1 ? 1 : (n > 32767 ? 32767 : n);
}

void ReadInsert(DXFREADER* r, DXFENTITYCOMMON* c, DXFINSERTENTRY* e, char* v) {
    std::memset(e, 0, offsetof(DXFINSERTENTRY, szBlock));
    e->szBlock[0] = '\0';
    e->dScaleX = e->dScaleY = e->dScaleZ = 1.0;
    e->nColumns = e->nRows = 1;
    c->wType = DXF_INSERT;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (StorePoint(code, s, {&e->ptInsert})) return true;
        if (DxfStoreField(code, s,
                          {{41, &e->dScaleX},
                           {42, &e->dScaleY},
                           {43, &e->dScaleZ},
                           {50, &e->dRotation},
                           {44, &e->dColSpacing},
                           {45, &e->dRowSpacing}}))
            return true;
        if (code == 70)
            e->nColumns = ArrayCount(s);
        else if (code == 71)
            e->nRows = ArrayCount(s);
        else if (code == 2)
            DxfCopyText(e->szBlock, s);
        else
            StoreCommon(c, code, s, false);
        return true;
    });
}

void ReadDimension(DXFREADER* r, DXFENTITYCOMMON* c, DXFDIMENSIONENTRY* e, char* v) {
    std::memset(e, 0, offsetof(DXFDIMENSIONENTRY, szDimStyle));
    e->szDimStyle[0] = '\0';
    e->szText[0] = '\0';
    e->nDimType = 0;
    e->dMeasurement = 0;
    e->dAngle = 0;
    e->bAngle = 0;
    e->ptChord = e->ptArc = DXFCOORD{0, 0, 0};
    c->wType = DXF_DIMENSION;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        // The definition point is the first point (10), the extension line
        // origins the fourth and fifth (13, 14), then the radius/diameter
        // or angle vertex point (15) and the angular arc point (16).
        if (StorePoint(code, s,
                       {&e->ptDef, nullptr, nullptr, &e->ptExt1, &e->ptExt2, &e->ptChord, &e->ptArc}))
            return true;
        if (DxfStoreField(code, s, {{53, &e->dTextRotation}, {70, &e->nDimType}, {42, &e->dMeasurement}}))
            return true;
        if (DxfStoreField(code, s, {{50, &e->dAngle}})) return e->bAngle = 1, true;
        switch (code) {
        case 2:
            DxfCopyText(e->szBlock, s);
            break;
        case 3:
            DxfCopyText(e->szDimStyle, s);
            break;
        case 1:
            DxfCopyText(e->szText, s);
            break;
        default:
            StoreCommon(c, code, s);
            break;
        }
        return true;
    });
}

// Gives back the part of an array beyond the entries kept; an array with
// none kept is freed.
template <class T> void KeepFirst(T*& p, int kept, int allocated) {
    if (!p || kept >= allocated) return;
    if (kept <= 0) {
        DxfHeapFree(p);
        p = nullptr;
        return;
    }
    if (void* q = DxfHeapRealloc(p, static_cast<std::size_t>(kept), sizeof(T))) p = static_cast<T*>(q);
}

int Smaller(int a, int b) {
    return a < b ? a : b;
}

void ReadLwPolyline(DXFREADER* r, DXFENTITYCOMMON* c, DXFPOLYLINE* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_POLYLINE;
    OwnerCapture owner;
    int capacity = 0;
    int n10 = 0, n20 = 0;
    double elevation = 0, constantWidth = 0;
    // Widths and bulges are written only for the vertices that have them,
    // after the vertex's 10/20: they belong to the vertex of the last 10.
    auto current = [&]() -> DXFVERTEX* {
        return n10 >= 1 && n10 <= capacity ? &e->pVertices[n10 - 1] : nullptr;
    };
    ReadPairs(r, v, [&](int code, std::string_view s) {
        switch (code) {
        case 70:
            e->wFlags = static_cast<WORD>(DxfAtoi(s));
            break;
        case 90: {
            const int n = CapCount(r, DxfAtoi(s), 2);
            DxfHeapFree(e->pVertices);
            e->pVertices = nullptr;
            capacity = 0;
            n10 = n20 = 0;
            e->nVertices = n;
            if (n >= 1) {
                e->pVertices = DxfHeapNew<DXFVERTEX>(static_cast<std::size_t>(n));
                if (!e->pVertices) {
                    e->nVertices = 0;
                    return false;
                }
                capacity = n;
            }
            break;
        }
        case 10:
            if (DXFVERTEX* p = NextOf(e->pVertices, n10, capacity)) p->x = DxfAtof(s);
            break;
        case 20:
            if (DXFVERTEX* p = NextOf(e->pVertices, n20, capacity)) p->y = DxfAtof(s);
            break;
        case 40:
            if (DXFVERTEX* p = current()) p->dStartWidth = DxfAtof(s);
            break;
        case 41:
            if (DXFVERTEX* p = current()) p->dEndWidth = DxfAtof(s);
            break;
        case 42:
            if (DXFVERTEX* p = current()) p->dBulge = DxfAtof(s);
            break;
        case 38:
            elevation = DxfAtof(s);
            break;
        case 43:
            constantWidth = DxfAtof(s);
            break;
        default:
            if (!owner.Store(c, code, s)) StoreCommon(c, code, s);
            break;
        }
        return true;
    });
    if (!e->pVertices) {
        e->nVertices = 0;
        return;
    }
    e->nVertices = Smaller(n10, n20);
    KeepFirst(e->pVertices, e->nVertices, capacity);
    // The constant width stands for the widths a vertex does not give.
    for (int i = 0; i < e->nVertices; ++i) {
        DXFVERTEX& p = e->pVertices[i];
        p.z = elevation;
        if (p.dStartWidth == 0 && p.dEndWidth == 0) p.dStartWidth = p.dEndWidth = constantWidth;
    }
}

void ReadPolyline(DXFREADER* r, DXFENTITYCOMMON* c, DXFPOLYLINE* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_POLYLINE;
    OwnerCapture owner;
    // Widths for the vertices that give none (40, 41), and a mesh's size.
    double startWidth = 0, endWidth = 0;
    ReadPairs(r, v, [&](int code, std::string_view s) {
        if (code == 70)
            e->wFlags = static_cast<WORD>(DxfAtoi(s));
        else if (!DxfStoreField(code, s,
                                {{40, &startWidth}, {41, &endWidth}, {71, &e->nMeshM}, {72, &e->nMeshN}}) &&
                 !owner.Store(c, code, s))
            StoreCommon(c, code, s);
        return true;
    });
    std::vector<DXFVERTEX>& list = r->pScratch->vertices;
    list.clear();
    bool lost = false;
    while (std::strcmp(v, "VERTEX") == 0) {
        DXFVERTEX vx{};
        vx.dStartWidth = startWidth;
        vx.dEndWidth = endWidth;
        ReadPairs(r, v, [&](int code, std::string_view s) {
            DxfStoreField(code, s,
                          {{10, &vx.x},
                           {20, &vx.y},
                           {30, &vx.z},
                           {40, &vx.dStartWidth},
                           {41, &vx.dEndWidth},
                           {42, &vx.dBulge},
                           {50, &vx.dTangent},
                           {70, &vx.nFlags},
                           {71, &vx.nFace[0]},
                           {72, &vx.nFace[1]},
                           {73, &vx.nFace[2]},
                           {74, &vx.nFace[3]}});
            return true;
        });
        if (lost) continue;
        try {
            list.push_back(vx);
        } catch (const std::bad_alloc&) {
            lost = true;
        }
    }
    // The code 0 pair after the vertices (SEQEND) is left to the caller.
    if (lost || list.empty()) return;
    e->pVertices = DxfHeapNew<DXFVERTEX>(list.size());
    if (!e->pVertices) return;
    std::memcpy(e->pVertices, list.data(), list.size() * sizeof(DXFVERTEX));
    e->nVertices = static_cast<int>(list.size());
}

void ReadSpline(DXFREADER* r, DXFENTITYCOMMON* c, DXFSPLINE* e, char* v) {
    std::memset(e, 0, sizeof *e);
    c->wType = DXF_SPLINE;
    OwnerCapture owner;
    int knotCap = 0, ctrlCap = 0, fitCap = 0;
    int knots = 0, c10 = 0, c20 = 0, f11 = 0, f21 = 0, w41 = 0;
    // A count makes a new zeroed array of that many entries (none when it is
    // not positive).
    auto remake = [&](auto*& array, int& cap, int count) {
        DxfHeapFree(array);
        array = nullptr;
        cap = 0;
        if (count > 0) {
            array = DxfHeapNew<std::remove_reference_t<decltype(*array)>>(static_cast<std::size_t>(count));
            if (array) cap = count;
        }
    };
    ReadPairs(r, v, [&](int code, std::string_view s) {
        switch (code) {
        case 70:
            e->wFlags = static_cast<WORD>(DxfAtoi(s));
            break;
        case 71:
            e->nDegree = DxfAtoi(s);
            break;
        case 72:
            remake(e->pKnots, knotCap, CapCount(r, DxfAtoi(s), 1));
            knots = 0;
            break;
        case 73: {
            int weightCap = 0;
            remake(e->pControlPts, ctrlCap, CapCount(r, DxfAtoi(s), 2));
            remake(e->pWeights, weightCap, ctrlCap);
            c10 = c20 = w41 = 0;
            break;
        }
        case 74:
            remake(e->pFitPts, fitCap, CapCount(r, DxfAtoi(s), 2));
            f11 = f21 = 0;
            break;
        case 40:
            if (float* k = NextOf(e->pKnots, knots, knotCap)) *k = ToFloat(DxfAtof(s));
            break;
        case 10:
            if (DXFCOORD* p = NextOf(e->pControlPts, c10, ctrlCap)) p->x = DxfAtof(s);
            break;
        case 20:
            if (DXFCOORD* p = NextOf(e->pControlPts, c20, ctrlCap)) p->y = DxfAtof(s);
            break;
        case 11:
            if (DXFCOORD* p = NextOf(e->pFitPts, f11, fitCap)) p->x = DxfAtof(s);
            break;
        case 21:
            if (DXFCOORD* p = NextOf(e->pFitPts, f21, fitCap)) p->y = DxfAtof(s);
            break;
        case 41:
            if (double* w = NextOf(e->pWeights, w41, ctrlCap)) *w = DxfAtof(s);
            break;
        case 12:
            e->ptStartTangent.x = DxfAtof(s);
            break;
        case 22:
            e->ptStartTangent.y = DxfAtof(s);
            break;
        case 13:
            e->ptEndTangent.x = DxfAtof(s);
            break;
        case 23:
            e->ptEndTangent.y = DxfAtof(s);
            break;
        default:
            if (!owner.Store(c, code, s)) StoreCommon(c, code, s);
            break;
        }
        return true;
    });
    e->nKnots = knots;
    e->nControlPts = Smaller(c10, c20);
    e->nFitPts = Smaller(f11, f21);
    KeepFirst(e->pKnots, e->nKnots, knotCap);
    KeepFirst(e->pControlPts, e->nControlPts, ctrlCap);
    KeepFirst(e->pFitPts, e->nFitPts, fitCap);
    // Weights count only when every control point has one.
    if (w41 < e->nControlPts || w41 == 0) {
        DxfHeapFree(e->pWeights);
        e->pWeights = nullptr;
    } else {
        KeepFirst(e->pWeights, e->nControlPts, ctrlCap);
    }
}

} // namespace

bool DxfStoreCommon(DXFENTITYCOMMON* c, int code, std::string_view v) {
    return StoreCommon(c, code, v);
}

int DxfCapCount(const DXFREADER* r, int n, int pairsPerItem) {
    return CapCount(r, n, pairsPerItem);
}

bool DxfStorePoint(int code, std::string_view v, std::initializer_list<DXFCOORD*> points) {
    return StorePoint(code, v, points);
}

bool DxfReadKnownEntity(DXFREADER* r, DXFENTITYCOMMON* c, void* pData, char* v) {
    auto* d = static_cast<DXFENTITYENTRY*>(pData);
    switch (v[0]) {
    case 'M':
        if (std::strcmp(v, "MTEXT") == 0) return ReadMText(r, c, &d->mtext, v), true;
        break;
    case 'L':
        if (std::strcmp(v, "LINE") == 0) return ReadLine(r, c, &d->line, v), true;
        if (std::strcmp(v, "LWPOLYLINE") == 0) return ReadLwPolyline(r, c, &d->polyline, v), true;
        if (std::strcmp(v, "LARGE_RADIAL_DIMENSION") == 0) return ReadDimension(r, c, &d->dimension, v), true;
        break;
    case 'P':
        if (std::strcmp(v, "POINT") == 0) return ReadPoint(r, c, &d->point, v), true;
        if (std::strcmp(v, "POLYLINE") == 0) return ReadPolyline(r, c, &d->polyline, v), true;
        break;
    case 'C':
        if (std::strcmp(v, "CIRCLE") == 0) return ReadCircle(r, c, &d->circle, v), true;
        break;
    case 'E':
        if (std::strcmp(v, "ELLIPSE") == 0) return ReadEllipse(r, c, &d->ellipse, v), true;
        break;
    case 'T':
        if (std::strcmp(v, "TEXT") == 0) return ReadText(r, c, &d->text, v), true;
        // A TRACE is drawn as a SOLID.
        if (std::strcmp(v, "TRACE") == 0) return ReadSolid(r, c, &d->solid, v), true;
        break;
    case 'A':
        if (std::strcmp(v, "ARC") == 0) return ReadArc(r, c, &d->arc, v), true;
        if (std::strcmp(v, "ATTRIB") == 0) return ReadText(r, c, &d->text, v, true), true;
        // Later CAD versions write these under their own names, with the
        // fields (and the generated block) of a DIMENSION.
        if (std::strcmp(v, "ARC_DIMENSION") == 0) return ReadDimension(r, c, &d->dimension, v), true;
        break;
    case 'S':
        if (std::strcmp(v, "SOLID") == 0) return ReadSolid(r, c, &d->solid, v), true;
        if (std::strcmp(v, "SPLINE") == 0) return ReadSpline(r, c, &d->spline, v), true;
        break;
    case '3':
        if (std::strcmp(v, "3DFACE") == 0) {
            ReadSolid(r, c, &d->solid, v);
            c->wType = DXF_3DFACE;
            return true;
        }
        break;
    case 'I':
        if (std::strcmp(v, "INSERT") == 0) return ReadInsert(r, c, &d->insert, v), true;
        break;
    case 'H':
        if (std::strcmp(v, "HATCH") == 0) return DxfReadHatch(r, c, &d->hatch, v), true;
        break;
    case 'D':
        if (std::strcmp(v, "DIMENSION") == 0) return ReadDimension(r, c, &d->dimension, v), true;
        break;
    }
    return DxfReadLineEntity(r, c, pData, v);
}
