// CDC: a device context. One class, two kinds of target:
//
//  - a bitmap (QImage, Format_RGB32), selected into a memory DC. Lines,
//    pixels and fills go through the scan-line rasteriser (dc_raster.h); a
//    line from the current position to (x, y) sets every pixel but the last,
//    as GDI does. Text goes through a QPainter on the same image, with
//    anti-aliasing off.
//  - a paint device (a printer, a PDF writer, a window) through a QPainter
//    (dc_device.h). A paged device is drawn between StartDoc and EndDoc; its
//    device units are its own pixels, its origin the top-left corner of its
//    paint area, and HORZRES/VERTRES the size of that area, as on a
//    printer's DC (set the device's margins to the printer's printable area
//    before attaching it).
//
// Coordinates are logical units; the viewport origin is added to reach
// device units (there is no other mapping mode). GDI objects are selected by
// pointer and must outlive their selection; selecting nullptr restores the
// stock object (black one-unit pen, white brush, the default font).
//
// Curves (arcs, ellipses) are drawn as polylines whose chords stay within a
// third of a device unit of the curve, on both targets and in paths
// (dc_path.h), so a figure's outline read back from a path is the polyline
// that was drawn. A clip region (dc_clip.h), once selected, bounds every
// drawing operation on both targets (lines, pixels, fills, text); paths are
// recorded unclipped.
//
// The operations live by job: dc.cpp (state, lines, pixels, fills, blocks,
// documents), dc_figures.cpp (arcs, ellipses, polygons), dc_text.cpp (fonts
// and text).
#pragma once

#include "platform/dc_clip.h"
#include "platform/dc_device.h"
#include "platform/dc_path.h"
#include "platform/dc_raster.h"
#include "platform/gdi.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

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

// Kinds of path points (GetPath). PT_CLOSEFIGURE is or-ed into the last
// point of a closed figure.
enum PathPointType : BYTE { PT_CLOSEFIGURE = 1, PT_LINETO = 2, PT_BEZIERTO = 4, PT_MOVETO = 6 };

// What SelectClipRgn leaves as the clip.
enum RegionType { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

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

    // Figures, in the pen's colour. Arc takes the bounding box of an ellipse
    // and runs counter-clockwise (as seen on the screen) from the ray through
    // (xStart, yStart) to the ray through (xEnd, yEnd), round the whole
    // ellipse when the rays coincide; it leaves the current position alone.
    // Ellipse, Polygon and Rectangle are filled with the selected brush
    // (nothing for a hollow one) and outlined with the pen; Polygon fills by
    // the poly fill mode (ALTERNATE at first). Polyline, like LineTo, leaves
    // out the last pixel of each segment and ignores the current position.
    BOOL Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
    BOOL Ellipse(int left, int top, int right, int bottom);
    BOOL Polygon(const POINT* points, int n);
    BOOL Polyline(const POINT* points, int n);
    BOOL Rectangle(int left, int top, int right, int bottom);
    int SetPolyFillMode(int mode);

    // Paths. Between BeginPath and EndPath, MoveTo, LineTo, Arc, Ellipse,
    // Polygon, Polyline, Rectangle and TextOut record their figures in device
    // units instead of drawing them: a figure starts with a PT_MOVETO point
    // (a lone MoveTo records nothing until something is drawn from it),
    // closed figures mark their last point with PT_CLOSEFIGURE, and text
    // records its glyph outlines with Bezier points. FlattenPath turns the
    // Bezier points into lines. GetPath, once the path is ended, copies up
    // to n points and their kinds and returns the number of points; with n
    // 0 it only counts them; -1 when there is no ended path or n is too
    // small.
    BOOL BeginPath();
    BOOL EndPath();
    BOOL AbortPath();
    BOOL FlattenPath();
    int GetPath(POINT* points, BYTE* types, int n) const;

    // Clipping to a region in device units. The DC keeps its own copy, so
    // the region may be deleted once selected; nullptr removes the clip.
    // Returns the kind of clip left (NULLREGION for an empty one).
    int SelectClipRgn(CRgn* pRgn);
    // Fills the region (within the clip) with the brush's colour.
    BOOL FillRgn(CRgn* pRgn, CBrush* pBrush);

    int GetDeviceCaps(int index) const;
    // TRUE for a printer's (or a PDF writer's) DC: what is drawn goes on paper.
    BOOL IsPrinting() const { return m_target.Paged() ? TRUE : FALSE; }

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
    QImage* TargetImage() const { return m_raster.Image(); }
    // The painter for figures and text on either target (begun on demand);
    // null without a target. Device coordinates, no viewport translation.
    QPainter* Painter();

    const CPen& CurrentPen() const { return m_pen ? *m_pen : m_stockPen; }

private:
    // Where text goes and how it is aligned, for drawing and for paths.
    struct TextPlacement {
        QFont font;
        int dx = 0;       // of the left end, from the reference point
        int baseline = 0; // of the baseline, from the reference point
        int width = 0;
        int ascent = 0, descent = 0;
    };

    QFont CurrentQFont() const;
    TextPlacement PlaceText(const QString& text) const;
    // The bitmap's clip as rectangles inside it, device units.
    std::span<const QRect> BitmapClip() { return m_clip.RectsWithin(m_raster.Bounds()); }
    // Draws a figure given in device units: filled (when fill is set) by
    // rule, outlined with the pen (closed or open; an open outline ends
    // with its last pixel set when lastPixel is set).
    void DrawFigure(const std::vector<QPointF>& points, bool closed, bool lastPixel,
                    const std::optional<COLORREF>& fill, Qt::FillRule rule);
    std::vector<QPointF> DevicePoints(const POINT* pts, int n) const;
    std::optional<COLORREF> BrushFill() const;
    bool Recording() const { return m_path.Recording(); }

    dc::ClipRegion m_clip;
    dc::BitmapRaster m_raster;
    dc::PaintTarget m_target{m_clip};
    dc::PathRecorder m_path;
    CBitmap* m_bitmap = nullptr;

    CPen* m_pen = nullptr;
    CBrush* m_brush = nullptr;
    CFont* m_font = nullptr;
    CPen m_stockPen{PS_SOLID, 1, RGB(0, 0, 0)};

    CPoint m_viewportOrg;
    CPoint m_pos;
    COLORREF m_textColour = RGB(0, 0, 0);
    int m_bkMode = OPAQUE;
    UINT m_textAlign = TA_LEFT | TA_TOP;
    int m_polyFillMode = ALTERNATE;

    std::vector<QPointF> m_figure; // the points of the figure being drawn
};

// Pixel value of a COLORREF in a Format_RGB32 image.
constexpr std::uint32_t PixelFromColour(COLORREF c) {
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | static_cast<std::uint32_t>(GetBValue(c));
}
inline QColor QColourFrom(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
constexpr COLORREF ColourFromPixel(std::uint32_t p) {
    return RGB(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
               static_cast<int>(p & 0xFF));
}
