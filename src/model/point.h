// The point-list model: an ordered list of points in the units of the file
// they came from, y growing downward, split into strokes by break markers.
#pragma once

#include "platform/list.h"

#include <cfloat>

struct _tagREALPT {
    float x;
    float y;
};

// The DXF engine's outline point: the same layout and marker convention.
struct _tagREALPT2 {
    float x;
    float y;
};

// A point whose x is FLT_MAX ends the current stroke; its y is never read.
constexpr float kBreakX = FLT_MAX;
constexpr _tagREALPT kBreakMarker{FLT_MAX, 0.0f};

inline bool IsBreak(const _tagREALPT& p) { return p.x == kBreakX; }

using CPointList = CList<_tagREALPT, _tagREALPT>;
