// The DXF drawing database: one DXFDRAWING record in a relocatable block,
// handed around as its handle, with fixed-size tables, up to 256 blocks and
// the entity lists.
//
// Operations that take the handle lock the record themselves; those that
// take a DXFDRAWING* expect the caller to hold it locked. Locks nest, so an
// operation may call another that locks the same block. Every operation
// returns 0 (or NULL) on failure and then leaves the database as it was; a
// failed add uses up no ID. The cursors of the tables, of the block list and
// of each entity list persist between calls and are shared by everyone who
// walks that list.
#pragma once

#include "dxf/dxf_types.h"

#include <cstddef>
#include <string>
#include <string_view>

// A hash index of a table's names (ASCII letters folded to one case): a
// heap array of nSlots (a power of two, or 0 for none) record positions + 1,
// 0 marking a free slot. Without an index, names are looked up one by one.
struct DXFNAMEINDEX {
    DWORD* pSlots;
    DWORD nSlots;
};

struct DXFDRAWING {
    // The tables and the blocks are heap arrays that the drawing owns and
    // grows as records are added (up to DXF_MAX_*), in the order of their
    // IDs; a record's address holds until the next add to its table.
    DXFLAYER* layers;
    DXFLTYPE* ltypes;
    DXFSTYLE* styles;
    DXFDIMSTYLE* dimStyles;
    DWORD nLayers, nLTypes, nStyles, nDimStyles;
    DWORD dwLayerCursor, dwLTypeCursor, dwStyleCursor, dwDimStyleCursor;
    DXFENTITYLIST entities; // the ENTITIES section
    DXFBLOCK* blocks;
    DWORD nBlocks, dwBlockCursor;
    // Records the arrays have room for, and their name indexes.
    DWORD nLayerRoom, nLTypeRoom, nStyleRoom, nDimStyleRoom, nBlockRoom;
    DXFNAMEINDEX layerNames, ltypeNames, styleNames, dimStyleNames, blockNames;
    DWORD dwLastId; // 15 after creation
    // Highest n of a block named "*D" followed by n that the drawing holds
    // or has made.
    DWORD dwAnonDimension;
    COLORREF crBackground;
    DWORD bValid; // cleared when destruction begins; nothing is drawn while 0
    // The device rectangle the drawing is fitted into.
    LONG left, top, right, bottom;
    // World point at the rectangle's left and bottom edges, device pixels per
    // world unit at zoom 1 (K), and the zoom: a world point (x, y) is drawn at
    // X = left + trunc((x - Xorg) * K * zoom), Y = bottom - trunc((y - Yorg) * K * zoom).
    double dXorg, dYorg;
    double dUnit;
    double dZoom;
    // The Windows code page of the drawing's text (dxf_codepage.h); 0 for
    // a file that does not say.
    unsigned nCodePage;
    // Header variables that change how entities are drawn: $LTSCALE (every
    // line-type pattern's scale, 1 by default), $PDMODE and $PDSIZE (how a
    // POINT is shown: 0 a dot, 1 nothing, 2 a cross, 3 an x, 4 a tick, +32
    // a circle round it, +64 a square; the size in drawing units, or a
    // percentage of the view's height when negative, 5% when 0).
    double dLtScale;
    int nPdMode;
    double dPdSize;
};

// A new, empty drawing with the default view, or NULL.
HDXFDRAWING DxfCreateDrawing();
// Frees the drawing with every list and heap array. Fails (and frees
// nothing) while someone else holds the drawing locked.
BOOL DxfDestroyDrawing(HDXFDRAWING hDrawing);
// Fits into left, top, width × height with background bg; K = 20, zoom = 1,
// origin 0, 0.
BOOL DxfSetView(HDXFDRAWING hDrawing, int left, int top, int width, int height, COLORREF bg);
// Zoom and origin so that the extents fill the view less 10 pixels on each
// side, centred. Without extents the view is left as it is; extents without
// width or height are fitted by the other direction alone.
BOOL DxfZoomExtents(HDXFDRAWING hDrawing);
// The smallest box holding the boxes of all ENTITIES entities that have one
// (boxes with a coordinate that is not finite are left out). FALSE, with a
// zeroed box, when no entity has a box.
BOOL DxfGetExtents(HDXFDRAWING hDrawing, DXFBOX* pBox);
// The box of one entity; FALSE when it has none. An INSERT's box is made of
// its block's entities, nested inserts down to limits::kMaxBlockDepth.
BOOL DxfGetEntityBox(const DXFDRAWING* pDrawing, const DXFENTITYHEADER* pHeader, const void* pData,
                     DXFBOX* pBox);

// Adds a LAYER, LTYPE, STYLE or DIMSTYLE record (by nTable); the new ID or 0
// for a name the table has, a full table, an unknown table, a LAYER whose
// dwLineType is not a stored LTYPE, or a DIMSTYLE whose non-zero dwTextStyle
// is not a stored STYLE.
DWORD DxfAddTableRecord(HDXFDRAWING hDrawing, UINT nTable, const void* pRecord);
// Finds a table record by one of FIRST, LAST, PREV, NEXT (moving the table's
// cursor) or by BYNAME and/or BYID (the szName / dwId of *pRecord; every
// match is copied, so the last one wins; BYNAME finds a name in another
// letter case when none is exact). With nTable 0 a BYNAME/BYID search
// looks at DIMSTYLE, LAYER, LTYPE, STYLE in turn and pRecord must hold a
// DXFTABLERECORD. Returns the copied record's ID or 0.
DWORD DxfFindTableRecord(DXFDRAWING* pDrawing, UINT nTable, WORD wFlags, void* pRecord);
// The ID of the record named pszName in table nTable, or 0; copies nothing
// and moves no cursor. DXF names are case-insensitive: a name that differs
// only in letter case is found when no record has the name exactly (the
// latest of several such).
DWORD DxfTableIdByName(const DXFDRAWING* pDrawing, UINT nTable, const char* pszName);
// The same for blocks; with exactOnly, only the name exactly.
DWORD DxfBlockIdByName(const DXFDRAWING* pDrawing, const char* pszName, bool exactOnly = false);
// Adds a block with its own 16 KiB entity list; 0 for a 257th block, a name
// that exists, or no memory.
DWORD DxfAddBlock(DXFDRAWING* pDrawing, const DXFBLOCK* pBlock);
// Finds a block by exactly one of FIRST, LAST, NEXT, PREV, BYNAME
// (pBlock->szName, as DxfBlockIdByName finds it) or BYID (pBlock->dwId); every one sets the block
// cursor. Copies the block and returns its ID, or 0.
DWORD DxfFindBlock(DXFDRAWING* pDrawing, WORD wFlags, DXFBLOCK* pBlock);
// Appends an entity (header and the data record of pHeader->wType) to block
// dwBlockId, 0 = ENTITIES. A DIMENSION without a block whose dimension style
// exists gets a new anonymous block "*Dn". Returns the entity's ID or 0; on
// success the database owns the record's heap arrays, on failure the caller
// still does.
DWORD DxfAddEntity(DXFDRAWING* pDrawing, DWORD dwBlockId, const DXFENTITYHEADER* pHeader, const void* pData);
// Reads an entity of block pszBlockName (NULL = ENTITIES) by FIRST, NEXT,
// LAST or BYID (pHeader->dwId); PREV always fails. Copies the header and,
// when pData is given, the data (pData must hold a DXFENTITYDATA); the
// record's offset goes to *pdwOffset when given. Returns its ID or 0.
DWORD DxfFindEntity(DXFDRAWING* pDrawing, const char* pszBlockName, DXFENTITYHEADER* pHeader, void* pData,
                    WORD wFlags, DWORD* pdwOffset);
// Fills block dwBlockId with the entities that show a linear dimension:
// the two measured points, the dimension line (broken round the text, or
// whole with the text above it, by the style's bTextAbove), the arrowheads
// and the two extension lines.
void DxfMakeDimensionBlock(DXFDRAWING* pDrawing, DWORD dwBlockId, const DXFENTITYHEADER* pHeader,
                           const DXFDIMENSION* pDim, const DXFDIMSTYLE* pStyle);
// Makes an anonymous block of what a proxy entity's graphics draw (lines,
// polylines, circles, arcs, in the header's layer and colour or the colour
// the graphics set) and returns its ID; 0 when they draw nothing known.
DWORD DxfMakeProxyBlock(DXFDRAWING* pDrawing, const DXFENTITYHEADER* pHeader, const unsigned char* pGraphics,
                        int cbGraphics);
// The text a dimension shows: text with each "<>" (or, when text is empty,
// all of it) replaced by value as the style writes it — times DIMLFAC (144),
// rounded to DIMRND (45), DIMDEC (271, 4 when not given) decimals, DIMZIN
// (78) bit 4 dropping a leading and bit 8 trailing zeros, DIMDSEP (278) as
// the separator, "R" before a radius and a diameter sign before a
// diameter (dimType 70), inside DIMPOST (3, "prefix<>suffix" or a suffix).
std::string DxfFormatDimension(double value, const DXFDIMSTYLE& style, int dimType, std::string_view text);
// Adds the arrowhead pszName ("ClosedFilled": a SOLID, "Oblique": a LINE;
// nEnd 1 or 2) with its tip at (x, y), turned by angle (radians) and scaled
// by size, to block dwBlockId; an unknown name adds nothing.
BOOL DxfAddArrowhead(DXFDRAWING* pDrawing, DWORD dwBlockId, DXFENTITYHEADER* pHeader, double x, double y,
                     double angle, double size, const char* pszName, int nEnd);

// Size of the data record of an entity type, 0 for a code that is not one.
std::size_t DxfEntityDataSize(WORD wType);
// "LINE", "CIRCLE", ... for a type code; NULL for a code that is not one.
const char* DxfEntityTypeName(WORD wType);
// Frees the heap arrays of a data record (POLYLINE, SPLINE, HATCH) and
// clears its pointers; other types have none.
void DxfFreeEntityData(WORD wType, void* pData);
// The x radius of an ellipse: the length of its major axis vector.
double DxfEllipseMajorRadius(const DXFELLIPSE& e);

// The block or table record of that ID, or NULL (valid until the next add
// to its table).
DXFBLOCK* DxfBlockById(DXFDRAWING* pDrawing, DWORD dwId);
const DXFBLOCK* DxfBlockById(const DXFDRAWING* pDrawing, DWORD dwId);
const DXFLAYER* DxfLayerById(const DXFDRAWING* pDrawing, DWORD dwId);
const DXFLTYPE* DxfLineTypeById(const DXFDRAWING* pDrawing, DWORD dwId);
const DXFDIMSTYLE* DxfDimStyleById(const DXFDRAWING* pDrawing, DWORD dwId);

// Walks a list's records in storage order without touching its cursor:
// visit(const DXFENTITYHEADER&, const void* data, DWORD offset) returns
// false to stop. The list block is locked for the walk; visit must not add
// to this list.
template <class Visit> void DxfForEachEntity(const DXFENTITYLIST& list, Visit&& visit) {
    if (!list.hMem || list.dwUsed == 0) return;
    GlobalLockGuard<std::byte> lock(list.hMem);
    if (!lock) return;
    const std::byte* base = lock.get();
    for (DWORD off = 0; off < list.dwUsed;) {
        const auto* h = reinterpret_cast<const DXFENTITYHEADER*>(base + off);
        if (h->dwNext <= off || h->dwNext > list.dwUsed) return;
        if (!visit(*h, static_cast<const void*>(h + 1), off)) return;
        off = h->dwNext;
    }
}
