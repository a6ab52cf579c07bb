// Counts and extent of a point list, for reports.
#pragma once

#include "model/point.h"

#include <cstddef>

struct StrokeStats {
    std::size_t points = 0;  // real points (markers not counted)
    std::size_t strokes = 0; // maximal runs of real points
    bool hasExtent = false;
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
};

StrokeStats ComputeStrokeStats(const CPointList& list);
