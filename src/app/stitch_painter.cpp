#include "app/stitch_painter.h"

#include <QPainter>
#include <climits>
#include <cmath>

namespace app {

namespace {

QSize CanvasFor(JumpSpace space, QSize frame, const ViewTransform& view) {
    // A drawing's outline is already in the fitted picture's pixels.
    return space == JumpSpace::fitted ? view.Canvas(frame) : QSize(1, 1);
}

} // namespace

StitchPainter::StitchPainter(const CLoomveilDoc& pattern, JumpSpace space, QSize frame,
                             const ViewTransform& view)
    : m_pattern(pattern), m_space(space), m_frame(frame), m_view(view),
      m_fit(pattern.m_PointList, CanvasFor(space, frame, view).width(),
            CanvasFor(space, frame, view).height()) {}

std::optional<QPoint> StitchPainter::Place(const _tagREALPT& p) const {
    long long x, y;
    if (m_space == JumpSpace::fitted) {
        if (!m_fit.ok) return std::nullopt;
        x = m_fit.X(p.x);
        y = m_fit.Y(p.y);
        if (x == INT_MIN || y == INT_MIN) return std::nullopt;
    } else {
        const int fx = TruncToInt(p.x), fy = TruncToInt(p.y);
        if (fx == INT_MIN || fy == INT_MIN) return std::nullopt;
        x = std::llround(fx * m_view.zoom);
        y = std::llround(fy * m_view.zoom);
    }
    x -= m_view.Origin().x();
    y -= m_view.Origin().y();
    if (x < INT_MIN / 2 || x > INT_MAX / 2 || y < INT_MIN / 2 || y > INT_MAX / 2) return std::nullopt;
    return QPoint(static_cast<int>(x), static_cast<int>(y));
}

void StitchPainter::Advance(QImage& image, StitchCursor& cursor, std::size_t to) const {
    const CPointList& list = m_pattern.m_PointList;
    to = std::min(to, list.size());
    if (cursor.next >= to || image.isNull()) return;

    // The lines go through a DC, so they are the window's own pixels.
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, 1, 1);
    bitmap.Image().swap(image);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&bitmap);
    if (cursor.last) dc.MoveTo(cursor.last->x(), cursor.last->y());
    // The pattern's colours as the window's drawing takes them: the colour
    // of the segment that ends at each point.
    const bool coloured = !m_pattern.m_StrokeColours.Empty();
    StrokeColours::Cursor colours(m_pattern.m_StrokeColours);
    CPen pens[2];
    int current = 0;
    std::optional<COLORREF> penColour;

    const _tagREALPT* points = list.begin();
    for (std::size_t i = cursor.next; i < to; ++i) {
        const _tagREALPT& p = points[i];
        if (IsBreak(p)) {
            cursor.penDown = false;
            cursor.broken = cursor.broken || cursor.last.has_value();
            continue;
        }
        if (coloured && colours.At(i) != penColour) {
            penColour = colours.At(i);
            current ^= 1;
            pens[current].CreatePen(PS_SOLID, 1, *penColour);
            dc.SelectObject(&pens[current]);
        }
        const auto at = Place(p);
        if (!at) continue;
        if (!cursor.penDown) {
            if (cursor.broken && cursor.last)
                DrawJumpLine(bitmap.Image(), cursor.last->x(), cursor.last->y(), at->x(), at->y());
            dc.MoveTo(at->x(), at->y());
            ++cursor.stroke;
        } else if (*at != *cursor.last) {
            dc.LineTo(at->x(), at->y());
        }
        cursor.last = at;
        cursor.penDown = true;
        cursor.broken = false;
    }
    cursor.next = to;
    dc.SelectObject(static_cast<CPen*>(nullptr));
    dc.SelectObject(static_cast<CBitmap*>(nullptr));
    dc.DeleteDC();
    bitmap.Image().swap(image);
}

QImage StitchPainter::Picture(std::size_t to, StitchCursor* cursorOut) const {
    QImage image(m_frame, QImage::Format_RGB32);
    image.fill(Qt::white);
    StitchCursor cursor;
    Advance(image, cursor, to);
    if (cursorOut) *cursorOut = cursor;
    return image;
}

void DrawNeedle(QPainter& painter, QPoint p) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(220, 0, 0), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(p, 6, 6);
    painter.fillRect(QRect(p.x() - 1, p.y() - 1, 3, 3), QColor(220, 0, 0));
    painter.restore();
}

} // namespace app
