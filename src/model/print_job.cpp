#include "model/print_job.h"

#include <algorithm>

PrintLayout ComputePrintLayout(float dpiX, float dpiY, int hRes, int vRes, CSize header) {
    PrintLayout l;
    const int marginX = TruncToInt(dpiX);
    const int marginY = TruncToInt(dpiY);
    l.pictureOrigin = CPoint(marginX, marginY + header.cy);
    // Single precision, as the page has always been measured.
    const float w = static_cast<float>(hRes) - 2.0f * dpiX;
    const float h = static_cast<float>(vRes) - 2.0f * dpiY - static_cast<float>(header.cy);
    // Negative sizes would draw the pattern mirrored across the margins.
    l.pictureWidth = std::max(0, TruncToInt(w));
    l.pictureHeight = std::max(0, TruncToInt(h));
    l.headerPos = CPoint(hRes / 2 - header.cx / 2, marginY - header.cy / 4);
    return l;
}

CString PrintJobName(const CString& fileName) {
    const int dot = fileName.ReverseFind('.');
    return dot >= 0 ? fileName.Left(dot) : fileName;
}

PrintOutcome PrintCurrentFile(CLoomveilDoc& doc, CDC* pDC, CPoint& printOrigin) {
    PrintOutcome out;
    // A job that could not be started is left as it is; deleting the DC
    // abandons it.
    if (pDC->StartDoc(PrintJobName(doc.m_strFileName)) <= 0) return out;
    if (pDC->StartPage() <= 0) return out;
    out.started = true;

    const float dpiX = static_cast<float>(pDC->GetDeviceCaps(LOGPIXELSX));
    const float dpiY = static_cast<float>(pDC->GetDeviceCaps(LOGPIXELSY));

    CFont headerFont;
    headerFont.CreatePointFont(160, "Arial", pDC);
    CFont* oldFont = pDC->SelectObject(&headerFont);
    const CSize header = pDC->GetTextExtent(doc.m_strFileName);
    const int hRes = pDC->GetDeviceCaps(HORZRES);
    const int vRes = pDC->GetDeviceCaps(VERTRES);
    pDC->SelectObject(oldFont);

    out.layout = ComputePrintLayout(dpiX, dpiY, hRes, vRes, header);
    printOrigin = pDC->SetViewportOrg(out.layout.pictureOrigin);
    out.renderResult = doc.RenderBitmap(pDC, out.layout.pictureWidth, out.layout.pictureHeight);
    pDC->SetViewportOrg(printOrigin);
    printOrigin = CPoint(0, 0);

    oldFont = pDC->SelectObject(&headerFont);
    pDC->TextOut(out.layout.headerPos.x, out.layout.headerPos.y, doc.m_strFileName);
    pDC->SelectObject(oldFont);

    if (pDC->EndPage() > 0) out.finished = pDC->EndDoc() > 0;
    return out;
}
