#include "model/loomveil_doc.h"

#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

bool IsFileExt(const CString& strExt, const char* pszExt) {
    return strExt == CString(pszExt);
}

void CLoomveilDoc::SetCurrentFile(const CString& path) {
    m_strFilePath = path;
    m_strFileName = CString(QFileInfo(path.Q()).fileName());
    const int dot = m_strFileName.ReverseFind('.');
    m_strFileExt = dot >= 0 ? m_strFileName.Mid(dot + 1) : CString();
    m_strFileExt.MakeLower();
}

BOOL CLoomveilDoc::OpenCurrentFile(CFile* pFile) {
    return pFile->Open(m_strFilePath, CFile::modeRead | CFile::shareDenyWrite);
}

int CLoomveilDoc::ReadWholeFile(FileBuffer& buffer) {
    CFile file;
    CFileException error;
    if (!file.Open(m_strFilePath, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary, &error)) {
        m_strError = error.What();
        return 0;
    }
    const ULONGLONG length = file.GetLength();
    if (length == 0) {
        m_strError = "empty file";
        return 0;
    }
    // The result counts the terminator in an int.
    if (length >= static_cast<ULONGLONG>(INT_MAX) || !buffer.Allocate(static_cast<std::size_t>(length))) {
        m_strError = "file too large for memory";
        return 0;
    }
    std::size_t done = 0;
    while (done < length) {
        const UINT chunk = static_cast<UINT>(std::min<ULONGLONG>(length - done, 1u << 30));
        const UINT n = file.Read(buffer.data() + done, chunk);
        if (n == 0) break;
        done += n;
    }
    buffer.SetSize(done);
    return static_cast<int>(done + 1);
}

PointListFit::PointListFit(const CPointList& list, int width, int height) {
    if (list.IsEmpty()) return;
    // The comparisons are written as "not greater": a NaN coordinate
    // replaces the running extremes (every comparison with NaN is false), so
    // the extent is that of the points from the last NaN on. Pictures of
    // such files have always been framed this way.
    float minX = FLT_MAX, minY = FLT_MAX, maxX = -FLT_MAX, maxY = -FLT_MAX;
    for (const _tagREALPT& p : list) {
        if (IsBreak(p)) continue;
        if (!(p.x > minX)) minX = p.x;
        if (!(maxX > p.x)) maxX = p.x;
        if (!(p.y > minY)) minY = p.y;
        if (!(maxY > p.y)) maxY = p.y;
    }
    const float dx = maxX - minX;
    const float dy = maxY - minY;
    if (dx == 0.0f || dy == 0.0f) return;

    const float scaleX = static_cast<float>(width) / (dx * 1.02f);
    const float scaleY = static_cast<float>(height) / (dy * 1.02f);
    scale = scaleY < scaleX ? scaleY : scaleX;
    cx = (maxX + minX) * 0.5f;
    cy = (maxY + minY) * 0.5f;
    hx = static_cast<float>(width) * 0.5f;
    hy = static_cast<float>(height) * 0.5f;
    ok = true;
}

void CLoomveilDoc::DrawPointList(CDC* pDC, int width, int height) {
    const PointListFit fit(m_PointList, width, height);
    if (!fit.ok) return;

    // Pens only where the pattern has colours: a black pattern draws with
    // the device context's own pen, as a plain drawing does.
    const bool coloured = !m_StrokeColours.Empty();
    StrokeColours::Cursor colours(m_StrokeColours);
    CPen pens[2];
    int current = 0;
    CPen* oldPen = nullptr;
    COLORREF penColour = StrokeColours::kDefault;
    if (coloured) {
        penColour = colours.At(0);
        pens[0].CreatePen(PS_SOLID, 1, penColour);
        oldPen = pDC->SelectObject(&pens[0]);
    }
    bool penDown = false;
    int lastPx = 0, lastPy = 0;
    std::size_t index = 0;
    for (const _tagREALPT& p : m_PointList) {
        const std::size_t at = index++;
        if (IsBreak(p)) {
            penDown = false;
            continue;
        }
        if (coloured) {
            const COLORREF colour = colours.At(at);
            if (colour != penColour) {
                penColour = colour;
                const int next = current ^ 1;
                pens[next].CreatePen(PS_SOLID, 1, colour);
                pDC->SelectObject(&pens[next]);
                pens[current].DeleteObject();
                current = next;
            }
        }
        const int px = fit.X(p.x);
        const int py = fit.Y(p.y);
        if (penDown) {
            // A line to the current position draws nothing and moves nowhere;
            // dense patterns are mostly such steps at screen scale.
            if (px != lastPx || py != lastPy) pDC->LineTo(px, py);
        } else {
            pDC->MoveTo(px, py);
        }
        lastPx = px;
        lastPy = py;
        penDown = true;
    }
    if (coloured) pDC->SelectObject(oldPen);
}

void DrawDibRows(CDC* pDC, const BYTE* pBits, const COLORREF* pPalette, int width, int height,
                 int bitsPerPixel) {
    if (!pBits || !pPalette || height < 1) return;
    const int step = bitsPerPixel == 1 ? 8 : bitsPerPixel == 4 ? 2 : 1;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; x += step) {
            const BYTE b = *pBits++;
            switch (bitsPerPixel) {
            case 8:
                pDC->SetPixelV(x, y, pPalette[b]);
                break;
            case 4:
                pDC->SetPixelV(x + 1, y, pPalette[b & 0x0F]);
                pDC->SetPixelV(x, y, pPalette[b >> 4]);
                break;
            case 1:
                for (int bit = 0; bit < 8; ++bit) pDC->SetPixelV(x + 7 - bit, y, pPalette[(b >> bit) & 1]);
                break;
            default:
                break;
            }
        }
    }
}
