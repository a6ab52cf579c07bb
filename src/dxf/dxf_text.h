// DXF text laid out as figures: TEXT (and ATTRIB, stored as TEXT) and
// MTEXT, in the entity's world units before any block transform.
//
// TEXT. Group 72 is the horizontal justification (0 left, 1 centre,
// 2 right, 3 aligned, 4 middle, 5 fit), 73 the vertical one (0 baseline,
// 1 bottom, 2 middle, 3 top). Left/baseline text starts at the insertion
// point (10); the others are placed at the alignment point (11), except
// aligned and fit text, which runs along its baseline from 10 to 11:
// aligned text keeps its proportions (its height follows the length), fit
// text keeps its height and is stretched. "Bottom" is the descender line,
// "middle" half the cap height, "top" the cap line; 72 = 4 centres the text
// on the middle of cap line and descender line. The height is the cap
// height; 41 stretches x, 51 slants (degrees), 71 bit 1 mirrors x
// (backwards) and bit 2 mirrors y (upside down), 50 rotates. A text
// without a height of its own takes its style's fixed height (40), else
// the style's last height (42).
//
// MTEXT. 71 attaches the insertion point to the text's top/middle/bottom
// and left/centre/right (1..9); lines wrap at the reference width (41, 0 =
// no wrapping) and follow each other at 5/3 of their height times the
// spacing factor (44); 11/21 is the text's direction (else 50, degrees).
// The inline codes are read by DxfParseMText (dxf_mtext.h).
#pragma once

#include "dxf/dxf_drawing.h"

#include <QPointF>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct DxfTextFigures {
    struct Figure {
        std::uint32_t end;       // points [previous end, end)
        bool outline;            // a closed contour of an outline glyph
        int colour = -1;         // colour number, -1 for the entity's
        long rgb = -1;           // a true colour (0xRRGGBB) that overrides it
        bool glyphStart = false; // the first figure of a glyph
    };
    std::vector<QPointF> points;
    std::vector<Figure> figures;
    bool nextStartsGlyph = true;

    void BeginGlyph() { nextStartsGlyph = true; }

    // Appends a figure of n points given by point(i).
    template <class Point> void Add(std::size_t n, bool outline, int colour, long rgb, Point&& point) {
        if (n < 2) return;
        for (std::size_t i = 0; i < n; ++i) points.push_back(point(i));
        figures.push_back({static_cast<std::uint32_t>(points.size()), outline, colour, rgb, nextStartsGlyph});
        nextStartsGlyph = false;
    }
};

// The characters of a TEXT: code page and escapes decoded, %%c, %%d, %%p
// and %%nnn expanded, the %%o, %%u and %%k switches dropped.
std::u32string DxfTextCharacters(const DXFDRAWING* pDrawing, std::string_view raw);

// Lays the text out; false when it draws nothing.
bool DxfLayoutText(const DXFDRAWING* pDrawing, const DXFTEXT& text, DxfTextFigures& out);
bool DxfLayoutMText(const DXFDRAWING* pDrawing, const DXFMTEXT& text, DxfTextFigures& out);

// The box of what a TEXT or MTEXT draws, in its world units; false when it
// draws nothing.
bool DxfTextBox(const DXFDRAWING* pDrawing, WORD wType, const void* pData, DXFBOX& box);

// The height of a TEXT's characters (an aligned text's as stretched), or
// of an MTEXT's tallest; 0 when it draws nothing.
double DxfTextHeight(const DXFDRAWING* pDrawing, WORD wType, const void* pData);

// The style record of that ID, or null.
const DXFSTYLE* DxfStyleById(const DXFDRAWING* pDrawing, DWORD id);
