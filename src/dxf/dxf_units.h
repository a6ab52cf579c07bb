// What a DXF drawing's units measure, read from the drawing itself.
#pragma once

#include "dxf/dxf_load.h"

#include <optional>

namespace units {

// The $INSUNITS code of a drawing whose first section is its HEADER;
// nothing when the header does not name it or the value is not a number.
std::optional<int> ReadInsUnits(const DxfSource& source);

// Device pixels per drawing unit in the outline that a render of the
// drawing into width × height pixels produces (the fit of its extents);
// 0 when the drawing cannot be loaded or has no extents.
double DxfPixelsPerDrawingUnit(const DxfSource& source, int width, int height);

} // namespace units
