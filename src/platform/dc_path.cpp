#include "platform/dc_path.h"

#include "platform/dc.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace dc {

void FlattenCubic(const QPointF& p0, const QPointF& p1, const QPointF& p2, const QPointF& p3,
                  std::vector<QPointF>& out) {
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

void PathRecorder::Begin() {
    m_points.clear();
    m_state = State::Open;
    m_newStroke = true;
}

bool PathRecorder::End() {
    if (m_state != State::Open) return false;
    m_state = State::Closed;
    return true;
}

void PathRecorder::Abort() {
    m_points.clear();
    m_state = State::None;
}

bool PathRecorder::Flatten() {
    if (m_state != State::Closed) return false;
    std::vector<PathPoint> flat;
    flat.reserve(m_points.size());
    std::vector<QPointF> chords;
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        const PathPoint& p = m_points[i];
        if ((p.type & ~PT_CLOSEFIGURE) != PT_BEZIERTO || flat.empty() || i + 2 >= m_points.size()) {
            flat.push_back(p);
            continue;
        }
        const PathPoint& q = m_points[i + 1];
        const PathPoint& e = m_points[i + 2];
        chords.clear();
        FlattenCubic(QPointF(flat.back().x, flat.back().y), QPointF(p.x, p.y), QPointF(q.x, q.y),
                     QPointF(e.x, e.y), chords);
        for (const QPointF& c : chords) flat.push_back({c.x(), c.y(), PT_LINETO});
        flat.back().type |= static_cast<BYTE>(e.type & PT_CLOSEFIGURE);
        i += 2;
    }
    m_points.swap(flat);
    return true;
}

int PathRecorder::Get(POINT* points, BYTE* types, int n) const {
    if (m_state != State::Closed) return -1;
    const int count = static_cast<int>(m_points.size());
    if (n == 0) return count;
    if (n < count || !points || !types) return -1;
    for (int i = 0; i < count; ++i) {
        const PathPoint& p = m_points[static_cast<std::size_t>(i)];
        points[i].x = static_cast<LONG>(std::lround(p.x));
        points[i].y = static_cast<LONG>(std::lround(p.y));
        types[i] = p.type;
    }
    return count;
}

void PathRecorder::LineTo(QPointF from, QPointF to) {
    const bool continues = !m_newStroke && !m_points.empty() && !(m_points.back().type & PT_CLOSEFIGURE) &&
                           m_points.back().x == from.x() && m_points.back().y == from.y();
    if (!continues) m_points.push_back({from.x(), from.y(), PT_MOVETO});
    m_newStroke = false;
    m_points.push_back({to.x(), to.y(), PT_LINETO});
}

void PathRecorder::AddFigure(std::span<const QPointF> points, bool closed) {
    if (points.empty()) return;
    for (std::size_t i = 0; i < points.size(); ++i)
        m_points.push_back({points[i].x(), points[i].y(), i == 0 ? BYTE(PT_MOVETO) : BYTE(PT_LINETO)});
    if (closed && points.size() > 1) m_points.back().type |= PT_CLOSEFIGURE;
    m_newStroke = true;
}

void PathRecorder::AddOutline(const QPainterPath& outline) {
    // Qt spells a cubic curve as a CurveTo element and two data elements,
    // the three Bezier points of GDI's path.
    auto closeFigure = [&](std::size_t figureStart) {
        if (m_points.size() > figureStart) m_points.back().type |= PT_CLOSEFIGURE;
    };
    std::size_t figureStart = m_points.size();
    for (int i = 0; i < outline.elementCount(); ++i) {
        const QPainterPath::Element e = outline.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            closeFigure(figureStart);
            figureStart = m_points.size();
            m_points.push_back({e.x, e.y, PT_MOVETO});
            break;
        case QPainterPath::LineToElement:
            m_points.push_back({e.x, e.y, PT_LINETO});
            break;
        default:
            m_points.push_back({e.x, e.y, PT_BEZIERTO});
            break;
        }
    }
    closeFigure(figureStart);
    m_newStroke = true;
}

} // namespace dc
