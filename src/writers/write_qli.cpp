// QLI output: lines ending in CR LF.
//
//   #CAD2DMC / CS / VMXY          header
//   VP x,y                        one vector point, integers
//   VE / BGS / AMS                end of a stroke: end of vector, pen up
//   VE / BGS / AMS / EN           end of the file
//
// Units: thousandths of an inch at the pattern's size when its unit is
// known, otherwise the larger side spans 10000; y points up, the first real
// point is at (0, 0). Readers make the coordinates after each "VE" relative to the
// last point of that vector, so every stroke after the first is written
// relative to the last point of the stroke before.
//
// Each point is truncated toward zero once, in coordinates relative to the
// first point, and later strokes are written as exact integer differences
// from the previous stroke's truncated end. A reader that adds them up
// therefore lands on every point within one unit, however many strokes the
// pattern has; offsets carried as unrounded floats would let the truncation
// errors of all earlier strokes add up.
#include "writers/writer_frame.h"

BOOL CLoomveilDoc::WriteQli() {
    return writers::RunWriter(*this, [this](writers::Output& out) {
        if (m_PointList.IsEmpty()) return writers::Written::nothing;
        out.Text("#CAD2DMC\r\nCS\r\nVMXY\r\n");
        const writers::Bounds b = writers::BoundingPass(m_PointList);
        const float width = b.maxX - b.minX;
        const float height = b.maxY - b.minY;
        const std::optional<float> kept = writers::SizeKeepingScale(*this, writers::kMmPerThou);
        // A flat pattern has no span to fit and keeps only the header.
        if (!kept && (width == 0.0f || height == 0.0f)) return writers::Written::file;
        const float s = kept ? *kept : writers::ScaleFor(10000.0f, width, height);

        long long baseX = 0, baseY = 0; // end of the previous stroke, relative to the first point
        long long lastX = 0, lastY = 0;
        bool atStart = true;
        bool afterPoint = false;
        for (const _tagREALPT& p : m_PointList) {
            if (writers::IsMarker(p)) {
                if (atStart) {
                    atStart = false;
                    continue;
                }
                // A second marker in a row ends no vector that readers would
                // count, so it moves nothing.
                if (afterPoint) {
                    baseX = lastX;
                    baseY = lastY;
                }
                afterPoint = false;
                out.Text("VE\r\nBGS\r\nAMS\r\n");
                continue;
            }
            lastX = TruncToInt((p.x - b.firstX) * s);
            lastY = TruncToInt(-((p.y - b.firstY) * s));
            out.Text("VP ").Int(lastX - baseX).Text(",").Int(lastY - baseY).Text("\r\n");
            atStart = false;
            afterPoint = true;
        }
        out.Text("VE\r\nBGS\r\nAMS\r\nEN\r\n");
        return writers::Written::file;
    });
}
