#include "platform/dc.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

using i128 = __int128;

i128 CeilDiv(i128 num, i128 den) { // den > 0
    return num >= 0 ? (num + den - 1) / den : -((-num) / den);
}

// Sets the pixels of the line from (x0, y0) to (x1, y1), the end pixel
// excluded, clipped to the w × h image. Along the major axis every position
// gets one pixel; the minor coordinate is the exact one rounded to the
// nearest pixel (halves away from the start). Clipping is solved in closed
// form, so a line that reaches far outside costs only its visible pixels.
void RasterClipped(std::uint32_t* bits, std::ptrdiff_t stride, long long w, long long h, long long x0,
                   long long y0, long long x1, long long y1, std::uint32_t px) {
    const long long dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0) return;
    // Both ends beyond one edge: nothing of the line is visible.
    if ((x0 < 0 && x1 < 0) || (y0 < 0 && y1 < 0) || (x0 >= w && x1 >= w) || (y0 >= h && y1 >= h)) return;
    const long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const bool xMajor = adx >= ady;
    const long long a0 = xMajor ? x0 : y0, b0 = xMajor ? y0 : x0;
    const long long na = xMajor ? adx : ady, nb = xMajor ? ady : adx;
    const int sa = xMajor ? sx : sy, sb = xMajor ? sy : sx;
    const long long aMax = (xMajor ? w : h) - 1, bMax = (xMajor ? h : w) - 1;

    long long iLo = 0, iHi = na - 1;
    const bool inside = x0 >= 0 && y0 >= 0 && x0 < w && y0 < h && x1 >= 0 && y1 >= 0 && x1 < w && y1 < h;
    if (inside) {
        // The common case: no clipping, and q(0) = 0 with remainder na.
        std::uint32_t* p = xMajor ? bits + b0 * stride + a0 : bits + a0 * stride + b0;
        const std::ptrdiff_t stepA = xMajor ? sa : sa * stride;
        const std::ptrdiff_t stepB = xMajor ? sb * stride : sb;
        long long r = na;
        const long long twoNb = 2 * nb, twoNa = 2 * na;
        for (long long i = 0; i < na; ++i) {
            *p = px;
            p += stepA;
            r += twoNb;
            if (r >= twoNa) {
                r -= twoNa;
                p += stepB;
            }
        }
        return;
    }
    if (sa > 0) {
        iLo = std::max(iLo, -a0);
        iHi = std::min(iHi, aMax - a0);
    } else {
        iLo = std::max(iLo, a0 - aMax);
        iHi = std::min(iHi, a0);
    }
    if (iLo > iHi) return;

    // Minor offset q(i) = (2·i·nb + na) div (2·na) must stay in [qLo, qHi].
    const long long qLo = sb > 0 ? -b0 : b0 - bMax;
    const long long qHi = sb > 0 ? bMax - b0 : b0;
    if (qHi < 0) return;
    const i128 twoNa = static_cast<i128>(2) * na;
    if (nb == 0) {
        if (qLo > 0) return;
    } else {
        const i128 twoNb = static_cast<i128>(2) * nb;
        if (qLo > 0) iLo = std::max<long long>(iLo, static_cast<long long>(CeilDiv(twoNa * qLo - na, twoNb)));
        const i128 last = CeilDiv(twoNa * (static_cast<i128>(qHi) + 1) - na, twoNb) - 1;
        if (last < iHi) iHi = static_cast<long long>(last);
    }
    if (iLo > iHi) return;

    const i128 num = static_cast<i128>(2) * iLo * nb + na;
    const long long q = static_cast<long long>(num / twoNa);
    long long r = static_cast<long long>(num % twoNa);
    const long long a = a0 + sa * iLo, b = b0 + sb * q;
    std::uint32_t* p = xMajor ? bits + b * stride + a : bits + a * stride + b;
    const std::ptrdiff_t stepA = xMajor ? sa : sa * stride;
    const std::ptrdiff_t stepB = xMajor ? sb * stride : sb;
    const long long twoNbL = 2 * nb, twoNaL = 2 * na;
    for (long long i = iLo; i <= iHi; ++i) {
        *p = px;
        p += stepA;
        r += twoNbL;
        if (r >= twoNaL) {
            r -= twoNaL;
            p += stepB;
        }
    }
}

QColor QColourFrom(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

} // namespace

CDC::CDC() = default;

CDC::~CDC() { DeleteDC(); }

BOOL CDC::CreateCompatibleDC(CDC* /*pDC*/) {
    DeleteDC();
    return TRUE;
}

void CDC::AttachDevice(QPaintDevice* device, bool paged) {
    DeleteDC();
    m_device = device;
    m_paged = paged;
    if (!paged) {
        m_ownPainter = std::make_unique<QPainter>(device);
        m_painter = m_ownPainter.get();
    }
}

void CDC::AttachPagedDevice(QPagedPaintDevice* device, PagedDeviceHooks hooks) {
    AttachDevice(device, true);
    m_pagedDevice = device;
    m_hooks = std::move(hooks);
}

void CDC::AttachPainter(QPainter* painter) {
    DeleteDC();
    m_painter = painter;
    m_device = painter ? painter->device() : nullptr;
}

BOOL CDC::DeleteDC() {
    FlushPolyline();
    if (m_docOpen && m_hooks.abortDocument) m_hooks.abortDocument();
    m_docOpen = false;
    m_pagesStarted = 0;
    m_pagedDevice = nullptr;
    m_hooks = {};
    EndOwnPainter();
    m_painter = nullptr;
    m_image = nullptr;
    m_bits = nullptr;
    m_stride = 0;
    m_bitmap = nullptr;
    m_device = nullptr;
    return TRUE;
}

void CDC::EndOwnPainter() {
    if (m_ownPainter) {
        if (m_ownPainter->isActive()) m_ownPainter->end();
        if (m_painter == m_ownPainter.get()) m_painter = nullptr;
        m_ownPainter.reset();
    }
}

QPainter* CDC::Painter() {
    FlushPolyline();
    if (m_painter) return m_painter;
    if (m_image) {
        m_ownPainter = std::make_unique<QPainter>(m_image);
        m_ownPainter->setRenderHint(QPainter::Antialiasing, false);
        m_ownPainter->setRenderHint(QPainter::TextAntialiasing, false);
        m_painter = m_ownPainter.get();
    }
    return m_painter;
}

CPen* CDC::SelectObject(CPen* pPen) {
    FlushPolyline();
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
    EndOwnPainter();
    CBitmap* old = m_bitmap;
    m_bitmap = pBitmap;
    m_image = pBitmap && pBitmap->HasBitmap() ? &pBitmap->Image() : nullptr;
    m_bits = m_image ? reinterpret_cast<std::uint32_t*>(m_image->bits()) : nullptr;
    m_stride = m_image ? m_image->bytesPerLine() / 4 : 0;
    return old;
}

CPoint CDC::SetViewportOrg(int x, int y) {
    FlushPolyline();
    const CPoint old = m_viewportOrg;
    m_viewportOrg = CPoint(x, y);
    return old;
}

CPoint CDC::MoveTo(int x, int y) {
    FlushPolyline();
    const CPoint old = m_pos;
    m_pos = CPoint(x, y);
    return old;
}

BOOL CDC::LineTo(int x, int y) {
    const CPen& pen = CurrentPen();
    const CPoint from = m_pos;
    m_pos = CPoint(x, y);
    if (pen.m_style == PS_NULL) return TRUE;
    const long long ox = m_viewportOrg.x, oy = m_viewportOrg.y;
    if (m_image) {
        RasterClipped(m_bits, m_stride,
                      m_image->width(), m_image->height(), from.x + ox, from.y + oy, x + ox, y + oy,
                      PixelFromColour(pen.m_colour));
        return TRUE;
    }
    if (!m_painter) return FALSE;
    if (m_polyline.isEmpty()) m_polyline.append(QPoint(static_cast<int>(from.x + ox), static_cast<int>(from.y + oy)));
    m_polyline.append(QPoint(static_cast<int>(x + ox), static_cast<int>(y + oy)));
    return TRUE;
}

void CDC::FlushPolyline() {
    if (m_polyline.isEmpty()) return;
    if (m_painter && m_painter->isActive()) {
        const CPen& pen = CurrentPen();
        // Width 0 and 1 are one device unit: a cosmetic pen.
        m_painter->setPen(QPen(QColourFrom(pen.m_colour), pen.m_width > 1 ? pen.m_width : 0));
        m_painter->drawPolyline(m_polyline);
    }
    m_polyline.clear();
}

COLORREF CDC::SetPixel(int x, int y, COLORREF colour) {
    SetPixelV(x, y, colour);
    return colour;
}

BOOL CDC::SetPixelV(int x, int y, COLORREF colour) {
    const long long dx = static_cast<long long>(x) + m_viewportOrg.x;
    const long long dy = static_cast<long long>(y) + m_viewportOrg.y;
    if (m_image) {
        if (dx < 0 || dy < 0 || dx >= m_image->width() || dy >= m_image->height()) return FALSE;
        reinterpret_cast<std::uint32_t*>(m_image->scanLine(static_cast<int>(dy)))[dx] = PixelFromColour(colour);
        return TRUE;
    }
    if (QPainter* p = Painter()) {
        p->fillRect(QRect(static_cast<int>(dx), static_cast<int>(dy), 1, 1), QColourFrom(colour));
        return TRUE;
    }
    return FALSE;
}

COLORREF CDC::GetPixel(int x, int y) const {
    const long long dx = static_cast<long long>(x) + m_viewportOrg.x;
    const long long dy = static_cast<long long>(y) + m_viewportOrg.y;
    if (!m_image || dx < 0 || dy < 0 || dx >= m_image->width() || dy >= m_image->height()) return 0xFFFFFFFFu;
    return ColourFromPixel(reinterpret_cast<const std::uint32_t*>(m_image->constScanLine(static_cast<int>(dy)))[dx]);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
    const long long l = static_cast<long long>(x) + m_viewportOrg.x;
    const long long t = static_cast<long long>(y) + m_viewportOrg.y;
    if (m_image) {
        const long long x0 = std::max(0LL, l), y0 = std::max(0LL, t);
        const long long x1 = std::min<long long>(m_image->width(), l + cx);
        const long long y1 = std::min<long long>(m_image->height(), t + cy);
        const std::uint32_t px = PixelFromColour(colour);
        for (long long row = y0; row < y1; ++row) {
            auto* line = reinterpret_cast<std::uint32_t*>(m_image->scanLine(static_cast<int>(row)));
            std::fill(line + x0, line + std::max(x0, x1), px);
        }
        return;
    }
    if (QPainter* p = Painter()) p->fillRect(QRect(static_cast<int>(l), static_cast<int>(t), cx, cy), QColourFrom(colour));
}

int CDC::GetDeviceCaps(int index) const {
    if (m_image) {
        switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY:
            return 96;
        case HORZRES:
            return m_image->width();
        case VERTRES:
            return m_image->height();
        case HORZSIZE:
            return static_cast<int>(m_image->width() * 25.4 / 96);
        case VERTSIZE:
            return static_cast<int>(m_image->height() * 25.4 / 96);
        case BITSPIXEL:
            return 32;
        default:
            return 0;
        }
    }
    if (m_device) {
        switch (index) {
        case LOGPIXELSX:
            return m_device->logicalDpiX();
        case LOGPIXELSY:
            return m_device->logicalDpiY();
        case HORZRES:
            return m_device->width();
        case VERTRES:
            return m_device->height();
        case HORZSIZE:
            return m_device->widthMM();
        case VERTSIZE:
            return m_device->heightMM();
        case BITSPIXEL:
            return m_device->depth();
        default:
            return 0;
        }
    }
    // A memory DC without a bitmap behaves like the screen it is compatible with.
    return index == LOGPIXELSX || index == LOGPIXELSY ? 96 : 0;
}

COLORREF CDC::SetTextColor(COLORREF colour) {
    const COLORREF old = m_textColour;
    m_textColour = colour;
    return old;
}

int CDC::SetBkMode(int mode) {
    const int old = m_bkMode;
    m_bkMode = mode;
    return old;
}

UINT CDC::SetTextAlign(UINT flags) {
    const UINT old = m_textAlign;
    m_textAlign = flags;
    return old;
}

QFont CDC::CurrentQFont() const {
    QFont f;
    if (!m_font) {
        f.setPixelSize(16);
        return f;
    }
    const LOGFONT& lf = m_font->m_lf;
    if (lf.lfFaceName[0]) f.setFamily(QString::fromLatin1(lf.lfFaceName));
    if (lf.lfHeight < 0) {
        f.setPixelSize(std::max<LONG>(1, -lf.lfHeight));
    } else if (lf.lfHeight > 0) {
        // A positive height is the cell height (ascent + descent).
        f.setPixelSize(100);
        const QFontMetricsF fm(f);
        const double cell = fm.ascent() + fm.descent();
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(lf.lfHeight * 100.0 / (cell > 0 ? cell : 100.0)))));
    } else {
        f.setPixelSize(16);
    }
    if (lf.lfWeight >= 600) f.setBold(true);
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    if (lf.lfWidth > 0) {
        const QFontMetricsF fm(f);
        const double avg = fm.averageCharWidth();
        if (avg > 0) f.setStretch(std::clamp(static_cast<int>(std::lround(lf.lfWidth * 100.0 / avg)), 1, 4000));
    }
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

CSize CDC::GetTextExtent(const CString& text) {
    if (text.IsEmpty()) return CSize(0, 0);
    const QFont f = CurrentQFont();
    const QFontMetrics fm = m_device ? QFontMetrics(f, m_device) : QFontMetrics(f);
    return CSize(fm.horizontalAdvance(text.Q()), fm.ascent() + fm.descent());
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
    QPainter* p = Painter();
    if (!p) return FALSE;
    const QFont f = CurrentQFont();
    const QFontMetrics fm = m_device ? QFontMetrics(f, m_device) : QFontMetrics(f);
    const int w = fm.horizontalAdvance(text.Q());
    int dx = 0;
    switch (m_textAlign & TA_CENTER) {
    case TA_RIGHT:
        dx = -w;
        break;
    case TA_CENTER:
        dx = -w / 2;
        break;
    default:
        break;
    }
    int baseline = fm.ascent(); // TA_TOP
    if ((m_textAlign & TA_BASELINE) == TA_BASELINE)
        baseline = 0;
    else if (m_textAlign & TA_BOTTOM)
        baseline = -fm.descent();
    p->save();
    p->translate(x + m_viewportOrg.x, y + m_viewportOrg.y);
    if (m_font && m_font->m_lf.lfEscapement != 0) p->rotate(-m_font->m_lf.lfEscapement / 10.0);
    p->setFont(f);
    if (m_bkMode == OPAQUE) p->fillRect(QRect(dx, baseline - fm.ascent(), w, fm.ascent() + fm.descent()), Qt::white);
    p->setPen(QColourFrom(m_textColour));
    p->drawText(QPoint(dx, baseline), text.Q());
    p->restore();
    return TRUE;
}

BOOL CDC::StretchBlt(int x, int y, int w, int h, CDC* pSrc, int sx, int sy, int sw, int sh, DWORD /*rop*/) {
    if (!pSrc || !pSrc->m_image || w == 0 || h == 0 || sw <= 0 || sh <= 0) return FALSE;
    const QImage& src = *pSrc->m_image;
    const long long dl = static_cast<long long>(x) + m_viewportOrg.x;
    const long long dt = static_cast<long long>(y) + m_viewportOrg.y;
    if (m_image && w > 0 && h > 0) {
        // Nearest-neighbour copy, pixel for pixel, as a plain stretch does.
        const long long x0 = std::max(0LL, dl), x1 = std::min<long long>(m_image->width(), dl + w);
        const long long y0 = std::max(0LL, dt), y1 = std::min<long long>(m_image->height(), dt + h);
        for (long long row = y0; row < y1; ++row) {
            const long long srow = sy + (row - dt) * sh / h;
            if (srow < 0 || srow >= src.height()) continue;
            const auto* in = reinterpret_cast<const std::uint32_t*>(src.constScanLine(static_cast<int>(srow)));
            auto* out = reinterpret_cast<std::uint32_t*>(m_image->scanLine(static_cast<int>(row)));
            for (long long col = x0; col < x1; ++col) {
                const long long scol = sx + (col - dl) * sw / w;
                if (scol >= 0 && scol < src.width()) out[col] = in[scol];
            }
        }
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
    p->drawImage(QRect(dst.left + m_viewportOrg.x, dst.top + m_viewportOrg.y, dst.Width(), dst.Height()), image);
}

int CDC::StartDoc(const CString& docName) {
    if (!m_device || !m_paged || m_docOpen) return -1;
    // The name must be given before the device opens.
    if (m_hooks.nameDocument) m_hooks.nameDocument(docName.Q());
    m_ownPainter = std::make_unique<QPainter>();
    if (!m_ownPainter->begin(m_device)) {
        m_ownPainter.reset();
        return -1;
    }
    m_painter = m_ownPainter.get();
    m_docOpen = true;
    m_pagesStarted = 0;
    return 1;
}

int CDC::StartPage() {
    if (!m_docOpen || !m_painter || !m_painter->isActive()) return -1;
    // The device opens on its first sheet; later pages ask for a new one.
    if (m_pagesStarted > 0 && (!m_pagedDevice || !m_pagedDevice->newPage())) return -1;
    ++m_pagesStarted;
    return 1;
}

int CDC::EndPage() {
    FlushPolyline();
    return m_painter && m_painter->isActive() ? 1 : -1;
}

int CDC::EndDoc() {
    FlushPolyline();
    if (!m_docOpen || !m_ownPainter || !m_ownPainter->isActive()) return -1;
    m_docOpen = false;
    const bool ok = m_ownPainter->end();
    m_painter = nullptr;
    m_ownPainter.reset();
    return ok ? 1 : -1;
}
