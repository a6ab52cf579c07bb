#include "platform/gdi.h"

#include "platform/dc.h"

#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long p = static_cast<long long>(number) * numerator;
    const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    const long long r =
        ((p < 0) != (denominator < 0) ? p - (p < 0 ? half : -half) : p + (p < 0 ? -half : half)) /
        denominator;
    return static_cast<int>(r);
}

BOOL CFont::CreatePointFont(int tenthsOfPoint, const char* face, CDC* pDC) {
    LOGFONT lf;
    const int dpiY = pDC ? pDC->GetDeviceCaps(LOGPIXELSY) : 96;
    lf.lfHeight = -MulDiv(tenthsOfPoint, dpiY, 720);
    std::strncpy(lf.lfFaceName, face, sizeof lf.lfFaceName - 1);
    return CreateFontIndirect(lf);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* /*pDC*/, int width, int height) {
    if (width <= 0 || height <= 0) return FALSE;
    m_image = QImage(width, height, QImage::Format_RGB32);
    if (m_image.isNull()) return FALSE;
    m_image.fill(0xFF000000u);
    m_valid = true;
    return TRUE;
}

std::vector<QPointF> ClipPolygon(std::span<const QPointF> polygon, const QRectF& box) {
    std::vector<QPointF> in(polygon.begin(), polygon.end()), out;
    // One edge of the box at a time: keep what lies on its inner side, and
    // the crossing points of the edges that pass through it.
    auto clip = [&](auto inside, auto cross) {
        out.clear();
        const std::size_t n = in.size();
        for (std::size_t i = 0; i < n; ++i) {
            const QPointF& a = in[i];
            const QPointF& b = in[(i + 1) % n];
            const bool ia = inside(a), ib = inside(b);
            if (ia) out.push_back(a);
            if (ia != ib) out.push_back(cross(a, b));
        }
        in.swap(out);
    };
    const double l = box.left(), r = box.right(), t = box.top(), b = box.bottom();
    auto atX = [](const QPointF& p, const QPointF& q, double x) {
        return QPointF(x, p.y() + (q.y() - p.y()) * (x - p.x()) / (q.x() - p.x()));
    };
    auto atY = [](const QPointF& p, const QPointF& q, double y) {
        return QPointF(p.x() + (q.x() - p.x()) * (y - p.y()) / (q.y() - p.y()), y);
    };
    clip([&](const QPointF& p) { return p.x() >= l; },
         [&](const QPointF& p, const QPointF& q) { return atX(p, q, l); });
    clip([&](const QPointF& p) { return p.x() <= r; },
         [&](const QPointF& p, const QPointF& q) { return atX(p, q, r); });
    clip([&](const QPointF& p) { return p.y() >= t; },
         [&](const QPointF& p, const QPointF& q) { return atY(p, q, t); });
    clip([&](const QPointF& p) { return p.y() <= b; },
         [&](const QPointF& p, const QPointF& q) { return atY(p, q, b); });
    return in;
}

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
    m_region = QRegion(QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                             QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1)));
    if (left == right || top == bottom) m_region = QRegion();
    m_valid = true;
    return TRUE;
}

BOOL CRgn::CreatePolyPolygonRgn(const POINT* points, const int* counts, int nPolygons, int mode) {
    // One polygon that runs round each in turn and back to the first's
    // start: every way there is gone back along, so the crossings it adds
    // cancel under either fill rule.
    std::vector<POINT> all;
    std::size_t at = 0;
    for (int i = 0; points && counts && i < nPolygons; ++i) {
        const std::size_t n = counts[i] > 0 ? static_cast<std::size_t>(counts[i]) : 0;
        if (n >= 3) {
            all.insert(all.end(), points + at, points + at + n);
            all.push_back(points[at]);
            if (!all.empty() && i > 0) all.push_back(all.front());
        }
        at += n;
    }
    return CreatePolygonRgn(all.data(), static_cast<int>(all.size()), mode);
}

BOOL CRgn::CreatePolygonRgn(const POINT* points, int n, int mode) {
    m_region = QRegion();
    m_valid = true;
    if (!points || n < 3) return TRUE;
    std::vector<QPointF> poly;
    poly.reserve(static_cast<std::size_t>(n));
    bool far = false;
    for (int i = 0; i < n; ++i) {
        poly.emplace_back(points[i].x, points[i].y);
        far = far || std::abs(static_cast<long long>(points[i].x)) > kMaxCoordinate ||
              std::abs(static_cast<long long>(points[i].y)) > kMaxCoordinate;
    }
    if (far) {
        const double m = kMaxCoordinate;
        poly = ClipPolygon(poly, QRectF(QPointF(-m, -m), QPointF(m, m)));
    }
    QPolygon q;
    q.reserve(static_cast<int>(poly.size()));
    for (const QPointF& p : poly)
        q.append(QPoint(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))));
    if (q.size() >= 3) m_region = QRegion(q, mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    return TRUE;
}
