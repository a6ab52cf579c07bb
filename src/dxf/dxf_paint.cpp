// Painting a drawing: the frame, the walk through ENTITIES and through the
// blocks that INSERT and DIMENSION entities draw, and each entity's colour,
// pen and line type (dxf_scene.h says how they are resolved).
//
// An INSERT draws its block's entities placed by its transform (base point,
// scale, rotation, object coordinates; dxf_transform.h), once for every
// cell of a MINSERT array. Entities that are invisible (60), in paper space
// (67), or on a layer that is off or frozen are not drawn. The shapes are
// in dxf_shapes.cpp, TEXT in dxf_text.cpp, HATCH in dxf_hatch.cpp.
#include "dxf/dxf_paint_internal.h"
#include "dxf/dxf_text.h"
#include "model/limits.h"

#include <algorithm>
#include <cmath>

namespace dxf_paint {

Context::Context(DXFDRAWING* drawing, DXFOUTLINE* out)
    : d(drawing), view(*drawing), outline(out), bounds(*drawing, false), drawing(drawing->nBlocks, false) {
    // $PDSIZE: drawing units, or a share of the view's height (5% for 0).
    const double height = view.bottom - view.top;
    const double size = drawing->dPdSize;
    if (size > 0)
        pointSize = size * view.Scale();
    else if (size < 0)
        pointSize = -size / 100 * height;
    else
        pointSize = 0.05 * height;
    if (!std::isfinite(pointSize) || pointSize > 4 * height) pointSize = 4 * height;
}

} // namespace dxf_paint

namespace {

using namespace dxf_paint;
using dxf_scene::Inherit;
using dxf_scene::Resolver;
using dxf_scene::Style;

void DrawEntity(Context& ctx, CDC* dc, const DXFENTITYHEADER& h, const void* data, const DxfTransform& t,
                const Inherit& in);

// A block's entities placed by t, unless their box falls outside the
// picture.
void DrawBlock(Context& ctx, CDC* dc, const DXFBLOCK& block, const DxfTransform& t, const Inherit& in) {
    const std::size_t slot = static_cast<std::size_t>(&block - ctx.d->blocks);
    if (ctx.depth >= limits::kMaxBlockDepth || slot >= ctx.drawing.size() || ctx.drawing[slot]) return;
    const dxf_scene::Box& box = ctx.bounds.BlockContents(block);
    if (!box.unbounded) {
        if (!box.any) return;
        dxf_scene::Box device;
        for (const auto& [x, y] : {std::pair{box.minX, box.minY}, std::pair{box.maxX, box.minY},
                                   std::pair{box.minX, box.maxY}, std::pair{box.maxX, box.maxY}}) {
            const DevPt p = ctx.view.MapExact(x, y, t);
            device.Add(p.x, p.y);
        }
        if (!device.unbounded &&
            !ctx.view.Visible(device.minX - 2, device.minY - 2, device.maxX + 2, device.maxY + 2))
            return;
    }
    ++ctx.depth;
    ctx.drawing[slot] = true;
    DxfForEachEntity(block.list, [&](const DXFENTITYHEADER& eh, const void* edata, DWORD) {
        if (ctx.blockDraws >= kMaxBlockEntityDraws) return false;
        ++ctx.blockDraws;
        DrawEntity(ctx, dc, eh, edata, t, in);
        return true;
    });
    ctx.drawing[slot] = false;
    --ctx.depth;
}

void DrawInsert(Context& ctx, CDC* dc, const DXFENTITYHEADER& h, const DXFINSERT& e, const DxfTransform& t,
                const Style& style) {
    const DXFBLOCK* block = DxfBlockById(ctx.d, e.dwBlock);
    if (!block) return;
    const Inherit sub = Resolver::ForBlock(style);
    const int cols = std::max(1, e.nColumns), rows = std::max(1, e.nRows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            // Each cell costs a draw, so that a huge array of empty cells
            // ends too.
            if (ctx.blockDraws >= kMaxBlockEntityDraws) return;
            if (cols * rows > 1) ++ctx.blockDraws;
            DrawBlock(ctx, dc, *block, t * DxfInsertTransform(e, block->ptBase, h.ptExtrusion, c, r), sub);
        }
}

void DrawEntity(Context& ctx, CDC* dc, const DXFENTITYHEADER& h, const void* data, const DxfTransform& outer,
                const Inherit& in) {
    if (h.dwFlags != 0) return;
    const Style style = ctx.Props().Resolve(h, in);
    if (style.frozen) return;
    switch (h.wType) {
    case DXF_INSERT:
        // On a layer that is off, its block's entities on other layers show.
        DrawInsert(ctx, dc, h, *static_cast<const DXFINSERT*>(data), outer, style);
        return;
    case DXF_DIMENSION:
        if (const DXFBLOCK* b = DxfBlockById(ctx.d, static_cast<const DXFDIMENSION*>(data)->dwBlock))
            DrawBlock(ctx, dc, *b, outer, Resolver::ForBlock(style));
        return;
    default:
        break;
    }
    if (!style.shown) return;
    const DxfTransform t = dxf_scene::EntityTransform(h, data, outer);
    const COLORREF colour = DxfPaletteColour(style.colour);
    if (h.wType == DXF_TEXT || h.wType == DXF_MTEXT) {
        DxfDrawTextEntity(ctx.d, dc, h, data, t, colour, ctx.outline);
        return;
    }

    CPen pen(PS_SOLID, 0, colour);
    CPen* oldPen = dc->SelectObject(&pen);
    const Look look{colour, style.lineType, h.dLineTypeScale * ctx.d->dLtScale};
    switch (h.wType) {
    case DXF_LINE:
        DrawLineShape(ctx, dc, *static_cast<const DXFLINE*>(data), look, t);
        break;
    case DXF_POINT:
        DrawPointShape(ctx, dc, *static_cast<const DXFPOINT*>(data), look, t);
        break;
    case DXF_CIRCLE:
        DrawCircleShape(ctx, dc, *static_cast<const DXFCIRCLE*>(data), look, t);
        break;
    case DXF_ELLIPSE:
        DrawEllipseShape(ctx, dc, *static_cast<const DXFELLIPSE*>(data), h.ptExtrusion, look, t);
        break;
    case DXF_ARC:
        DrawArcShape(ctx, dc, *static_cast<const DXFARC*>(data), look, t);
        break;
    case DXF_SOLID: {
        CBrush brush(colour);
        CBrush* oldBrush = dc->SelectObject(&brush);
        DrawSolidShape(ctx, dc, *static_cast<const DXFSOLID*>(data), t);
        dc->SelectObject(oldBrush);
        break;
    }
    case DXF_3DFACE: {
        const auto& e = *static_cast<const DXFSOLID*>(data);
        DrawFaceShape(ctx, dc, e, e.nFlags, t);
        break;
    }
    case DXF_SPLINE:
        DrawSplineShape(ctx, dc, *static_cast<const DXFSPLINE*>(data), look, t);
        break;
    case DXF_POLYLINE:
        DrawPolylineShape(ctx, dc, *static_cast<const DXFPOLYLINE*>(data), look, t);
        break;
    case DXF_LEADER:
    case DXF_MLEADER:
        DrawLeaderShape(ctx, dc, *static_cast<const DXFLEADER*>(data), colour, t);
        break;
    case DXF_MLINE:
        DrawMLineShape(ctx, dc, *static_cast<const DXFMLINE*>(data), t);
        break;
    case DXF_RAY:
    case DXF_XLINE:
        DrawRayShape(ctx, dc, *static_cast<const DXFRAY*>(data), h.wType == DXF_XLINE, colour, t);
        break;
    case DXF_IMAGE:
    case DXF_WIPEOUT:
        DrawImageShape(ctx, dc, *static_cast<const DXFIMAGE*>(data), h.wType == DXF_WIPEOUT, t);
        break;
    case DXF_HATCH: {
        const auto& e = *static_cast<const DXFHATCH*>(data);
        TwoPasses(ctx, dc, false,
                  [&](CDC* target, int pass) { DxfDrawHatch(ctx.d, target, t, colour, &e, pass); });
        break;
    }
    default:
        break;
    }
    dc->SelectObject(oldPen);
}

} // namespace

void DxfDrawEntity(DXFDRAWING* pDrawing, CDC* pDC, const DXFENTITYHEADER* pHeader, const void* pData,
                   DXFOUTLINE* pOutline, const DxfTransform& t) {
    if (!pDrawing || !pDC || !pHeader || !pData) return;
    Context ctx(pDrawing, pOutline);
    DrawEntity(ctx, pDC, *pHeader, pData, t, Inherit{});
}

void DxfDrawEntity(DXFDRAWING* pDrawing, CDC* pDC, const DXFENTITYHEADER* pHeader, const void* pData,
                   DXFOUTLINE* pOutline, double ox, double oy, double sx, double sy, double rot) {
    DxfDrawEntity(pDrawing, pDC, pHeader, pData, pOutline, DxfTransform::Make(ox, oy, sx, sy, rot));
}

BOOL DxfPaint(HDXFDRAWING hDrawing, CDC* pDC, DXFOUTLINE* pOutline) {
    if (!pDC) return FALSE;
    GlobalLockGuard<DXFDRAWING> d(hDrawing);
    if (!d) return FALSE;
    // The background with a white edge, and the view as the clip.
    CBrush background(d->crBackground);
    CPen white(PS_SOLID, 1, RGB(255, 255, 255));
    CBrush* oldBrush = pDC->SelectObject(&background);
    CPen* oldPen = pDC->SelectObject(&white);
    pDC->Rectangle(d->left, d->top, d->right, d->bottom);
    CRgn clip;
    clip.CreateRectRgn(d->left, d->top, d->right, d->bottom);
    pDC->SelectClipRgn(&clip);
    pDC->SelectObject(oldPen);
    // Closed figures drawn from here on are outlines only.
    CBrush hollow;
    hollow.CreateHollowBrush();
    pDC->SelectObject(&hollow);
    const bool valid = d->bValid != 0;
    if (valid) {
        Context ctx(d.get(), pOutline);
        DxfForEachEntity(d->entities, [&](const DXFENTITYHEADER& h, const void* data, DWORD) {
            DrawEntity(ctx, pDC, h, data, DxfTransform{}, Inherit{});
            return true;
        });
    }
    pDC->SelectObject(oldBrush);
    background.DeleteObject();
    pDC->SelectClipRgn(nullptr);
    clip.DeleteObject();
    return valid ? TRUE : FALSE;
}
