// HQF output: one line per straight segment, "x1 y1 x2 y2" as
// "%.3f %.3f %.3f %.3f" with CR LF, then one comment line. No header.
//
// A segment that starts where the previous one ended continues the stroke;
// a marker only makes the next point a start, so strokes show as breaks in
// that chain. Readers take the first line that is not four numbers as the
// end of the segments, which is what makes the closing comment harmless; it
// therefore begins with ';', which no number can start with.
//
// Units: inches at the pattern's size when its unit is known, otherwise the
// larger side spans 10; the first real point is at (0, 0); y points up. A list that begins with a real point
// starts with a zero-length segment from (0, 0) to that point.
#include "writers/writer_frame.h"

#include <cmath>

namespace {
constexpr std::string_view kCommentLine = "; Loomveil\r\n";
}

BOOL CLoomveilDoc::WriteHqf() {
    return writers::RunWriter(*this, [this](writers::Output& out) {
        const writers::Bounds b = writers::BoundingPass(m_PointList);
        const float width = (b.maxX - b.firstX) - (b.minX - b.firstX);
        const float height = (b.maxY - b.firstY) - (b.minY - b.firstY);
        float s = writers::SizeKeepingScale(*this, writers::kMmPerInch)
                      .value_or(writers::ScaleFor(10.0f, width, height));
        if (!std::isfinite(s)) s = 0.0f; // coinciding points: all at the origin

        float prevX = 0.0f, prevY = 0.0f;
        bool newStroke = false;
        for (const _tagREALPT& p : m_PointList) {
            if (writers::IsMarker(p)) {
                newStroke = true;
                continue;
            }
            const float x = (p.x - b.firstX) * s;
            const float y = -((p.y - b.firstY) * s);
            if (!newStroke) {
                out.Fixed(prevX, 3)
                    .Text(" ")
                    .Fixed(prevY, 3)
                    .Text(" ")
                    .Fixed(x, 3)
                    .Text(" ")
                    .Fixed(y, 3)
                    .Text("\r\n");
            }
            newStroke = false;
            prevX = x;
            prevY = y;
        }
        out.Text(kCommentLine);
        return writers::Written::file;
    });
}
