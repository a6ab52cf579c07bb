#include "platform/dc.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

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

constexpr double kTwoPi = 6.283185307179586;
// Largest chord deviation from a curve, device units.
constexpr double kFlatness = 1.0 / 3.0;
constexpr int kMaxCurveSegments = 16384;

// Chords for a sweep of an ellipse whose larger radius is r.
int CurveSegments(double r, double sweep) {
    if (!(r > kFlatness) || !std::isfinite(r) || !std::isfinite(sweep)) return 4;
    const double step = 2.0 * std::acos(1.0 - kFlatness / r);
    const double n = std::ceil(std::fabs(sweep) / step);
    return static_cast<int>(std::clamp(n, 4.0, static_cast<double>(kMaxCurveSegments)));
}

// Points of an ellipse in device units (y down), from parameter a0 through
// sweep radians counter-clockwise as seen on the screen. The angle steps by
// rotation (one sine and cosine per figure), taken afresh every 64 points
// so that rounding cannot build up.
void EllipsePoints(double cx, double cy, double rx, double ry, double a0, double sweep, std::vector<QPointF>& out) {
    const int n = CurveSegments(std::max(rx, ry), sweep);
    out.reserve(out.size() + static_cast<std::size_t>(n) + 1);
    const double step = sweep / n;
    const double cs = std::cos(step), sn = std::sin(step);
    double c = 1, s = 0;
    for (int i = 0; i <= n; ++i) {
        if (i % 64 == 0) {
            const double a = a0 + step * i;
            c = std::cos(a);
            s = std::sin(a);
        }
        out.emplace_back(cx + rx * c, cy - ry * s);
        const double c2 = c * cs - s * sn;
        s = s * cs + c * sn;
        c = c2;
    }
}

// The parameter of the point where the ray from the centre through (x, y)
// meets the ellipse.
double RayParameter(double cx, double cy, double rx, double ry, double x, double y) {
    return std::atan2(-(y - cy) * rx, (x - cx) * ry);
}

// Device points of a figure, rounded to whole units.
QPolygon ToPolygon(const std::vector<QPointF>& points) {
    QPolygon poly;
    poly.reserve(static_cast<int>(points.size()));
    for (const QPointF& p : points) poly.append(QPoint(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))));
    return poly;
}

// Splits a cubic Bezier (p0 given by the caller) into chords within the
// flatness, appending their ends.
void FlattenCubic(const QPointF& p0, const QPointF& p1, const QPointF& p2, const QPointF& p3, std::vector<QPointF>& out) {
    // The chords of n equal parameter steps stay within |B''|max / (8 n²).
    const QPointF d1 = p0 - 2 * p1 + p2, d2 = p1 - 2 * p2 + p3;
    const double m = 6.0 * std::max(std::hypot(d1.x(), d1.y()), std::hypot(d2.x(), d2.y()));
    double n = std::ceil(std::sqrt(m / (8.0 * kFlatness)));
    if (!std::isfinite(n)) n = 1;
    const int steps = static_cast<int>(std::clamp(n, 1.0, 256.0));
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps, u = 1.0 - t;
        out.push_back(u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3);
    }
}

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
    m_clip.reset();
    m_clipRectsValid = false;
    m_path.clear();
    m_pathState = PathState::None;
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
        ApplyClipToPainter();
    }
    return m_painter;
}

void CDC::ApplyClipToPainter() {
    if (!m_painter || !m_painter->isActive()) return;
    if (m_clip)
        m_painter->setClipRegion(*m_clip);
    else
        m_painter->setClipping(false);
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
    m_clipRectsValid = false;
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
    m_pathNewStroke = true;
    return old;
}

BOOL CDC::LineTo(int x, int y) {
    const CPen& pen = CurrentPen();
    const CPoint from = m_pos;
    m_pos = CPoint(x, y);
    const long long ox = m_viewportOrg.x, oy = m_viewportOrg.y;
    if (Recording()) {
        StartStroke(from);
        m_path.push_back({static_cast<double>(x + ox), static_cast<double>(y + oy), PT_LINETO});
        return TRUE;
    }
    if (pen.m_style == PS_NULL) return TRUE;
    if (m_image) {
        RasterSegment(from.x + ox, from.y + oy, x + ox, y + oy, PixelFromColour(pen.m_colour));
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
        PlotPixel(dx, dy, PixelFromColour(colour));
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
        if (cx <= 0 || cy <= 0) return;
        const long long x0 = std::max(0LL, l), y0 = std::max(0LL, t);
        const long long x1 = std::min<long long>(m_image->width(), l + cx);
        const long long y1 = std::min<long long>(m_image->height(), t + cy);
        if (x0 >= x1 || y0 >= y1) return;
        FillRegionOnBitmap(QRegion(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                                   static_cast<int>(y1 - y0)),
                           PixelFromColour(colour));
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

CDC::TextPlacement CDC::PlaceText(const QString& text) const {
    TextPlacement t;
    t.font = CurrentQFont();
    const QFontMetrics fm = m_device ? QFontMetrics(t.font, m_device) : QFontMetrics(t.font);
    t.width = fm.horizontalAdvance(text);
    t.ascent = fm.ascent();
    t.descent = fm.descent();
    switch (m_textAlign & TA_CENTER) {
    case TA_RIGHT:
        t.dx = -t.width;
        break;
    case TA_CENTER:
        t.dx = -t.width / 2;
        break;
    default:
        break;
    }
    t.baseline = t.ascent; // TA_TOP
    if ((m_textAlign & TA_BASELINE) == TA_BASELINE)
        t.baseline = 0;
    else if (m_textAlign & TA_BOTTOM)
        t.baseline = -t.descent;
    return t;
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
    const double angle = m_font ? -m_font->m_lf.lfEscapement / 10.0 : 0.0;
    if (Recording()) {
        if (text.IsEmpty()) return TRUE;
        const TextPlacement t = PlaceText(text.Q());
        QPainterPath glyphs;
        glyphs.addText(QPointF(t.dx, t.baseline), t.font, text.Q());
        QTransform place;
        place.translate(x + m_viewportOrg.x, y + m_viewportOrg.y);
        if (angle != 0.0) place.rotate(angle);
        glyphs = place.map(glyphs);
        // Each glyph contour becomes a closed figure; Qt spells a cubic
        // curve as a CurveTo element and two data elements, the three
        // Bezier points of GDI's path.
        auto closeFigure = [&](std::size_t figureStart) {
            if (m_path.size() > figureStart) m_path.back().type |= PT_CLOSEFIGURE;
        };
        std::size_t figureStart = m_path.size();
        for (int i = 0; i < glyphs.elementCount(); ++i) {
            const QPainterPath::Element e = glyphs.elementAt(i);
            switch (e.type) {
            case QPainterPath::MoveToElement:
                closeFigure(figureStart);
                figureStart = m_path.size();
                m_path.push_back({e.x, e.y, PT_MOVETO});
                break;
            case QPainterPath::LineToElement:
                m_path.push_back({e.x, e.y, PT_LINETO});
                break;
            default:
                m_path.push_back({e.x, e.y, PT_BEZIERTO});
                break;
            }
        }
        closeFigure(figureStart);
        m_pathNewStroke = true;
        return TRUE;
    }
    QPainter* p = Painter();
    if (!p) return FALSE;
    const TextPlacement t = PlaceText(text.Q());
    p->save();
    p->translate(x + m_viewportOrg.x, y + m_viewportOrg.y);
    if (angle != 0.0) p->rotate(angle);
    p->setFont(t.font);
    if (m_bkMode == OPAQUE) p->fillRect(QRect(t.dx, t.baseline - t.ascent, t.width, t.ascent + t.descent), Qt::white);
    p->setPen(QColourFrom(m_textColour));
    p->drawText(QPoint(t.dx, t.baseline), text.Q());
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
    ApplyClipToPainter();
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

// --- clipping -------------------------------------------------------------

const std::vector<QRect>& CDC::BitmapClip() {
    if (!m_clipRectsValid || m_clipRectsFor != m_image) {
        m_clipRects.clear();
        if (m_image) {
            const QRegion all(m_image->rect());
            const QRegion inside = m_clip ? m_clip->intersected(all) : all;
            for (const QRect& r : inside) m_clipRects.push_back(r);
        }
        m_clipRectsFor = m_image;
        m_clipRectsValid = true;
    }
    return m_clipRects;
}

// The line is cut into the clip's rectangles one by one: the raster of a
// clipped line has exactly the pixels of the whole line inside the rectangle,
// so the pieces together are the pixels of the line inside the region.
void CDC::RasterSegment(long long x0, long long y0, long long x1, long long y1, std::uint32_t px) {
    if (!m_clip) {
        // No clip region: the bitmap itself is the only rectangle.
        RasterClipped(m_bits, m_stride, m_image->width(), m_image->height(), x0, y0, x1, y1, px);
        return;
    }
    for (const QRect& r : BitmapClip())
        RasterClipped(m_bits + static_cast<std::ptrdiff_t>(r.top()) * m_stride + r.left(), m_stride, r.width(),
                      r.height(), x0 - r.left(), y0 - r.top(), x1 - r.left(), y1 - r.top(), px);
}

void CDC::PlotPixel(long long x, long long y, std::uint32_t px) {
    if (!m_image) return;
    for (const QRect& r : BitmapClip()) {
        if (x >= r.left() && x <= r.right() && y >= r.top() && y <= r.bottom()) {
            reinterpret_cast<std::uint32_t*>(m_image->scanLine(static_cast<int>(y)))[x] = px;
            return;
        }
    }
}

void CDC::FillRegionOnBitmap(const QRegion& region, std::uint32_t px) {
    if (!m_image) return;
    QRegion clip;
    for (const QRect& r : BitmapClip()) clip += r;
    for (const QRect& r : region.intersected(clip)) {
        for (int row = r.top(); row <= r.bottom(); ++row) {
            auto* line = reinterpret_cast<std::uint32_t*>(m_image->scanLine(row));
            std::fill(line + r.left(), line + r.right() + 1, px);
        }
    }
}

int CDC::SelectClipRgn(CRgn* pRgn) {
    FlushPolyline();
    if (pRgn && pRgn->IsValid())
        m_clip = pRgn->Region();
    else
        m_clip.reset();
    m_clipRectsValid = false;
    ApplyClipToPainter();
    if (!m_clip) return SIMPLEREGION;
    if (m_clip->isEmpty()) return NULLREGION;
    return m_clip->rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

BOOL CDC::FillRgn(CRgn* pRgn, CBrush* pBrush) {
    if (!pRgn || !pRgn->IsValid() || !pBrush) return FALSE;
    if (Recording()) return TRUE;
    if (pBrush->m_hollow) return TRUE;
    if (m_image) {
        FillRegionOnBitmap(pRgn->Region(), PixelFromColour(pBrush->m_colour));
        return TRUE;
    }
    QPainter* p = Painter();
    if (!p) return FALSE;
    for (const QRect& r : pRgn->Region()) p->fillRect(r, QColourFrom(pBrush->m_colour));
    return TRUE;
}

// --- figures --------------------------------------------------------------

int CDC::SetPolyFillMode(int mode) {
    const int old = m_polyFillMode;
    if (mode == ALTERNATE || mode == WINDING) m_polyFillMode = mode;
    return old;
}

std::optional<COLORREF> CDC::BrushFill() const {
    if (m_brush && m_brush->m_hollow) return std::nullopt;
    return m_brush ? m_brush->m_colour : RGB(255, 255, 255);
}

void CDC::DrawFigure(const std::vector<QPointF>& points, bool closed, bool lastPixel,
                     const std::optional<COLORREF>& fill, Qt::FillRule rule) {
    if (points.empty()) return;
    const CPen& pen = CurrentPen();
    const bool outline = pen.m_style != PS_NULL;
    if (m_image) {
        if (fill && points.size() >= 3) {
            // Cut to the bitmap first, so that far-away corners cost nothing.
            const QRectF box(QPointF(-2.0, -2.0), QPointF(m_image->width() + 2.0, m_image->height() + 2.0));
            const QPolygon poly = ToPolygon(ClipPolygon(points, box));
            if (poly.size() >= 3) FillRegionOnBitmap(QRegion(poly, rule), PixelFromColour(*fill));
        }
        if (!outline) return;
        const std::uint32_t px = PixelFromColour(pen.m_colour);
        auto round = [](double v) { return static_cast<long long>(std::lround(v)); };
        long long x0 = round(points[0].x()), y0 = round(points[0].y());
        const long long fx = x0, fy = y0;
        for (std::size_t i = 1; i < points.size(); ++i) {
            const long long x1 = round(points[i].x()), y1 = round(points[i].y());
            RasterSegment(x0, y0, x1, y1, px);
            x0 = x1;
            y0 = y1;
        }
        if (closed && points.size() > 1)
            RasterSegment(x0, y0, fx, fy, px);
        else if (lastPixel)
            PlotPixel(x0, y0, px);
        return;
    }
    QPainter* p = Painter();
    if (!p) return;
    const QPolygon poly = ToPolygon(points);
    if (fill && poly.size() >= 3) {
        p->setPen(Qt::NoPen);
        p->setBrush(QColourFrom(*fill));
        p->drawPolygon(poly, rule);
        p->setBrush(Qt::NoBrush);
    }
    if (!outline) return;
    p->setPen(QPen(QColourFrom(pen.m_colour), pen.m_width > 1 ? pen.m_width : 0));
    if (closed)
        p->drawPolygon(poly);
    else
        p->drawPolyline(poly);
}

void CDC::StartStroke(CPoint from) {
    const double x = from.x + m_viewportOrg.x, y = from.y + m_viewportOrg.y;
    if (!m_pathNewStroke && !m_path.empty() && !(m_path.back().type & PT_CLOSEFIGURE) && m_path.back().x == x &&
        m_path.back().y == y)
        return;
    m_pathNewStroke = false;
    m_path.push_back({x, y, PT_MOVETO});
}

void CDC::RecordFigure(const std::vector<QPointF>& points, bool closed) {
    if (points.empty()) return;
    for (std::size_t i = 0; i < points.size(); ++i)
        m_path.push_back({points[i].x(), points[i].y(), i == 0 ? BYTE(PT_MOVETO) : BYTE(PT_LINETO)});
    if (closed && points.size() > 1) m_path.back().type |= PT_CLOSEFIGURE;
    m_pathNewStroke = true;
}

namespace {

// The last curve flattened, by its arguments in device units: the same
// figure is often drawn twice in a row (into a picture, then into a path
// for its outline), and flattening is the costly part.
struct CurveMemo {
    long long key[9] = {};
    bool valid = false;
    std::vector<QPointF> points;

    bool Find(const long long (&k)[9], std::vector<QPointF>& out) {
        if (!valid || !std::equal(std::begin(k), std::end(k), std::begin(key))) return false;
        out = points;
        return true;
    }
    void Keep(const long long (&k)[9], const std::vector<QPointF>& in) {
        std::copy(std::begin(k), std::end(k), std::begin(key));
        points = in;
        valid = true;
    }
};
thread_local CurveMemo t_curveMemo;

} // namespace

BOOL CDC::Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
    const long long ox = m_viewportOrg.x, oy = m_viewportOrg.y;
    const long long key[9] = {left + ox, top + oy, right + ox, bottom + oy, xStart + ox, yStart + oy,
                              xEnd + ox, yEnd + oy, 0};
    std::vector<QPointF>& points = m_figure;
    if (!t_curveMemo.Find(key, points)) {
        const double l = static_cast<double>(std::min(key[0], key[2])), r = static_cast<double>(std::max(key[0], key[2]));
        const double t = static_cast<double>(std::min(key[1], key[3])), b = static_cast<double>(std::max(key[1], key[3]));
        const double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
        const double a0 = RayParameter(cx, cy, rx, ry, static_cast<double>(key[4]), static_cast<double>(key[5]));
        const double a1 = RayParameter(cx, cy, rx, ry, static_cast<double>(key[6]), static_cast<double>(key[7]));
        double sweep = a1 - a0;
        if (sweep <= 0) sweep += kTwoPi;
        points.clear();
        EllipsePoints(cx, cy, rx, ry, a0, sweep, points);
        t_curveMemo.Keep(key, points);
    }
    if (Recording())
        RecordFigure(points, false);
    else
        DrawFigure(points, false, true, std::nullopt, Qt::OddEvenFill);
    return TRUE;
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom) {
    const long long ox = m_viewportOrg.x, oy = m_viewportOrg.y;
    const long long key[9] = {left + ox, top + oy, right + ox, bottom + oy, 0, 0, 0, 0, 1};
    std::vector<QPointF>& points = m_figure;
    if (!t_curveMemo.Find(key, points)) {
        const double l = static_cast<double>(std::min(key[0], key[2])), r = static_cast<double>(std::max(key[0], key[2]));
        const double t = static_cast<double>(std::min(key[1], key[3])), b = static_cast<double>(std::max(key[1], key[3]));
        points.clear();
        EllipsePoints((l + r) / 2, (t + b) / 2, (r - l) / 2, (b - t) / 2, 0.0, kTwoPi, points);
        points.pop_back(); // the closing point is the first one
        t_curveMemo.Keep(key, points);
    }
    if (Recording())
        RecordFigure(points, true);
    else
        DrawFigure(points, true, false, BrushFill(), Qt::OddEvenFill);
    return TRUE;
}

// Logical points moved by the viewport origin, in doubles so that no
// coordinate can overflow on the way.
std::vector<QPointF> CDC::DevicePoints(const POINT* pts, int n) const {
    std::vector<QPointF> points;
    points.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        points.emplace_back(static_cast<double>(pts[i].x) + m_viewportOrg.x,
                            static_cast<double>(pts[i].y) + m_viewportOrg.y);
    return points;
}

BOOL CDC::Polygon(const POINT* pts, int n) {
    if (!pts || n < 2) return FALSE;
    const std::vector<QPointF> points = DevicePoints(pts, n);
    if (Recording())
        RecordFigure(points, true);
    else
        DrawFigure(points, true, false, BrushFill(), m_polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    return TRUE;
}

BOOL CDC::Polyline(const POINT* pts, int n) {
    if (!pts || n < 2) return FALSE;
    const std::vector<QPointF> points = DevicePoints(pts, n);
    if (Recording())
        RecordFigure(points, false);
    else
        DrawFigure(points, false, false, std::nullopt, Qt::OddEvenFill);
    return TRUE;
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
    const int l = std::min(left, right), r = std::max(left, right);
    const int t = std::min(top, bottom), b = std::max(top, bottom);
    if (Recording()) {
        const double ox = m_viewportOrg.x, oy = m_viewportOrg.y;
        RecordFigure({{l + ox, t + oy}, {r + ox, t + oy}, {r + ox, b + oy}, {l + ox, b + oy}}, true);
        return TRUE;
    }
    if (r <= l || b <= t) return TRUE;
    // The figure covers left..right-1 and top..bottom-1; the pen draws its
    // edge pixels, the brush the rest.
    if (const auto fill = BrushFill()) FillSolidRect(l, t, r - l, b - t, *fill);
    const CPen& pen = CurrentPen();
    if (pen.m_style == PS_NULL) return TRUE;
    FillSolidRect(l, t, r - l, 1, pen.m_colour);
    FillSolidRect(l, b - 1, r - l, 1, pen.m_colour);
    FillSolidRect(l, t, 1, b - t, pen.m_colour);
    FillSolidRect(r - 1, t, 1, b - t, pen.m_colour);
    return TRUE;
}

// --- paths ----------------------------------------------------------------

BOOL CDC::BeginPath() {
    FlushPolyline();
    m_path.clear();
    m_pathState = PathState::Open;
    m_pathNewStroke = true;
    return TRUE;
}

BOOL CDC::EndPath() {
    if (m_pathState != PathState::Open) return FALSE;
    m_pathState = PathState::Closed;
    return TRUE;
}

BOOL CDC::AbortPath() {
    m_path.clear();
    m_pathState = PathState::None;
    return TRUE;
}

BOOL CDC::FlattenPath() {
    if (m_pathState != PathState::Closed) return FALSE;
    std::vector<PathPoint> flat;
    flat.reserve(m_path.size());
    std::vector<QPointF> chords;
    for (std::size_t i = 0; i < m_path.size(); ++i) {
        const PathPoint& p = m_path[i];
        if ((p.type & ~PT_CLOSEFIGURE) != PT_BEZIERTO || flat.empty() || i + 2 >= m_path.size()) {
            flat.push_back(p);
            continue;
        }
        const PathPoint& q = m_path[i + 1];
        const PathPoint& e = m_path[i + 2];
        chords.clear();
        FlattenCubic(QPointF(flat.back().x, flat.back().y), QPointF(p.x, p.y), QPointF(q.x, q.y), QPointF(e.x, e.y),
                     chords);
        for (const QPointF& c : chords) flat.push_back({c.x(), c.y(), PT_LINETO});
        flat.back().type |= static_cast<BYTE>(e.type & PT_CLOSEFIGURE);
        i += 2;
    }
    m_path.swap(flat);
    return TRUE;
}

int CDC::GetPath(POINT* points, BYTE* types, int n) const {
    if (m_pathState != PathState::Closed) return -1;
    const int count = static_cast<int>(m_path.size());
    if (n == 0) return count;
    if (n < count || !points || !types) return -1;
    for (int i = 0; i < count; ++i) {
        points[i].x = static_cast<LONG>(std::lround(m_path[static_cast<std::size_t>(i)].x));
        points[i].y = static_cast<LONG>(std::lround(m_path[static_cast<std::size_t>(i)].y));
        types[i] = m_path[static_cast<std::size_t>(i)].type;
    }
    return count;
}
