// Figures of a device context: arcs, ellipses, polygons, polylines and
// rectangles, drawn by the bitmap rasteriser or a painter, or recorded into
// the path. Curves become polylines within dc::kFlatness of the curve.
#include "platform/dc.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

using dc::kFlatness;

constexpr double kTwoPi = 6.283185307179586;
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
void EllipsePoints(double cx, double cy, double rx, double ry, double a0, double sweep,
                   std::vector<QPointF>& out) {
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
    for (const QPointF& p : points)
        poly.append(QPoint(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))));
    return poly;
}

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
    if (const QImage* image = m_raster.Image()) {
        if (fill && points.size() >= 3) {
            // Cut to the bitmap first, so that far-away corners cost nothing.
            const QRectF box(QPointF(-2.0, -2.0), QPointF(image->width() + 2.0, image->height() + 2.0));
            const QPolygon poly = ToPolygon(ClipPolygon(points, box));
            if (poly.size() >= 3) m_raster.Fill(BitmapClip(), QRegion(poly, rule), PixelFromColour(*fill));
        }
        if (!outline) return;
        const std::uint32_t px = PixelFromColour(pen.m_colour);
        auto round = [](double v) { return static_cast<long long>(std::lround(v)); };
        long long x0 = round(points[0].x()), y0 = round(points[0].y());
        const long long fx = x0, fy = y0;
        for (std::size_t i = 1; i < points.size(); ++i) {
            const long long x1 = round(points[i].x()), y1 = round(points[i].y());
            m_raster.Line(BitmapClip(), x0, y0, x1, y1, px);
            x0 = x1;
            y0 = y1;
        }
        if (closed && points.size() > 1)
            m_raster.Line(BitmapClip(), x0, y0, fx, fy, px);
        else if (lastPixel)
            m_raster.Plot(BitmapClip(), x0, y0, px);
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

BOOL CDC::Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
    const long long ox = m_viewportOrg.x, oy = m_viewportOrg.y;
    const long long key[9] = {left + ox, top + oy,  right + ox, bottom + oy, xStart + ox, yStart + oy,
                              xEnd + ox, yEnd + oy, 0};
    std::vector<QPointF>& points = m_figure;
    if (!t_curveMemo.Find(key, points)) {
        const double l = static_cast<double>(std::min(key[0], key[2])),
                     r = static_cast<double>(std::max(key[0], key[2]));
        const double t = static_cast<double>(std::min(key[1], key[3])),
                     b = static_cast<double>(std::max(key[1], key[3]));
        const double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
        const double a0 =
            RayParameter(cx, cy, rx, ry, static_cast<double>(key[4]), static_cast<double>(key[5]));
        const double a1 =
            RayParameter(cx, cy, rx, ry, static_cast<double>(key[6]), static_cast<double>(key[7]));
        double sweep = a1 - a0;
        if (sweep <= 0) sweep += kTwoPi;
        points.clear();
        EllipsePoints(cx, cy, rx, ry, a0, sweep, points);
        t_curveMemo.Keep(key, points);
    }
    if (Recording())
        m_path.AddFigure(points, false);
    else
        DrawFigure(points, false, true, std::nullopt, Qt::OddEvenFill);
    return TRUE;
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom) {
    const long long ox = m_viewportOrg.x, oy = m_viewportOrg.y;
    const long long key[9] = {left + ox, top + oy, right + ox, bottom + oy, 0, 0, 0, 0, 1};
    std::vector<QPointF>& points = m_figure;
    if (!t_curveMemo.Find(key, points)) {
        const double l = static_cast<double>(std::min(key[0], key[2])),
                     r = static_cast<double>(std::max(key[0], key[2]));
        const double t = static_cast<double>(std::min(key[1], key[3])),
                     b = static_cast<double>(std::max(key[1], key[3]));
        points.clear();
        EllipsePoints((l + r) / 2, (t + b) / 2, (r - l) / 2, (b - t) / 2, 0.0, kTwoPi, points);
        points.pop_back(); // the closing point is the first one
        t_curveMemo.Keep(key, points);
    }
    if (Recording())
        m_path.AddFigure(points, true);
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
        m_path.AddFigure(points, true);
    else
        DrawFigure(points, true, false, BrushFill(),
                   m_polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    return TRUE;
}

BOOL CDC::Polyline(const POINT* pts, int n) {
    if (!pts || n < 2) return FALSE;
    const std::vector<QPointF> points = DevicePoints(pts, n);
    if (Recording())
        m_path.AddFigure(points, false);
    else
        DrawFigure(points, false, false, std::nullopt, Qt::OddEvenFill);
    return TRUE;
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
    const int l = std::min(left, right), r = std::max(left, right);
    const int t = std::min(top, bottom), b = std::max(top, bottom);
    if (Recording()) {
        const double ox = m_viewportOrg.x, oy = m_viewportOrg.y;
        const QPointF corners[] = {{l + ox, t + oy}, {r + ox, t + oy}, {r + ox, b + oy}, {l + ox, b + oy}};
        m_path.AddFigure(corners, true);
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
