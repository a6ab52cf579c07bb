// GDI objects: pens, brushes, fonts and bitmaps. They are plain values that a
// CDC reads when they are selected; a bitmap owns its pixels (a QImage in
// Format_RGB32, 0xFFRRGGBB per pixel).
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <span>
#include <vector>

class CDC;

enum PenStyle { PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5 };

class CGdiObject {
public:
    bool IsValid() const { return m_valid; }
    BOOL DeleteObject() {
        const bool was = m_valid;
        m_valid = false;
        return was ? TRUE : FALSE;
    }

protected:
    bool m_valid = false;
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }
    BOOL CreatePen(int style, int width, COLORREF colour) {
        m_style = style;
        m_width = width;
        m_colour = colour;
        m_valid = true;
        return TRUE;
    }
    int m_style = PS_SOLID;
    int m_width = 1;
    COLORREF m_colour = RGB(0, 0, 0);
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    BOOL CreateSolidBrush(COLORREF colour) {
        m_colour = colour;
        m_hollow = false;
        m_valid = true;
        return TRUE;
    }
    // The stock hollow brush: figures are outlined, not filled.
    BOOL CreateHollowBrush() {
        m_hollow = true;
        m_valid = true;
        return TRUE;
    }
    COLORREF m_colour = RGB(255, 255, 255);
    bool m_hollow = false;
};

// The fields of a LOGFONT that the program sets.
struct LOGFONT {
    LONG lfHeight = 0;     // < 0: character height in device units; > 0: cell height
    LONG lfWidth = 0;      // average character width, 0 for the face's own
    LONG lfEscapement = 0; // tenths of a degree, counter-clockwise
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[32] = {};
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONT& lf) {
        m_lf = lf;
        m_valid = true;
        return TRUE;
    }
    // Point size in tenths of a point, converted for pDC's vertical
    // resolution (as the framework does: height = -MulDiv(size, dpiY, 720)).
    BOOL CreatePointFont(int tenthsOfPoint, const char* face, CDC* pDC = nullptr);
    LOGFONT m_lf;
};

class CBitmap : public CGdiObject {
public:
    // A bitmap of width × height pixels for use with pDC (always 32-bit here).
    // Its contents start black, as a new compatible bitmap's do.
    BOOL CreateCompatibleBitmap(CDC* pDC, int width, int height);
    BOOL DeleteObject() {
        m_image = QImage();
        return CGdiObject::DeleteObject();
    }
    QImage& Image() { return m_image; }
    const QImage& Image() const { return m_image; }
    bool HasBitmap() const { return m_valid && !m_image.isNull(); }

private:
    QImage m_image;
};

// How a polygon's inside is decided where its edges cross: by the parity of
// the crossings (ALTERNATE) or by a non-zero winding number (WINDING).
enum PolyFillMode { ALTERNATE = 1, WINDING = 2 };

// A clip or fill region in device units: the set of pixels it covers.
class CRgn : public CGdiObject {
public:
    // The pixels from (left, top) up to but not including (right, bottom).
    BOOL CreateRectRgn(int left, int top, int right, int bottom);
    // The pixels inside the polygon of n points, closed from the last point
    // to the first, decided by mode (ALTERNATE or WINDING). The parts of the
    // polygon beyond kMaxCoordinate are cut away first, so that a polygon
    // from absurd coordinates never asks for a region of millions of rows.
    BOOL CreatePolygonRgn(const POINT* points, int n, int mode);
    // The pixels inside nPolygons polygons (counts[i] points each, one after
    // the other in points) taken together by mode: with ALTERNATE a hole
    // inside a polygon is left out, as GDI's poly-polygon region does.
    BOOL CreatePolyPolygonRgn(const POINT* points, const int* counts, int nPolygons, int mode);
    BOOL DeleteObject() {
        m_region = QRegion();
        return CGdiObject::DeleteObject();
    }
    BOOL PtInRegion(int x, int y) const { return m_valid && m_region.contains(QPoint(x, y)); }
    const QRegion& Region() const { return m_region; }

    static constexpr int kMaxCoordinate = 1 << 24;

private:
    QRegion m_region;
};

// The part of a closed polygon inside box (Sutherland-Hodgman): the
// winding number of every point strictly inside the box is kept, so a
// region made from the result covers the same pixels there.
std::vector<QPointF> ClipPolygon(std::span<const QPointF> polygon, const QRectF& box);

// Multiply then divide with rounding, as MulDiv does; -1 on division by zero.
int MulDiv(int number, int numerator, int denominator);
