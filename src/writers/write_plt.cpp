// PLT output: HPGL, one instruction per line ending in CR LF.
//
//   IN; IP; SP1; PU0,0; SC0,4,0,4;     set-up, always
//   PUx,y; / PDx,y;                    one move per real point: pen up for
//                                      the first point after a marker
//   SP0;                               put the pen away
//
// Coordinates are integers, truncated toward zero; the first real point is
// at (0, 0), y points up. When the pattern's unit is known they are plotter
// units of 0.025 mm at the pattern's size, and the SC instruction is left
// out (under it the numbers would be user units); otherwise the larger side
// spans 1000.
#include "writers/writer_frame.h"

#include <cmath>

BOOL CLoomveilDoc::WritePlt() {
    return writers::RunWriter(*this, [this](writers::Output& out) {
        const std::optional<float> kept = writers::SizeKeepingScale(*this, writers::kMmPerPlotterUnit);
        out.Text("IN;\r\nIP;\r\nSP1;\r\nPU0,0;\r\n");
        if (!kept) out.Text("SC0,4,0,4;\r\n");
        const writers::Bounds b = writers::BoundingPass(m_PointList);
        const float width = (b.maxX - b.firstX) - (b.minX - b.firstX);
        const float height = (b.maxY - b.firstY) - (b.minY - b.firstY);
        float s = kept ? *kept : writers::ScaleFor(1000.0f, width, height);
        if (!std::isfinite(s)) s = 0.0f; // coinciding points: all at the origin

        bool penUp = false;
        for (const _tagREALPT& p : m_PointList) {
            if (writers::IsMarker(p)) {
                penUp = true;
                continue;
            }
            const int x = TruncToInt((p.x - b.firstX) * s);
            const int y = TruncToInt(-((p.y - b.firstY) * s));
            out.Text(penUp ? "PU" : "PD").Int(x).Text(",").Int(y).Text(";\r\n");
            penUp = false;
        }
        out.Text("SP0;\r\n");
        return writers::Written::file;
    });
}
