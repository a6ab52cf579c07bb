// DXF drawings, through the DXF engine (src/dxf): the file is loaded into a
// drawing, fitted into the picture (10 pixels free on every side), painted
// on a light grey background (white on paper), and the device-pixel outline
// of what was painted becomes the pattern, so that a drawing prints and
// converts like any other pattern. A drawing with nothing to draw leaves the
// pattern empty.
#include "dxf/cdxf_drawing.h"
#include "model/loomveil_doc.h"

int CLoomveilDoc::RenderDxf(CDC* pDC, int width, int height) {
    DXFOUTLINE outline(10);
    CDxfDrawing drawing;
    CFile file;
    if (!drawing.Create()) return Fail("out of memory");
    CFileException error;
    if (!file.Open(m_strFilePath, CFile::modeRead, &error)) return Fail(error.What());
    try {
        if (file.GetLength() == 0) return Fail("empty file");
        // The reader addresses its file with 32-bit offsets.
        if (file.GetLength() > 0x7FFFFFFFull) return Fail("file too large for a DXF drawing");
    } catch (const CFileException& e) {
        return Fail(e.What());
    }
    if (!drawing.LoadFile(&file)) return Fail("the file could not be read to its end");

    // The drawing is fitted into the picture where the DC's origin puts it
    // (below the header on a printed page), and drawn in device units.
    const CPoint origin = pDC->GetViewportOrg();
    // Paper stays white; the screen shows the drawing on light grey.
    drawing.SetView(origin.x, origin.y, width, height, pDC->IsPrinting() ? RGB(255, 255, 255) : kDxfBackground);
    drawing.ZoomExtents();
    pDC->SetViewportOrg(0, 0);
    const int result = drawing.Paint(pDC, &outline);
    if (result && !outline.IsEmpty()) {
        m_PointList.RemoveAll();
        m_PointList.Reserve(outline.size());
        for (const _tagREALPT2& p : outline) m_PointList.AddTail(_tagREALPT{p.x, p.y});
    }
    pDC->SetViewportOrg(origin);
    return result;
}
