// What the window tells about the shown pattern: its size in inches and
// millimetres where its unit is known, its stitches, strokes and colours,
// and where the mouse points, in pattern units and from the pattern's top
// left corner in inches and millimetres.
#pragma once

#include "model/jumps.h"
#include "model/loomveil_doc.h"
#include "model/stroke_stats.h"

#include <QPointF>
#include <QSize>
#include <QString>
#include <optional>

namespace app {

struct PatternFacts {
    StrokeStats stats;
    double mmPerUnit = 0; // 0: the unit is not known
    int colours = 0;
};

// The facts of doc's model; mmPerUnit is left for the caller.
PatternFacts CountFacts(const CLoomveilDoc& doc);

// Several lines for the facts label.
QString FactsText(const PatternFacts& facts);
// One line for the status line: the pattern point under the mouse.
QString CursorText(const PatternFacts& facts, QPointF point);

// From pixels of the fitted picture (width × height) to list units: the
// inverse of the drawing's fit, or the pixels themselves for a drawing's
// outline. Nothing where the fit draws nothing.
class FittedToPattern {
public:
    FittedToPattern() = default;
    FittedToPattern(const CPointList& list, JumpSpace space, QSize fitted);
    std::optional<QPointF> operator()(QPointF fittedPixel) const;

private:
    JumpSpace m_space = JumpSpace::fitted;
    std::optional<PointListFit> m_fit;
};

} // namespace app
