// The records of the DXF drawing database.
//
// A drawing is one fixed-size DXFDRAWING record in one relocatable block
// (platform/global_memory.h); every entity list is a further relocatable
// block. Records never hold a pointer into another relocatable block: they
// name each other by object ID (0 = none; the first object of a drawing gets
// 16), and entity storage is walked by byte offsets. The variable parts of
// POLYLINE, SPLINE and HATCH records are ordinary heap arrays that the
// database owns once the record is stored.
//
// World coordinates are doubles with y up. ARC, INSERT and TEXT angles are
// degrees, ELLIPSE parameters radians. Colour numbers are 16-bit signed:
// 256 = by layer, 0 = by block, 1..255 = palette index; a negative layer
// colour means the layer is off.
#pragma once

#include "platform/global_memory.h"
#include "platform/wintypes.h"

#include <cstddef>

using HDXFDRAWING = HGLOBAL;

// Table types; the same numbers name the tables in the file reader.
constexpr UINT DXF_TABLE_DIMSTYLE = 4;
constexpr UINT DXF_TABLE_LAYER = 8;
constexpr UINT DXF_TABLE_LTYPE = 16;
constexpr UINT DXF_TABLE_STYLE = 32;
constexpr UINT DXF_TABLE_OTHER = 512;

// The tables grow as records come; these bounds only keep a hostile file
// from asking for gigabytes (a record takes hundreds of bytes in memory
// for a dozen in the file).
constexpr int DXF_MAX_LAYERS = 1 << 16;
constexpr int DXF_MAX_LTYPES = 1 << 12;
constexpr int DXF_MAX_STYLES = 1 << 12;
constexpr int DXF_MAX_DIMSTYLES = 1 << 12;
constexpr int DXF_MAX_BLOCKS = 1 << 17;
constexpr int DXF_MAX_DASHES = 30;
constexpr DWORD DXF_FIRST_ID = 16;

// Entity list blocks: the ENTITIES list starts at 64 KiB and grows in
// 64 KiB steps. A block's list starts at 1 KiB and doubles up to that
// step: drawings hold thousands of small blocks.
constexpr DWORD DXF_ENTITIES_LIST_BYTES = 0x10000;
constexpr DWORD DXF_BLOCK_LIST_BYTES = 0x400;
constexpr DWORD DXF_LIST_GROWTH = 0x10000;

// Find flags.
constexpr WORD DXF_FIND_FIRST = 1;
constexpr WORD DXF_FIND_LAST = 2;
constexpr WORD DXF_FIND_NEXT = 4;
constexpr WORD DXF_FIND_PREV = 8;
constexpr WORD DXF_FIND_BYNAME = 0x200;
constexpr WORD DXF_FIND_BYID = 0x400;

// Entity type codes (DXFENTITYHEADER::wType).
constexpr WORD DXF_LINE = 1;
constexpr WORD DXF_POINT = 2;
constexpr WORD DXF_CIRCLE = 3;
constexpr WORD DXF_ELLIPSE = 5;
constexpr WORD DXF_SPLINE = 6;
constexpr WORD DXF_TEXT = 7;
constexpr WORD DXF_ARC = 8;
constexpr WORD DXF_SOLID = 11;
constexpr WORD DXF_INSERT = 14;
constexpr WORD DXF_HATCH = 18;
constexpr WORD DXF_POLYLINE = 19;
constexpr WORD DXF_DIMENSION = 23;
constexpr WORD DXF_MTEXT = 24;
constexpr WORD DXF_3DFACE = 32;
constexpr WORD DXF_LEADER = 40;
constexpr WORD DXF_MLINE = 41;
constexpr WORD DXF_RAY = 42;
constexpr WORD DXF_IMAGE = 43;
constexpr WORD DXF_MLEADER = 44; // MULTILEADER, in a DXFLEADER record
constexpr WORD DXF_XLINE = 45;   // in a DXFRAY record
constexpr WORD DXF_WIPEOUT = 46; // in a DXFIMAGE record

struct DXFCOORD {
    double x, y, z;
};

// A point of the plane, in drawing units.
struct DxfPlanePoint {
    double x, y;
};

// Table records.
struct DXFLAYER {
    DWORD dwId;
    char szName[512];
    BYTE bFlags;      // 70
    short nColor;     // 62
    DWORD dwLineType; // ID of the layer's LTYPE record
};

struct DXFLTYPE {
    DWORD dwId;
    char szName[512];
    BYTE bFlags;
    char szDescription[512];        // 3
    short nDashes;                  // 73: pattern elements
    double dDashes[DXF_MAX_DASHES]; // 49 in file order: > 0 dash, < 0 gap, 0 dot
    double dPatternLength;          // 40: total pattern length
};

struct DXFSTYLE {
    DWORD dwId;
    char szName[512];
    BYTE bFlags;          // 70
    BYTE bGenFlags;       // 71
    char szFontFile[512]; // 3
    double dOblique;      // 50
    double dHeight;       // 40
    double dWidthFactor;  // 41
    double dLastHeight;   // 42
};

struct DXFDIMSTYLE {
    DWORD dwId;
    char szName[512];
    BYTE bFlags;           // 70
    double dArrowSize;     // 41
    char szBlk1[16];       // 6: first arrowhead name
    char szBlk2[16];       // 7: second arrowhead name
    short nClrDimLine;     // 176
    short nClrExtLine;     // 177
    short nClrText;        // 178
    double dDimLineExt;    // 46
    double dExtLineExt;    // 44
    double dExtLineOffset; // 42
    double dTextGap;       // 147
    double dTextHeight;    // 140
    BYTE bTextAbove;       // 77
    DWORD dwTextStyle;     // ID of a STYLE record, 0 for none
    // How the measured value is written (dxf_dimension.cpp).
    char szPost[64];      // 3: "prefix<>suffix", or a suffix
    double dLinearFactor; // 144, 0 taken as 1
    double dRound;        // 45
    int nDecimals;        // 271; -1 when not given
    int nZeros;           // 78
    int nDecimalSep;      // 278
};

// One run of entity records in its own relocatable block: each record is a
// DXFENTITYHEADER followed at once by the data record of its type; records
// lie back to back from offset 0 and are never moved or removed.
struct DXFENTITYLIST {
    HGLOBAL hMem;
    DWORD dwSize;   // capacity in bytes
    DWORD dwUsed;   // bytes in use
    DWORD dwLast;   // offset of the record appended last
    DWORD dwCursor; // offset of the record the next walk step reads
    DWORD nCount;   // records stored
};

struct DXFBLOCK {
    DWORD dwId;
    char szName[512];
    BYTE bFlags; // 70; 1 marks an anonymous block made by the engine
    DXFCOORD ptBase;
    DWORD dwLayer; // LAYER ID, 0 if none
    DXFENTITYLIST list;
};

// DXFENTITYHEADER::dwLineType of an entity that names the line type BYBLOCK
// in a drawing whose LTYPE table has no such record (IDs start at 16).
constexpr DWORD DXF_LINETYPE_BYBLOCK = 2;

// DXFENTITYHEADER::dwFlags: why an entity is kept but not drawn.
constexpr DWORD DXF_ENTITY_INVISIBLE = 1;  // group 60 = 1
constexpr DWORD DXF_ENTITY_PAPERSPACE = 2; // group 67 = 1: it belongs to a paper-space layout

struct DXFENTITYHEADER {
    WORD wType;
    char szHandle[18]; // handle text the reader took for the entity, or empty
    DWORD dwId;
    DWORD dwLayer;    // LAYER ID, 0 if the name was empty or not found
    DWORD dwLineType; // LTYPE ID, likewise
    DWORD dwFlags;    // DXF_ENTITY_*; a non-zero value keeps the entity from being drawn
    short nColor;
    double dThickness;     // 39
    double dLineTypeScale; // 48
    DXFCOORD ptExtrusion;  // 210/220/230: the normal of the entity's plane, 0, 0, 1 by default
    DWORD dwPrev;          // offset of the previous record
    DWORD dwNext;          // offset just past this record
};

// Entity data records.
struct DXFLINE {
    DXFCOORD ptStart, ptEnd;
};

struct DXFPOINT {
    DXFCOORD pt;
};

struct DXFCIRCLE {
    DXFCOORD ptCenter;
    double dRadius;
};

struct DXFELLIPSE {
    DXFCOORD ptCenter;
    DXFCOORD ptMajor; // end of the major axis relative to the centre
    double dRatio;    // minor to major
    double dStartParam;
    double dEndParam;
};

struct DXFSPLINE {
    float* pKnots;         // nKnots values
    DXFCOORD* pControlPts; // nControlPts points
    DXFCOORD* pFitPts;     // nFitPts points
    int nKnots;
    int nDegree;
    int nControlPts;
    int nFitPts;
    WORD wFlags;                           // 70: 1 closed, 2 periodic, 4 rational
    double* pWeights;                      // 41: one per control point, or NULL (all 1)
    DXFCOORD ptStartTangent, ptEndTangent; // 12/22, 13/23 of a fit-point spline; 0, 0 when not given
};
struct DXFTEXT {
    DXFCOORD ptInsert;
    double dHeight;
    double dRotation; // degrees
    double dWidthFactor;
    WORD wJustify; // low byte: group 72 (horizontal), high byte: group 73 (vertical)
    DXFCOORD ptAlign;
    DWORD dwStyle; // STYLE ID
    char szText[2048];
    double dOblique; // 51: slant in degrees
    WORD wGenFlags;  // 71: 2 = backwards (mirrored in x), 4 = upside down
};

// Text of several lines with inline formatting codes, wrapped at the
// reference width; the text is a heap string (NUL-terminated) that the
// database owns.
struct DXFMTEXT {
    DXFCOORD ptInsert;    // 10/20/30
    DXFCOORD ptDirection; // 11/21/31: the text's x axis; 0, 0, 0 when not given
    double dHeight;       // 40: character height
    double dRefWidth;     // 41: wrapping width, 0 for none
    double dLineSpacing;  // 44: line spacing factor (1.0 by default)
    double dRotation;     // 50: degrees, when there is no direction
    int nAttach;          // 71: 1..9, top/middle/bottom by left/centre/right
    DWORD dwStyle;        // STYLE ID
    char* pszText;        // the 3 chunks, then 1
};

struct DXFARC {
    DXFCOORD ptCenter;
    double dRadius;
    double dStartAngle; // degrees
    double dEndAngle;
};

// SOLID and TRACE fill corners 1, 2, 4, 3 in that order (the third and
// fourth make the far edge); a 3DFACE is edged 1, 2, 3, 4 and closed, the
// bits 1, 2, 4, 8 of its nFlags (70) hiding edges 1 to 4.
struct DXFSOLID {
    DXFCOORD pt[4];
    int nFlags;
};

struct DXFINSERT {
    DXFCOORD ptInsert;
    double dScaleX, dScaleY, dScaleZ;
    double dRotation; // degrees
    DWORD dwBlock;    // block ID
    // A MINSERT's array of nColumns × nRows copies (70, 71; 1 × 1 for a
    // plain INSERT), dColSpacing and dRowSpacing apart (44, 45) along the
    // insert's rotated axes.
    int nColumns, nRows;
    double dColSpacing, dRowSpacing;
};

struct DXFVERTEX {
    double x, y, z;
    double dStartWidth; // 40
    double dEndWidth;   // 41
    double dBulge;      // 42
    double dTangent;    // 50
    // A POLYLINE VERTEX's flags (70; 128 with 64 marks a mesh point, 128
    // alone a face) and a polyface face's vertex numbers (71..74, from 1; a
    // negative one hides the edge that starts at it).
    int nFlags;
    int nFace[4];
};

// LWPOLYLINE and POLYLINE alike. wFlags: 1 closed, 8 a 3-D polyline, 16 a
// polygon mesh of nMeshM × nMeshN vertices (closed in N by 32), 64 a
// polyface mesh, 128 the line-type pattern runs on over the vertices. A
// LWPOLYLINE's constant width (43) is every vertex's start and end width.
struct DXFPOLYLINE {
    DXFVERTEX* pVertices; // nVertices entries
    int nVertices;
    WORD wFlags;        // 70
    int nMeshM, nMeshN; // 71, 72
};

// A HATCH: its boundary paths and its pattern line families. Each path is
// a closed polyline of the path's own points (wFlags: its 92 flags, 1
// external, 2 polyline, 16 outermost): line and circular-arc edges as
// vertices with bulges, elliptic-arc and spline edges as points along them.
// The style (75) says which areas the paths enclose are filled: 0 odd
// parity (islands alternate), 1 the outermost area only (depths 0 and 1),
// 2 all inside the outermost paths. Every pattern array holds exactly
// nPatternLines entries, pDashes[i] pDashCounts[i] values.
struct DXFHATCH {
    double* pPatternAngles;   // degrees, one per pattern line (53)
    int nPathFlags;           // 92 of the first path
    int nSolid;               // 70: 1 = solid fill
    int nStyle;               // 75
    int nPatternLines;        // 78
    DXFPOLYLINE* pBoundary;   // nBoundaries paths
    int nBoundaries;          // the paths read (91 says how many there are)
    DXFCOORD* pPatternBase;   // 43/44: base point of each family
    DXFCOORD* pPatternOffset; // 45/46: offset from one line of a family to the next
    int* pDashCounts;         // 79
    double** pDashes;         // 49: > 0 dash, < 0 gap
    double dElevation;        // 30: the height of the hatch's plane
};

struct DXFDIMENSION {
    DXFCOORD ptExt1;      // 13/23/33
    DXFCOORD ptExt2;      // 14/24/34
    double dTextRotation; // 53; the dimension line's angle
    DXFCOORD ptDef;       // 10/20/30
    DWORD dwBlock;
    DWORD dwDimStyle;
    char szText[1024];   // 1
    int nDimType;        // 70: low 3 bits 0 rotated, 1 aligned, 2 angular, 3 diameter,
                         // 4 radius, 5 angular by three points, 6 ordinate
    double dMeasurement; // 42: the measured value, 0 when not given
    double dAngle;       // 50: a rotated dimension's line angle, when bAngle
    int bAngle;          // 1 when 50 was given (else 53 stands for the angle)
    DXFCOORD ptChord;    // 15/25/35: radius and diameter point, angular vertex
    DXFCOORD ptArc;      // 16/26/36: a point on an angular dimension's arc
};

// The lines of a LEADER or a MULTILEADER: runs of points one after another,
// each drawn as a polyline (or, for a LEADER whose 72 is 1, a spline
// through them) with an arrowhead of dArrowSize at its start when bArrow.
struct DXFLEADERRUN {
    int nPoints;
    int bArrow;
};
struct DXFLEADER {
    DXFCOORD* pPoints;   // nPoints
    DXFLEADERRUN* pRuns; // nRuns
    int nPoints, nRuns;
    int nPathType;     // 72: 1 a spline
    double dArrowSize; // drawing units; 0 for the dimension style's
    DWORD dwDimStyle;  // the LEADER's dimension style (3), 0 for none
};

// An MLINE: nElements parallel lines through its nVertices, the point of
// vertex v on element e at pPoints[v * nElements + e] (each vertex moved
// along its mitre by the element's offset); closed when wFlags has 2.
struct DXFMLINE {
    DXFCOORD* pPoints;
    int nVertices, nElements;
    WORD wFlags; // 71
};

// A RAY (from ptBase on along ptDirection) or an XLINE (through ptBase both
// ways): drawn to the picture's edges, not part of the extents.
struct DXFRAY {
    DXFCOORD ptBase;      // 10/20/30
    DXFCOORD ptDirection; // 11/21/31
};

// An IMAGE's or WIPEOUT's frame: the picture of nWidth × nHeight pixels
// whose first pixel's corner is ptInsert, a pixel spanning ptU across and
// ptV up. The clip boundary's points are pixel positions counted from the
// picture's top left corner (its centre -0.5, -0.5 of the first pixel); a
// rectangle (nClipType 1) by two corners. Without clipping (280 = 0) the
// frame is the whole picture. A WIPEOUT also covers what lies beneath it.
struct DXFIMAGE {
    DXFCOORD ptInsert, ptU, ptV; // 10, 11, 12
    double dWidth, dHeight;      // 13/23
    DxfPlanePoint* pClip;        // 14/24, nClip points
    int nClip;
    int nClipType; // 71
    int nClipping; // 280
    int nDisplay;  // 70
};

// Any one data record, for callers that read records of every type.
union DXFENTITYDATA {
    DXFLINE line;
    DXFPOINT point;
    DXFCIRCLE circle;
    DXFELLIPSE ellipse;
    DXFSPLINE spline;
    DXFTEXT text;
    DXFARC arc;
    DXFSOLID solid;
    DXFINSERT insert;
    DXFHATCH hatch;
    DXFPOLYLINE polyline;
    DXFDIMENSION dimension;
    DXFMTEXT mtext;
    DXFLEADER leader;
    DXFMLINE mline;
    DXFRAY ray;
    DXFIMAGE image;
};

// Any one table record (a search over all tables copies one of them).
union DXFTABLERECORD {
    DXFLAYER layer;
    DXFLTYPE ltype;
    DXFSTYLE style;
    DXFDIMSTYLE dimstyle;
};

// Records follow each other in a list without padding, so every record size
// keeps the next one aligned for its doubles and pointers.
static_assert(sizeof(DXFENTITYHEADER) % alignof(DXFENTITYDATA) == 0);
static_assert(sizeof(DXFLINE) % 8 == 0 && sizeof(DXFPOINT) % 8 == 0 && sizeof(DXFCIRCLE) % 8 == 0 &&
              sizeof(DXFELLIPSE) % 8 == 0 && sizeof(DXFSPLINE) % 8 == 0 && sizeof(DXFTEXT) % 8 == 0 &&
              sizeof(DXFARC) % 8 == 0 && sizeof(DXFSOLID) % 8 == 0 && sizeof(DXFINSERT) % 8 == 0 &&
              sizeof(DXFHATCH) % 8 == 0 && sizeof(DXFPOLYLINE) % 8 == 0 && sizeof(DXFDIMENSION) % 8 == 0 &&
              sizeof(DXFMTEXT) % 8 == 0 && sizeof(DXFLEADER) % 8 == 0 && sizeof(DXFMLINE) % 8 == 0 &&
              sizeof(DXFRAY) % 8 == 0 && sizeof(DXFIMAGE) % 8 == 0);

// The bounding box of an entity or a drawing, in world units.
struct DXFBOX {
    double maxY, minX, minY, maxX;
};
