// CDC: a device context. One class, two kinds of target:
//
//  - a bitmap (QImage, Format_RGB32), selected into a memory DC. Lines and
//    pixels are rasterised here, straight into the scan lines: pixels are part
//    of the result, and QPainter's aliased lines are not GDI's. A line from
//    the current position to (x, y) sets every pixel but the last, as GDI
//    does. Figures and text go through a QPainter on the same image, with
//    anti-aliasing off.
//  - a paint device (a printer, a PDF writer, a window) through a QPainter.
//    Runs of LineTo with one pen are collected and drawn as one polyline.
//    A paged device (printer, PDF writer) is drawn between StartDoc and
//    EndDoc; its device units are its own pixels, its origin the top-left
//    corner of its paint area, and HORZRES/VERTRES the size of that area, as
//    on a printer's DC (set the device's margins to the printer's printable
//    area before attaching it).
//
// Coordinates are logical units; the viewport origin is added to reach
// device units (there is no other mapping mode). GDI objects are selected by
// pointer and must outlive their selection; selecting nullptr restores the
// stock object (black one-unit pen, white brush, the default font).
#pragma once

#include "platform/gdi.h"

#include <QPolygon>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

// What a paged device needs beyond painting, supplied by whoever knows its
// kind: naming the job (StartDoc's document name), and abandoning a job that
// was started and never ended (a DC deleted before EndDoc throws its job
// away instead of printing it).
struct PagedDeviceHooks {
    std::function<void(const QString&)> nameDocument;
    std::function<void()> abortDocument;
};

enum DeviceCap {
    HORZSIZE = 4, // mm
    VERTSIZE = 6,
    HORZRES = 8, // device units
    VERTRES = 10,
    BITSPIXEL = 12,
    LOGPIXELSX = 88,
    LOGPIXELSY = 90,
};

enum TextAlign : UINT {
    TA_LEFT = 0,
    TA_TOP = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
};

enum BkMode { TRANSPARENT = 1, OPAQUE = 2 };

constexpr DWORD SRCCOPY = 0x00CC0020;

class CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // A memory DC compatible with pDC (or with the screen when null): no
    // target until a bitmap is selected.
    BOOL CreateCompatibleDC(CDC* pDC);
    // A DC over a paint device (printer, PDF writer, widget); the painter is
    // begun by StartDoc for paged devices, at once for others.
    void AttachDevice(QPaintDevice* device, bool paged);
    // A DC over a printer or a PDF writer, for StartDoc ... EndDoc.
    void AttachPagedDevice(QPagedPaintDevice* device, PagedDeviceHooks hooks = {});
    // A DC drawing through a painter that someone else owns (a window's
    // paint event).
    void AttachPainter(QPainter* painter);
    BOOL DeleteDC();

    CPen* SelectObject(CPen* pPen);
    CBrush* SelectObject(CBrush* pBrush);
    CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);

    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(CPoint p) { return SetViewportOrg(p.x, p.y); }
    CPoint GetViewportOrg() const { return m_viewportOrg; }

    CPoint MoveTo(int x, int y);
    CPoint GetCurrentPosition() const { return m_pos; }
    BOOL LineTo(int x, int y);
    COLORREF SetPixel(int x, int y, COLORREF colour);
    BOOL SetPixelV(int x, int y, COLORREF colour);
    COLORREF GetPixel(int x, int y) const;
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);

    int GetDeviceCaps(int index) const;

    COLORREF SetTextColor(COLORREF colour);
    int SetBkMode(int mode);
    UINT SetTextAlign(UINT flags);
    BOOL TextOut(int x, int y, const CString& text);
    CSize GetTextExtent(const CString& text);

    // Copies (stretching) a block of pSrc's bitmap into this DC.
    BOOL StretchBlt(int x, int y, int w, int h, CDC* pSrc, int sx, int sy, int sw, int sh, DWORD rop);
    BOOL BitBlt(int x, int y, int w, int h, CDC* pSrc, int sx, int sy, DWORD rop);
    // Draws a decoded picture stretched into dst (the image library's Draw).
    void DrawImage(const QImage& image, const CRect& dst);

    // Paged devices. Each returns a positive value on success and a value
    // <= 0 on failure. StartDoc names the job and opens the device; every
    // StartPage after the first begins a new sheet.
    int StartDoc(const CString& docName);
    int StartPage();
    int EndPage();
    int EndDoc();

    // The bitmap a memory DC draws into, or null.
    QImage* TargetImage() const { return m_image; }
    // The painter for figures and text on either target (begun on demand);
    // null without a target. Device coordinates, no viewport translation.
    QPainter* Painter();

    const CPen& CurrentPen() const { return m_pen ? *m_pen : m_stockPen; }

private:
    void FlushPolyline();
    void EndOwnPainter();
    void RasterLine(int x0, int y0, int x1, int y1, COLORREF colour);
    QFont CurrentQFont() const;

    QImage* m_image = nullptr;
    // The selected bitmap's scan lines, taken once at selection.
    std::uint32_t* m_bits = nullptr;
    std::ptrdiff_t m_stride = 0; // in pixels
    CBitmap* m_bitmap = nullptr;
    QPaintDevice* m_device = nullptr;
    bool m_paged = false;
    QPagedPaintDevice* m_pagedDevice = nullptr;
    PagedDeviceHooks m_hooks;
    bool m_docOpen = false; // StartDoc succeeded, EndDoc not yet called
    int m_pagesStarted = 0;
    std::unique_ptr<QPainter> m_ownPainter;
    QPainter* m_painter = nullptr; // m_ownPainter.get() or an external one

    CPen* m_pen = nullptr;
    CBrush* m_brush = nullptr;
    CFont* m_font = nullptr;
    CPen m_stockPen{PS_SOLID, 1, RGB(0, 0, 0)};

    CPoint m_viewportOrg;
    CPoint m_pos;
    COLORREF m_textColour = RGB(0, 0, 0);
    int m_bkMode = OPAQUE;
    UINT m_textAlign = TA_LEFT | TA_TOP;

    QPolygon m_polyline; // pending LineTo run on a paint device, device units
};

// Pixel value of a COLORREF in a Format_RGB32 image.
constexpr std::uint32_t PixelFromColour(COLORREF c) {
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | static_cast<std::uint32_t>(GetBValue(c));
}
constexpr COLORREF ColourFromPixel(std::uint32_t p) {
    return RGB(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF));
}
