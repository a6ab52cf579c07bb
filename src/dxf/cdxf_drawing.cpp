#include "dxf/cdxf_drawing.h"

CDxfDrawing::~CDxfDrawing() {
    if (m_hDrawing) Destroy();
    m_bValid = FALSE;
}

BOOL CDxfDrawing::Create() {
    if (!m_bValid || m_hDrawing) return FALSE;
    m_hDrawing = DxfCreateDrawing();
    return m_hDrawing != nullptr;
}

BOOL CDxfDrawing::Destroy() {
    if (!m_bValid || !m_hDrawing) return FALSE;
    if (!DxfDestroyDrawing(m_hDrawing)) return FALSE;
    m_hDrawing = nullptr;
    return TRUE;
}

BOOL CDxfDrawing::SetView(int left, int top, int width, int height, COLORREF bg) {
    if (!m_bValid || !m_hDrawing) return FALSE;
    return DxfSetView(m_hDrawing, left, top, width, height, bg);
}

BOOL CDxfDrawing::LoadFile(CFile* pFile, const DxfProgress& progress) {
    if (!m_bValid || !pFile || !pFile->IsOpen()) return FALSE;
    return DxfLoadFile(m_hDrawing, DxfSource::File(pFile), progress);
}

BOOL CDxfDrawing::ZoomExtents() {
    if (!m_bValid) return FALSE;
    return DxfZoomExtents(m_hDrawing);
}

BOOL CDxfDrawing::Paint(CDC* pDC, DXFOUTLINE* pOutline) {
    if (!m_bValid || !pDC) return FALSE;
    return DxfPaint(m_hDrawing, pDC, pOutline);
}
