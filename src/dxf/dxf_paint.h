// Drawing a DXF drawing into a device context, and collecting the outline
// of what is drawn.
//
// DxfPaint fills the view rectangle with the background, clips to it and
// draws every entity of ENTITIES; INSERT and DIMENSION draw the entities of
// their blocks under the block transform. Each entity is drawn in two
// passes: pass 1 into the DC, pass 2 (only with an outline list) appends the
// device-pixel outline of the same drawing to the list, as points with
// break markers (x = FLT_MAX) between figures: lines directly, figures
// through a path recorded on a memory DC.
//
// An entity's point (x, y) is placed by the block transform (dxf_transform.h:
// the inserts that draw it and its own object coordinates) at the world
// point (xr, yr), and drawn at the device point of the view (dxf_drawing.h):
// X = left + trunc((xr − Xorg)·K·zoom), Y = bottom − trunc((yr − Yorg)·K·zoom).
#pragma once

#include "dxf/dxf_drawing.h"
#include "dxf/dxf_transform.h"
#include "model/point.h"
#include "platform/dc.h"

#include <vector>

using DXFOUTLINE = CList<_tagREALPT2, _tagREALPT2>;

// What a drawing may make one paint do. Blocks that insert each other many
// times over (each nesting multiplies the count) stop drawing their
// contents after kMaxBlockEntityDraws entities; the outline stops growing
// at kMaxOutlinePoints points (256 MiB), a figure that would pass it is
// left out whole.
constexpr long long kMaxBlockEntityDraws = 1LL << 20;
constexpr std::size_t kMaxOutlinePoints = std::size_t{1} << 25;

// The colour of a colour number: the 256-entry palette, where white is
// drawn black (the background is light grey) and a number outside 0..255
// takes entry 0.
COLORREF DxfPaletteColour(int number);

// Paints the drawing into pDC and, with pOutline, appends the outline of
// what was drawn. FALSE when the drawing is not valid (nothing is drawn).
BOOL DxfPaint(HDXFDRAWING hDrawing, CDC* pDC, DXFOUTLINE* pOutline);

// Draws one entity (both passes) under the block transform: scale (sx, sy),
// rotation rot (degrees), then offset (ox, oy); or under any transform.
void DxfDrawEntity(DXFDRAWING* pDrawing, CDC* pDC, const DXFENTITYHEADER* pHeader, const void* pData,
                   DXFOUTLINE* pOutline, double ox, double oy, double sx, double sy, double rot);
void DxfDrawEntity(DXFDRAWING* pDrawing, CDC* pDC, const DXFENTITYHEADER* pHeader, const void* pData,
                   DXFOUTLINE* pOutline, const DxfTransform& t);

// The pixel line drawer: pass 1 sets the pixels of the line from (x1, y1) to
// (x2, y2), both ends included, clipped to the view rectangle (its right and
// bottom edges included), stepping along the longer axis and taking the
// other coordinate as trunc(offset · slope) from its start; the pixels go
// straight into a bitmap's scan lines. Pass 2 appends the line to the
// outline, as one more point when it continues the outline's last point.
void DxfDrawLine(const DXFDRAWING* pDrawing, CDC* pDC, COLORREF colour, int x1, int y1, int x2, int y2,
                 DXFOUTLINE* pOutline, int pass);

// The world segment (x1, y1)–(x2, y2), before the block transform, drawn in
// the dash pattern of pLineType scaled by ltScale, starting phase units into
// the pattern; each dash or dot goes to DxfDrawLine in the pass.
void DxfDrawDashedLine(DXFDRAWING* pDrawing, CDC* pDC, const DXFLTYPE* pLineType, double x1, double y1,
                       double x2, double y2, COLORREF colour, double ltScale, double phase,
                       const DxfTransform& t, DXFOUTLINE* pOutline, int pass);

// Opens a path on pathDc (made compatible with pDC); FALSE without an
// outline list. DxfEndOutline ends the path, flattens it when asked, and
// appends its points, a break marker before every figure.
BOOL DxfBeginOutline(CDC& pathDc, CDC* pDC, const DXFOUTLINE* pOutline);
void DxfEndOutline(CDC& pathDc, DXFOUTLINE* pOutline, BOOL bFlatten);

// nSamples points of a SPLINE's curve evenly along its parameter, in its
// own units (dxf_spline.cpp): the curve of its control points, or without
// them the cubic through its fit points. Empty when it has neither or they
// cannot be evaluated (a knot count other than control points + degree + 1,
// knots that decrease or span nothing, a degree below 1 or above
// kMaxSplineDegree, a weight that is not positive).
std::vector<DxfPlanePoint> DxfEvaluateSpline(const DXFSPLINE* pSpline, int nSamples);
constexpr int kMaxSplineDegree = 32;

// HATCH, drawn by DxfDrawEntity into the pass's DC in the entity's colour
// (its layer, block and colour number resolved), placed by t (the inserts
// that draw it and its object coordinates). TEXT and MTEXT:
// DxfDrawTextEntity.
void DxfDrawHatch(DXFDRAWING* pDrawing, CDC* pDC, const DxfTransform& t, COLORREF colour,
                  const DXFHATCH* pHatch, int pass);
