// The pixel line drawer, the line-type pattern walker, and the outline
// collection through paths.
//
// A line-type pattern is a list of up to 30 elements: a positive length is
// a dash, a negative one a gap, 0 a dot; the pattern repeats along the
// line. The walker measures along the segment's longer axis (x when the x
// change is the larger), in world units before the block transform, so
// that dashes keep their length under any transform.
#include "dxf/dxf_paint_internal.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace dxf_paint {

namespace {

// The part of a–b inside ±kFar, whole units; false when none is.
bool CutToFar(DevPt& a, DevPt& b) {
    double t0, t1;
    if (!ClipSegment(a.x, a.y, b.x, b.y, -kFar, -kFar, kFar, kFar, t0, t1)) return false;
    const DevPt a0 = a, b0 = b;
    if (t0 > 0) a = {std::trunc(a0.x + (b0.x - a0.x) * t0), std::trunc(a0.y + (b0.y - a0.y) * t0)};
    if (t1 < 1) b = {std::trunc(a0.x + (b0.x - a0.x) * t1), std::trunc(a0.y + (b0.y - a0.y) * t1)};
    return true;
}

} // namespace

void DeviceLine(const DXFDRAWING* d, CDC* dc, COLORREF colour, DevPt a, DevPt b, DXFOUTLINE* outline,
                int pass) {
    if (!Finite(a) || !Finite(b)) return;
    if ((!Near(a) || !Near(b)) && !CutToFar(a, b)) return;
    DxfDrawLine(d, dc, colour, I(a.x), I(a.y), I(b.x), I(b.y), outline, pass);
}

void DevicePen::LineTo(const DevPt& p) {
    if (!m_have) {
        MoveTo(p);
        return;
    }
    DevPt a = m_last, b = p;
    m_last = p;
    if (!Finite(a) || !Finite(b)) {
        m_atLast = false;
        return;
    }
    if (Near(a) && Near(b)) {
        if (!m_atLast) m_dc->MoveTo(I(a.x), I(a.y));
        m_dc->LineTo(I(b.x), I(b.y));
        m_atLast = true;
        return;
    }
    const DevPt end = b;
    if (!CutToFar(a, b)) {
        m_atLast = false;
        return;
    }
    m_dc->MoveTo(I(a.x), I(a.y));
    m_dc->LineTo(I(b.x), I(b.y));
    m_atLast = b.x == end.x && b.y == end.y;
}

} // namespace dxf_paint

using namespace dxf_paint;

void DxfDrawLine(const DXFDRAWING* pDrawing, CDC* pDC, COLORREF colour, int x1, int y1, int x2, int y2,
                 DXFOUTLINE* pOutline, int pass) {
    if (!pDrawing) return;
    if (pass == 2) {
        if (!pOutline || pOutline->size() + 3 > kMaxOutlinePoints) return;
        const _tagREALPT2 a{static_cast<float>(x1), static_cast<float>(y1)};
        const _tagREALPT2 b{static_cast<float>(x2), static_cast<float>(y2)};
        if (!pOutline->IsEmpty() && pOutline->GetTail().x == a.x && pOutline->GetTail().y == a.y) {
            pOutline->AddTail(b);
            return;
        }
        pOutline->AddTail({FLT_MAX, pOutline->IsEmpty() ? FLT_MAX : pOutline->GetTail().y});
        pOutline->AddTail(a);
        pOutline->AddTail(b);
        return;
    }
    if (pass != 1 || !pDC) return;
    const DXFDRAWING& d = *pDrawing;
    // The view's clip region leaves out its right and bottom edges.
    const long long left = d.left, top = d.top, right = static_cast<long long>(d.right) - 1,
                    bottom = static_cast<long long>(d.bottom) - 1;

    QImage* image = pDC->TargetImage();
    if (!image) {
        // A printer or a window: the visible part as one line of the pen.
        double t0, t1;
        if (!ClipSegment(x1, y1, x2, y2, static_cast<double>(left), static_cast<double>(top),
                         static_cast<double>(right), static_cast<double>(bottom), t0, t1))
            return;
        const int ax = static_cast<int>(std::lround(x1 + (static_cast<double>(x2) - x1) * t0));
        const int ay = static_cast<int>(std::lround(y1 + (static_cast<double>(y2) - y1) * t0));
        const int bx = static_cast<int>(std::lround(x1 + (static_cast<double>(x2) - x1) * t1));
        const int by = static_cast<int>(std::lround(y1 + (static_cast<double>(y2) - y1) * t1));
        CPen pen(PS_SOLID, 0, colour);
        CPen* old = pDC->SelectObject(&pen);
        if (ax == bx && ay == by) {
            pDC->SetPixel(ax, ay, colour);
        } else {
            pDC->MoveTo(ax, ay);
            pDC->LineTo(bx, by);
        }
        pDC->SelectObject(old);
        return;
    }

    // Step along the longer axis (y when the changes are equal), from the
    // lower end; the other coordinate is its start plus trunc(offset ·
    // slope).
    const bool alongY =
        std::llabs(static_cast<long long>(x2) - x1) <= std::llabs(static_cast<long long>(y2) - y1);
    long long s0 = alongY ? y1 : x1, o0 = alongY ? x1 : y1;
    long long s1 = alongY ? y2 : x2, o1 = alongY ? x2 : y2;
    if (s1 < s0) {
        std::swap(s0, s1);
        std::swap(o0, o1);
    }
    const double slope = s1 == s0 ? 0.0 : static_cast<double>(o1 - o0) / static_cast<double>(s1 - s0);
    // The view and the bitmap, in the DC's logical units.
    const CPoint org = pDC->GetViewportOrg();
    const long long xLo = std::max<long long>(left, -static_cast<long long>(org.x));
    const long long xHi = std::min<long long>(right, image->width() - 1LL - org.x);
    const long long yLo = std::max<long long>(top, -static_cast<long long>(org.y));
    const long long yHi = std::min<long long>(bottom, image->height() - 1LL - org.y);
    const long long sLo = alongY ? yLo : xLo, sHi = alongY ? yHi : xHi;
    const long long oLo = alongY ? xLo : yLo, oHi = alongY ? xHi : yHi;
    const long long from = std::max(s0, sLo), to = std::min(s1, sHi);
    if (from > to || oLo > oHi) return;

    auto* bits = reinterpret_cast<std::uint32_t*>(image->bits());
    const std::ptrdiff_t stride = image->bytesPerLine() / 4;
    const std::uint32_t px = PixelFromColour(colour);
    for (long long s = from; s <= to; ++s) {
        const long long o = o0 + static_cast<long long>(static_cast<double>(s - s0) * slope);
        if (o < oLo || o > oHi) continue;
        const long long x = (alongY ? o : s) + org.x, y = (alongY ? s : o) + org.y;
        bits[y * stride + x] = px;
    }
}

void DxfDrawDashedLine(DXFDRAWING* pDrawing, CDC* pDC, const DXFLTYPE* pLineType, double x1, double y1,
                       double x2, double y2, COLORREF colour, double ltScale, double phase,
                       const DxfTransform& t, DXFOUTLINE* pOutline, int pass) {
    if (!pDrawing || !pLineType) return;
    const View v(*pDrawing);
    auto piece = [&](double ax, double ay, double bx, double by) {
        DeviceLine(pDrawing, pDC, colour, v.Map(ax, ay, t), v.Map(bx, by, t), pOutline, pass);
    };

    const int n = std::clamp<int>(pLineType->nDashes, 0, DXF_MAX_DASHES);
    double lens[DXF_MAX_DASHES];
    double sum = 0;
    for (int i = 0; i < n; ++i) sum += lens[i] = std::fabs(pLineType->dDashes[i] * ltScale);
    const double P = pLineType->dPatternLength * ltScale;
    // A pattern that cannot advance (no elements, dots only, a length that
    // is not a positive number) or repeats within less than a pixel is
    // drawn solid.
    const DevPt e0 = v.MapExact(x1, y1, t), e1 = v.MapExact(x2, y2, t);
    const double worldLength = std::hypot(x2 - x1, y2 - y1);
    const double deviceLength = std::hypot(e1.x - e0.x, e1.y - e0.y);
    if (n == 0 || !(P > 0) || !std::isfinite(P) || !(sum > 0) || !std::isfinite(sum) ||
        !(sum * deviceLength >= worldLength)) {
        piece(x1, y1, x2, y2);
        return;
    }

    // The element the phase falls in, and what is left of it.
    double pos = std::fmod(phase, P);
    int i = 0;
    while (i < n && lens[i] <= pos) {
        pos -= lens[i];
        ++i;
    }
    if (i == n) { // a pattern length beyond its elements: start again
        i = 0;
        pos = 0;
    }
    double len = lens[i] - pos;
    auto drawn = [&](int k) { return pLineType->dDashes[k] >= 0; };

    const bool alongX = std::fabs(x2 - x1) > std::fabs(y2 - y1);
    const double D = alongX ? x2 - x1 : y2 - y1, O = alongX ? y2 - y1 : x2 - x1;
    if (D == 0) {
        if (drawn(i)) piece(x1, y1, x2, y2);
        return;
    }
    const double dir = D > 0 ? 1.0 : -1.0, m = O / D, c = 1.0 / std::sqrt(1.0 + m * m);
    const double startDom = alongX ? x1 : y1, endDom = alongX ? x2 : y2;
    auto at = [&](double dom, double other) {
        return alongX ? std::pair{dom, other} : std::pair{other, dom};
    };

    // Only the part near the picture is walked: whole patterns before it
    // are stepped over, and the walk ends after it.
    double t0, t1;
    const bool ok =
        pass == 1
            ? ClipSegment(e0.x, e0.y, e1.x, e1.y, v.left - 2, v.top - 2, v.right + 2, v.bottom + 2, t0, t1)
            : ClipSegment(e0.x, e0.y, e1.x, e1.y, v.cullLeft, v.cullTop, v.cullRight, v.cullBottom, t0, t1);
    if (!ok) return;
    const double total = std::fabs(D), uLo = t0 * total, uHi = t1 * total;
    const double cycle = sum * c;
    constexpr long long kMaxPieces = 1LL << 22;

    double a = startDom, b = alongX ? y1 : x1;
    bool first = true;
    for (long long count = 0; count < kMaxPieces; ++count) {
        const double u = (a - startDom) * dir;
        if (u > uHi) return;
        if (!first && uLo - u > 2 * cycle) {
            const double k = std::floor((uLo - u) / cycle) - 1;
            a += k * cycle * dir;
            b += m * k * cycle * dir;
        }
        const double adv = len * c * dir;
        const double na = a + adv, nb = b + m * adv;
        if (!((na - endDom) * dir < 0)) break;
        if (drawn(i) && (na - startDom) * dir >= uLo) {
            const auto [ax, ay] = at(a, b);
            const auto [bx, by] = at(na, nb);
            piece(ax, ay, bx, by);
        }
        i = (i + 1) % n;
        len = lens[i];
        a = na;
        b = nb;
        first = false;
    }
    if (drawn(i)) {
        const auto [ax, ay] = at(a, b);
        piece(ax, ay, x2, y2);
    }
}

BOOL DxfBeginOutline(CDC& pathDc, CDC* pDC, const DXFOUTLINE* pOutline) {
    if (!pOutline) return FALSE;
    pathDc.CreateCompatibleDC(pDC);
    return pathDc.BeginPath();
}

void DxfEndOutline(CDC& pathDc, DXFOUTLINE* pOutline, BOOL bFlatten) {
    pathDc.EndPath();
    if (bFlatten) pathDc.FlattenPath();
    const int n = pathDc.GetPath(nullptr, nullptr, 0);
    if (pOutline && n > 0 && pOutline->size() + 2 * static_cast<std::size_t>(n) <= kMaxOutlinePoints) {
        // Kept from figure to figure: most figures are small, and there are
        // many of them.
        thread_local std::vector<POINT> points;
        thread_local std::vector<BYTE> types;
        points.resize(static_cast<std::size_t>(n));
        types.resize(static_cast<std::size_t>(n));
        if (pathDc.GetPath(points.data(), types.data(), n) == n) {
            for (int i = 0; i < n; ++i) {
                if ((types[static_cast<std::size_t>(i)] & ~PT_CLOSEFIGURE) == PT_MOVETO)
                    pOutline->AddTail({FLT_MAX, 0.0f});
                pOutline->AddTail({static_cast<float>(points[static_cast<std::size_t>(i)].x),
                                   static_cast<float>(points[static_cast<std::size_t>(i)].y)});
            }
        }
    }
    pathDc.DeleteDC();
}
