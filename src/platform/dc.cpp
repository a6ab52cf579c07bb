#include "platform/dc.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

CDC::CDC() = default;

CDC::~CDC() {
    DeleteDC();
}

BOOL CDC::CreateCompatibleDC(CDC* /*pDC*/) {
    DeleteDC();
    return TRUE;
}

void CDC::AttachDevice(QPaintDevice* device, bool paged) {
    DeleteDC();
    m_target.AttachDevice(device, paged);
}

void CDC::AttachPagedDevice(QPagedPaintDevice* device, PagedDeviceHooks hooks) {
    DeleteDC();
    m_target.AttachPagedDevice(device, std::move(hooks));
}

void CDC::AttachPainter(QPainter* painter) {
    DeleteDC();
    m_target.AttachPainter(painter);
}

BOOL CDC::DeleteDC() {
    m_target.Reset();
    m_raster.Target(nullptr);
    m_bitmap = nullptr;
    m_clip.Clear();
    m_path.Clear();
    return TRUE;
}

QPainter* CDC::Painter() {
    return m_target.Painter();
}

CPen* CDC::SelectObject(CPen* pPen) {
    m_target.Flush();
    CPen* old = m_pen ? m_pen : &m_stockPen;
    m_pen = pPen == &m_stockPen ? nullptr : pPen;
    return old;
}

CBrush* CDC::SelectObject(CBrush* pBrush) {
    CBrush* old = m_brush;
    m_brush = pBrush;
    return old;
}

CFont* CDC::SelectObject(CFont* pFont) {
    CFont* old = m_font;
    m_font = pFont;
    return old;
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    CBitmap* old = m_bitmap;
    m_bitmap = pBitmap;
    QImage* image = pBitmap && pBitmap->HasBitmap() ? &pBitmap->Image() : nullptr;
    m_raster.Target(image);
    m_target.AttachImage(image);
    return old;
}

CPoint CDC::SetViewportOrg(int x, int y) {
    m_target.Flush();
    const CPoint old = m_viewportOrg;
    m_viewportOrg = CPoint(x, y);
    return old;
}

CPoint CDC::MoveTo(int x, int y) {
    m_target.Flush();
    const CPoint old = m_pos;
    m_pos = CPoint(x, y);
    m_path.Break();
    return old;
}

BOOL CDC::LineTo(int x, int y) {
    const CPen& pen = CurrentPen();
    const CPoint from = m_pos;
    m_pos = CPoint(x, y);
    const long long ox = m_viewportOrg.x, oy = m_viewportOrg.y;
    const long long x0 = from.x + ox, y0 = from.y + oy, x1 = x + ox, y1 = y + oy;
    if (Recording()) {
        m_path.LineTo(QPointF(static_cast<double>(x0), static_cast<double>(y0)),
                      QPointF(static_cast<double>(x1), static_cast<double>(y1)));
        return TRUE;
    }
    if (pen.m_style == PS_NULL) return TRUE;
    if (m_raster.Image()) {
        m_raster.Line(BitmapClip(), x0, y0, x1, y1, PixelFromColour(pen.m_colour));
        return TRUE;
    }
    return m_target.AddLine(QPoint(static_cast<int>(x0), static_cast<int>(y0)),
                            QPoint(static_cast<int>(x1), static_cast<int>(y1)), pen.m_colour, pen.m_width)
               ? TRUE
               : FALSE;
}

COLORREF CDC::SetPixel(int x, int y, COLORREF colour) {
    SetPixelV(x, y, colour);
    return colour;
}

BOOL CDC::SetPixelV(int x, int y, COLORREF colour) {
    const long long dx = static_cast<long long>(x) + m_viewportOrg.x;
    const long long dy = static_cast<long long>(y) + m_viewportOrg.y;
    if (const QImage* image = m_raster.Image()) {
        if (dx < 0 || dy < 0 || dx >= image->width() || dy >= image->height()) return FALSE;
        m_raster.Plot(BitmapClip(), dx, dy, PixelFromColour(colour));
        return TRUE;
    }
    if (QPainter* p = Painter()) {
        p->fillRect(QRect(static_cast<int>(dx), static_cast<int>(dy), 1, 1), QColourFrom(colour));
        return TRUE;
    }
    return FALSE;
}

COLORREF CDC::GetPixel(int x, int y) const {
    const auto px = m_raster.Pixel(static_cast<long long>(x) + m_viewportOrg.x,
                                   static_cast<long long>(y) + m_viewportOrg.y);
    return px ? ColourFromPixel(*px) : 0xFFFFFFFFu;
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
    const long long l = static_cast<long long>(x) + m_viewportOrg.x;
    const long long t = static_cast<long long>(y) + m_viewportOrg.y;
    if (const QImage* image = m_raster.Image()) {
        if (cx <= 0 || cy <= 0) return;
        const long long x0 = std::max(0LL, l), y0 = std::max(0LL, t);
        const long long x1 = std::min<long long>(image->width(), l + cx);
        const long long y1 = std::min<long long>(image->height(), t + cy);
        if (x0 >= x1 || y0 >= y1) return;
        m_raster.Fill(BitmapClip(),
                      QRegion(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                              static_cast<int>(y1 - y0)),
                      PixelFromColour(colour));
        return;
    }
    if (QPainter* p = Painter())
        p->fillRect(QRect(static_cast<int>(l), static_cast<int>(t), cx, cy), QColourFrom(colour));
}

int CDC::SelectClipRgn(CRgn* pRgn) {
    m_target.Flush();
    const int kind = m_clip.Select(pRgn);
    m_target.ApplyClip();
    return kind;
}

BOOL CDC::FillRgn(CRgn* pRgn, CBrush* pBrush) {
    if (!pRgn || !pRgn->IsValid() || !pBrush) return FALSE;
    if (Recording()) return TRUE;
    if (pBrush->m_hollow) return TRUE;
    if (m_raster.Image()) {
        m_raster.Fill(BitmapClip(), pRgn->Region(), PixelFromColour(pBrush->m_colour));
        return TRUE;
    }
    QPainter* p = Painter();
    if (!p) return FALSE;
    for (const QRect& r : pRgn->Region()) p->fillRect(r, QColourFrom(pBrush->m_colour));
    return TRUE;
}

int CDC::GetDeviceCaps(int index) const {
    if (const QImage* image = m_raster.Image()) {
        switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY:
            return 96;
        case HORZRES:
            return image->width();
        case VERTRES:
            return image->height();
        case HORZSIZE:
            return static_cast<int>(image->width() * 25.4 / 96);
        case VERTSIZE:
            return static_cast<int>(image->height() * 25.4 / 96);
        case BITSPIXEL:
            return 32;
        default:
            return 0;
        }
    }
    if (const QPaintDevice* device = m_target.Device()) {
        switch (index) {
        case LOGPIXELSX:
            return device->logicalDpiX();
        case LOGPIXELSY:
            return device->logicalDpiY();
        case HORZRES:
            return device->width();
        case VERTRES:
            return device->height();
        case HORZSIZE:
            return device->widthMM();
        case VERTSIZE:
            return device->heightMM();
        case BITSPIXEL:
            return device->depth();
        default:
            return 0;
        }
    }
    // A memory DC without a bitmap behaves like the screen it is compatible with.
    return index == LOGPIXELSX || index == LOGPIXELSY ? 96 : 0;
}

BOOL CDC::StretchBlt(int x, int y, int w, int h, CDC* pSrc, int sx, int sy, int sw, int sh, DWORD /*rop*/) {
    if (!pSrc || !pSrc->m_raster.Image() || w == 0 || h == 0 || sw <= 0 || sh <= 0) return FALSE;
    const QImage& src = *pSrc->m_raster.Image();
    const long long dl = static_cast<long long>(x) + m_viewportOrg.x;
    const long long dt = static_cast<long long>(y) + m_viewportOrg.y;
    if (m_raster.Image() && w > 0 && h > 0) {
        // Nearest-neighbour copy, pixel for pixel, as a plain stretch does.
        m_raster.StretchCopy(src, QRect(sx, sy, sw, sh), dl, dt, w, h);
        return TRUE;
    }
    QPainter* p = Painter();
    if (!p) return FALSE;
    p->drawImage(QRect(static_cast<int>(dl), static_cast<int>(dt), w, h), src, QRect(sx, sy, sw, sh));
    return TRUE;
}

BOOL CDC::BitBlt(int x, int y, int w, int h, CDC* pSrc, int sx, int sy, DWORD rop) {
    return StretchBlt(x, y, w, h, pSrc, sx, sy, w, h, rop);
}

void CDC::DrawImage(const QImage& image, const CRect& dst) {
    if (image.isNull() || dst.Width() <= 0 || dst.Height() <= 0) return;
    QPainter* p = Painter();
    if (!p) return;
    p->drawImage(QRect(dst.left + m_viewportOrg.x, dst.top + m_viewportOrg.y, dst.Width(), dst.Height()),
                 image);
}

int CDC::StartDoc(const CString& docName) {
    return m_target.StartDoc(docName.Q());
}

int CDC::StartPage() {
    return m_target.StartPage();
}

int CDC::EndPage() {
    return m_target.EndPage();
}

int CDC::EndDoc() {
    return m_target.EndDoc();
}

BOOL CDC::BeginPath() {
    m_target.Flush();
    m_path.Begin();
    return TRUE;
}

BOOL CDC::EndPath() {
    return m_path.End() ? TRUE : FALSE;
}

BOOL CDC::AbortPath() {
    m_path.Abort();
    return TRUE;
}

BOOL CDC::FlattenPath() {
    return m_path.Flatten() ? TRUE : FALSE;
}

int CDC::GetPath(POINT* points, BYTE* types, int n) const {
    return m_path.Get(points, types, n);
}
