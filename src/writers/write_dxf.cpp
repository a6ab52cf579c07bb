// DXF output: a minimal ASCII drawing, one ENTITIES section and nothing else.
//
// Each group code and each value stands on its own line ending in CR LF; the
// final "EOF" has no line end. Every stroke is a POLYLINE (layer "1", colour
// 1, 2, 3, ... one per polyline, never wrapped; flags 0 = open; 66 = 1:
// vertices follow), then one VERTEX per point with x in group 10 and y in
// group 20 as "%f", then SEQEND. No z, no tables. Every marker opens a new
// polyline, so a leading, trailing or doubled marker gives one without
// vertices.
//
// Units: millimetres at the pattern's size when its unit is known, with a
// HEADER section saying so ($INSUNITS 4) before the entities; otherwise the
// larger side spans 100 / 25.4 (the inches in 100 mm) and there is no
// header. The first real point is at (0, 0); y points up.
#include "writers/writer_frame.h"

#include <cmath>

BOOL CLoomveilDoc::WriteDxf() {
    return writers::RunWriter(*this, [this](writers::Output& out) {
        const std::optional<float> kept = writers::SizeKeepingScale(*this, 1.0);
        if (kept) out.Text("0\r\nSECTION\r\n2\r\nHEADER\r\n9\r\n$INSUNITS\r\n70\r\n4\r\n0\r\nENDSEC\r\n");
        out.Text("0\r\nSECTION\r\n2\r\nENTITIES\r\n");
        const writers::Bounds b = writers::BoundingPass(m_PointList);
        const float width = (b.maxX - b.firstX) - (b.minX - b.firstX);
        const float height = (b.maxY - b.firstY) - (b.minY - b.firstY);
        float s = kept ? *kept : writers::ScaleFor(100.0f, width, height) / 25.4f;
        // Points that all coincide have no extent to scale: they go to the
        // origin rather than to 0 × infinity.
        if (!std::isfinite(s)) s = 0.0f;

        bool polylineNeeded = true;
        bool polylineOpen = false;
        long long colour = 1;
        for (const _tagREALPT& p : m_PointList) {
            const bool marker = writers::IsMarker(p);
            if (marker || polylineNeeded) {
                if (polylineOpen) out.Text("0\r\nSEQEND\r\n8\r\n1\r\n");
                out.Text("0\r\nPOLYLINE\r\n8\r\n1\r\n62\r\n")
                    .Int(colour++)
                    .Text("\r\n70\r\n0\r\n66\r\n1\r\n");
                polylineNeeded = false;
                polylineOpen = true;
                if (marker) continue;
            }
            const float x = (p.x - b.firstX) * s;
            const float y = -((p.y - b.firstY) * s);
            out.Text("0\r\nVERTEX\r\n8\r\n1\r\n10\r\n")
                .Fixed(x, 6)
                .Text("\r\n20\r\n")
                .Fixed(y, 6)
                .Text("\r\n");
        }
        if (polylineOpen) out.Text("0\r\nSEQEND\r\n8\r\n1\r\n");
        out.Text("0\r\nENDSEC\r\n0\r\nEOF");
        return writers::Written::file;
    });
}
