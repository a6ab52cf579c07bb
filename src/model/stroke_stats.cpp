#include "model/stroke_stats.h"

#include <algorithm>

StrokeStats ComputeStrokeStats(const CPointList& list) {
    StrokeStats s;
    bool inStroke = false;
    for (const _tagREALPT& p : list) {
        if (IsBreak(p)) {
            inStroke = false;
            continue;
        }
        if (!inStroke) ++s.strokes;
        inStroke = true;
        ++s.points;
        if (!s.hasExtent) {
            s.minX = s.maxX = p.x;
            s.minY = s.maxY = p.y;
            s.hasExtent = true;
        } else {
            s.minX = std::min(s.minX, p.x);
            s.maxX = std::max(s.maxX, p.x);
            s.minY = std::min(s.minY, p.y);
            s.maxY = std::max(s.maxY, p.y);
        }
    }
    return s;
}
