// Stitch-order playback: the pattern drawn from its first list element up
// to a position, in the order the machine sews it, with the pen-up travel
// between strokes as dashed lines (the jump preview of `render --jumps`) and
// the needle at the last point reached. Drawn onto the frame's picture at
// the view's zoom, by the same fit and the same lines as the window's
// drawing, so the whole pattern played is the window's picture with its
// jumps.
#pragma once

#include "app/view_transform.h"
#include "model/jumps.h"
#include "model/loomveil_doc.h"

#include <QImage>
#include <QPoint>
#include <cstddef>
#include <optional>

namespace app {

// How far a playback picture has been drawn.
struct StitchCursor {
    std::size_t next = 0;       // the list element drawn next
    std::size_t stroke = 0;     // strokes begun so far
    bool penDown = false;       // the last element was a point of the stroke being sewn
    bool broken = false;        // a marker came since the last point
    std::optional<QPoint> last; // where the last point was drawn (frame pixels)
};

class StitchPainter {
public:
    // pattern.m_PointList in space (fitted to the frame, or the frame's own
    // pixels for a drawing's outline), shown in a frame of that size under view.
    StitchPainter(const CLoomveilDoc& pattern, JumpSpace space, QSize frame, const ViewTransform& view);

    // Draws list elements [cursor.next, to) onto image (Format_RGB32, the
    // frame's size, white where nothing is drawn yet) and moves the cursor.
    void Advance(QImage& image, StitchCursor& cursor, std::size_t to) const;
    // The whole pattern up to `to` on a fresh white picture.
    QImage Picture(std::size_t to, StitchCursor* cursorOut = nullptr) const;

    // Where list point p shows in the frame; nothing when it cannot be drawn.
    std::optional<QPoint> Place(const _tagREALPT& p) const;

private:
    const CLoomveilDoc& m_pattern;
    JumpSpace m_space;
    QSize m_frame;
    ViewTransform m_view;
    PointListFit m_fit;
};

// The needle, drawn over the picture at p: a small red ring with a dot.
void DrawNeedle(QPainter& painter, QPoint p);

} // namespace app
