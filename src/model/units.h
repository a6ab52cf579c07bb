// Physical units: the $INSUNITS codes of DXF drawings and how sizes are
// shown. What one unit of each pattern format measures is in that format's
// row of the format table (model/formats.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace units {

constexpr double kMmPerInch = 25.4;

// Millimetres per drawing unit for a DXF $INSUNITS code; nothing for 0
// (unitless) and for codes the format does not define.
std::optional<double> MmPerInsUnit(int code);
// "millimetres", "inches", …; "unitless" for 0; empty for undefined codes.
std::string_view InsUnitName(int code);

// "210.00 x 297.00 mm (8.268 x 11.693 in)" for a size in millimetres.
std::string FormatPhysicalSize(double widthMm, double heightMm);

} // namespace units
