#include "platform/dc_raster.h"

#include <algorithm>

namespace dc {

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

} // namespace

void BitmapRaster::Target(QImage* image) {
    m_image = image && !image->isNull() ? image : nullptr;
    m_bits = m_image ? reinterpret_cast<std::uint32_t*>(m_image->bits()) : nullptr;
    m_stride = m_image ? m_image->bytesPerLine() / 4 : 0;
}

// The line is cut into the clip's rectangles one by one: the raster of a
// clipped line has exactly the pixels of the whole line inside the rectangle,
// so the pieces together are the pixels of the line inside the clip.
void BitmapRaster::Line(std::span<const QRect> clip, long long x0, long long y0, long long x1, long long y1,
                        std::uint32_t px) {
    if (!m_bits) return;
    for (const QRect& r : clip)
        RasterClipped(m_bits + static_cast<std::ptrdiff_t>(r.top()) * m_stride + r.left(), m_stride,
                      r.width(), r.height(), x0 - r.left(), y0 - r.top(), x1 - r.left(), y1 - r.top(), px);
}

void BitmapRaster::Plot(std::span<const QRect> clip, long long x, long long y, std::uint32_t px) {
    if (!m_bits) return;
    for (const QRect& r : clip) {
        if (x >= r.left() && x <= r.right() && y >= r.top() && y <= r.bottom()) {
            m_bits[y * m_stride + x] = px;
            return;
        }
    }
}

void BitmapRaster::Fill(std::span<const QRect> clip, const QRegion& region, std::uint32_t px) {
    if (!m_bits) return;
    QRegion inside;
    for (const QRect& r : clip) inside += r;
    for (const QRect& r : region.intersected(inside)) {
        for (int row = r.top(); row <= r.bottom(); ++row) {
            std::uint32_t* line = m_bits + static_cast<std::ptrdiff_t>(row) * m_stride;
            std::fill(line + r.left(), line + r.right() + 1, px);
        }
    }
}

void BitmapRaster::StretchCopy(const QImage& src, const QRect& s, long long dl, long long dt, long long w,
                               long long h) {
    if (!m_bits || w <= 0 || h <= 0 || s.width() <= 0 || s.height() <= 0) return;
    const long long x0 = std::max(0LL, dl), x1 = std::min<long long>(m_image->width(), dl + w);
    const long long y0 = std::max(0LL, dt), y1 = std::min<long long>(m_image->height(), dt + h);
    for (long long row = y0; row < y1; ++row) {
        const long long srow = s.y() + (row - dt) * s.height() / h;
        if (srow < 0 || srow >= src.height()) continue;
        const auto* in = reinterpret_cast<const std::uint32_t*>(src.constScanLine(static_cast<int>(srow)));
        std::uint32_t* out = m_bits + row * m_stride;
        for (long long col = x0; col < x1; ++col) {
            const long long scol = s.x() + (col - dl) * s.width() / w;
            if (scol >= 0 && scol < src.width()) out[col] = in[scol];
        }
    }
}

std::optional<std::uint32_t> BitmapRaster::Pixel(long long x, long long y) const {
    if (!m_bits || x < 0 || y < 0 || x >= m_image->width() || y >= m_image->height()) return std::nullopt;
    return m_bits[y * m_stride + x];
}

} // namespace dc
