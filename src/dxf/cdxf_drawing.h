// CDxfDrawing: the main window's handle on one DXF drawing, created, loaded,
// fitted and destroyed within one rendering. Every operation returns 0 once
// the object is being destroyed.
#pragma once

#include "dxf/dxf_load.h"
#include "dxf/dxf_paint.h"

// The light grey a drawing is painted on, in the viewer and on paper.
constexpr COLORREF kDxfBackground = RGB(0xD0, 0xD0, 0xD0);

class CDxfDrawing {
public:
    CDxfDrawing() = default;
    ~CDxfDrawing();
    CDxfDrawing(const CDxfDrawing&) = delete;
    CDxfDrawing& operator=(const CDxfDrawing&) = delete;

    // An empty drawing; fails when one is held already.
    BOOL Create();
    BOOL Destroy();
    BOOL SetView(int left, int top, int width, int height, COLORREF bg);
    // Loads from an open file; fails without one.
    BOOL LoadFile(CFile* pFile, const DxfProgress& progress = {});
    BOOL ZoomExtents();
    // Paints into pDC, appending the outline of what is drawn to pOutline
    // when given; fails without a DC.
    BOOL Paint(CDC* pDC, DXFOUTLINE* pOutline);

    HDXFDRAWING GetHandle() const { return m_bValid ? m_hDrawing : nullptr; }

private:
    HDXFDRAWING m_hDrawing = nullptr;
    BOOL m_bValid = TRUE;
};
