// Vector pictures of a pattern: its strokes as SVG paths or as the vectors
// of a one-page PDF, in the colours the viewer draws them in.
//
// The strokes are those the viewer draws: runs of at least two points
// between break markers (a point with a coordinate that is not finite ends
// a stroke too, as there is nowhere to draw it). They are placed on a page,
// centred, either fitted within its margins or at true size (millimetres
// per list unit known). Page coordinates are millimetres from the page's
// top-left corner, y down, as in the model.
#pragma once

#include "model/loomveil_doc.h"

#include <optional>
#include <string>

namespace writers {

enum class VectorFormat { svg, pdf };

struct PageSize {
    double widthMm;
    double heightMm;
};
constexpr PageSize kPageA4{210.0, 297.0};
constexpr PageSize kPageLetter{215.9, 279.4};

// Room left free on each side of the page.
constexpr double kPageMarginMm = 10.0;
// The largest page side a PDF may have (14 400 points, 200 inches); true
// size stops there for both formats.
constexpr double kMaxPageSideMm = 5080.0;
// Line width of every stroke.
constexpr double kStrokeWidthMm = 0.25;

struct VectorOptions {
    VectorFormat format = VectorFormat::svg;
    PageSize page = kPageA4;
    // Millimetres per list unit for true size; 0 fits the strokes to the page.
    double mmPerUnit = 0;
};

// Where the strokes go. At true size the page is the chosen one, turned to
// landscape when only that holds the pattern within the margins, or grown
// to hold it; fitted, it is the chosen page.
struct VectorLayout {
    double pageWidthMm = 0, pageHeightMm = 0;
    double scale = 0;                // millimetres per list unit
    double centreX = 0, centreY = 0; // the list point drawn at the page's centre
    double X(double x) const { return (x - centreX) * scale + pageWidthMm * 0.5; }
    double Y(double y) const { return (y - centreY) * scale + pageHeightMm * 0.5; }
};

// The layout of list's strokes, or nothing with the reason in why: no
// stroke to draw, strokes that all lie on one point, or a true size larger
// than kMaxPageSideMm.
std::optional<VectorLayout> LayoutStrokes(const CPointList& list, const VectorOptions& options,
                                          std::string& why);

// Writes doc's strokes to path through a temporary file that replaces the
// target only when complete, in the colours of doc.m_StrokeColours. TRUE
// when written; otherwise nothing is written, an earlier file is untouched
// and the reason is in doc.m_strError.
BOOL ExportVector(CLoomveilDoc& doc, const CString& path, const VectorOptions& options);

} // namespace writers
