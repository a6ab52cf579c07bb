// The path recorder of a device context. Between BeginPath and EndPath the
// DC records its figures here in device units instead of drawing them: a
// figure starts with a PT_MOVETO point, closed figures mark their last point
// with PT_CLOSEFIGURE, text adds its glyph outlines with Bezier points, and
// FlattenPath turns those into chords.
#pragma once

#include "platform/wintypes.h"

#include <QPointF>
#include <span>
#include <vector>

class QPainterPath;

namespace dc {

// Largest chord deviation from a curve, device units: for curves drawn as
// polylines and for Bezier points flattened alike, so a figure read back
// from a path is the polyline that was drawn.
inline constexpr double kFlatness = 1.0 / 3.0;

// Appends the chord ends of the cubic Bezier p0 p1 p2 p3 (p0 itself not).
void FlattenCubic(const QPointF& p0, const QPointF& p1, const QPointF& p2, const QPointF& p3,
                  std::vector<QPointF>& out);

class PathRecorder {
public:
    bool Recording() const { return m_state == State::Open; }

    void Begin();
    bool End();
    void Abort();
    void Clear() { Abort(); }
    bool Flatten();
    // Copies up to n points and kinds of an ended path; with n 0 only
    // counts them; -1 without an ended path or when n is too small.
    int Get(POINT* points, BYTE* types, int n) const;

    // The current position moved: the next line starts a new figure.
    void Break() { m_newStroke = true; }
    // A line from the current position: continues the open figure when it
    // starts where that ended, otherwise starts one at from.
    void LineTo(QPointF from, QPointF to);
    void AddFigure(std::span<const QPointF> points, bool closed);
    // Every contour of outline as a closed figure, curves as Bezier points.
    void AddOutline(const QPainterPath& outline);

private:
    struct PathPoint {
        double x, y;
        BYTE type;
    };
    enum class State { None, Open, Closed };

    State m_state = State::None;
    std::vector<PathPoint> m_points;
    bool m_newStroke = true;
};

} // namespace dc
