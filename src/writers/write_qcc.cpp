// QCC output: curves of points, lines ending in CR LF.
//
//   c s / c e s          opens a curve (also the file's first line, which
//                        readers take as the header)
//   p X%#4.3f Y%#4.3f    one point
//   c e e                closes a curve
//
// When the pattern's unit is known, coordinates are inches at its size from
// the lower-left corner of its bounding box, y up, as the format has them.
// Otherwise the box is fitted into 4 × 4 with its smaller corner at (0, 0)
// and y is not negated: it grows the way the model's y grows, so readers of
// the format (whose y points up) see that pattern mirrored.
#include "writers/writer_frame.h"

BOOL CLoomveilDoc::WriteQcc() {
    return writers::RunWriter(*this, [this](writers::Output& out) {
        if (m_PointList.IsEmpty()) return writers::Written::nothing;
        constexpr std::string_view kOpenCurve = "c s\r\nc e s\r\n";
        out.Text(kOpenCurve);
        const writers::Bounds b = writers::BoundingPass(m_PointList);
        const float width = b.maxX - b.minX;
        const float height = b.maxY - b.minY;
        const std::optional<float> kept = writers::SizeKeepingScale(*this, writers::kMmPerInch);
        // A flat pattern (one straight horizontal or vertical line) has no
        // span to fit and keeps only the opening lines.
        if (!kept && (width == 0.0f || height == 0.0f)) return writers::Written::file;
        const float s = kept ? *kept : writers::ScaleFor(4.0f, width, height);

        bool atStart = true;
        for (const _tagREALPT& p : m_PointList) {
            if (writers::IsMarker(p)) {
                if (!atStart) out.Text("c e e\r\n").Text(kOpenCurve);
                atStart = false;
                continue;
            }
            const float x = (p.x - b.minX) * s;
            const float y = kept ? (b.maxY - p.y) * s : (p.y - b.minY) * s;
            out.Text("p X").Fixed(x, 3, 4).Text(" Y").Fixed(y, 3, 4).Text("\r\n");
            atStart = false;
        }
        out.Text("c e e\r\n");
        return writers::Written::file;
    });
}
