// What one unit of a file measures on paper, by format.
//
// The model keeps coordinates in the units of the file they came from, and
// most quilting formats never say what those are: their numbers are scaled
// to fit the frame or the machine's hoop. Only where a format fixes its
// unit (HPGL's plotter unit, Melco EXP's stitch unit) or a file states it
// (a DXF drawing's $INSUNITS) can a pattern be measured in millimetres.
// Everywhere else the unit is "unknown", never a guess.
#pragma once

#include "dxf/dxf_load.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

class CLoomveilDoc;

namespace units {

constexpr double kMmPerInch = 25.4;

enum class Basis {
    fixed,   // the format defines mmPerUnit
    drawing, // each drawing states its unit (DXF $INSUNITS)
    unknown, // the format fixes no unit
    preview, // the file holds a picture, no pattern to measure
};

struct FormatUnit {
    std::string_view ext;  // lower case, without the dot
    std::string_view name; // the format, as messages name it
    Basis basis;
    double mmPerUnit; // for Basis::fixed; 0 otherwise
    bool readable;    // false for a format that is only written
};

// Every format with a known or unknown unit, one row each.
std::span<const FormatUnit> FormatUnits();
// The row of a lower-case extension, or null.
const FormatUnit* FindFormatUnit(std::string_view ext);

// Millimetres per drawing unit for a DXF $INSUNITS code; nothing for 0
// (unitless) and for codes the format does not define.
std::optional<double> MmPerInsUnit(int code);
// "millimetres", "inches", …; "unitless" for 0; empty for undefined codes.
std::string_view InsUnitName(int code);

// The $INSUNITS code of a drawing whose first section is its HEADER;
// nothing when the header does not name it or the value is not a number.
std::optional<int> ReadInsUnits(const DxfSource& source);

// Device pixels per drawing unit in the outline that a render of the
// drawing into width × height pixels produces (the fit of its extents);
// 0 when the drawing cannot be loaded or has no extents.
double DxfPixelsPerDrawingUnit(const DxfSource& source, int width, int height);

// What one unit of a rendered document's point list measures.
struct ListUnit {
    double mmPerUnit = 0; // 0: not known
    std::string why;      // when not known: the reason, naming the format
    bool Known() const { return mmPerUnit > 0; }
};
// For the document's current file after a render into width × height
// (the size matters only for DXF, whose list is the outline in pixels).
ListUnit UnitOfPointList(const CLoomveilDoc& doc, int width, int height);

// "210.00 x 297.00 mm (8.268 x 11.693 in)" for a size in millimetres.
std::string FormatPhysicalSize(double widthMm, double heightMm);

} // namespace units
