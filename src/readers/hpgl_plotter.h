// The pen of an HP-GL plotter, moved by the statements of a plot and traced
// into the point-list model.
//
// The model is kept in plotter units (0.025 mm) on the paper: user units
// set up by IP/IR/SC are converted while reading, and RO turns the axes
// about the sheet. The sheet's y axis points up, so the model stores -y.
//
// What reaches the model:
//  - a pen-down move is a line from the pen's position; a stroke that starts
//    with one begins at that position;
//  - a pen-up move by PU, PA, PR or PE ends the stroke and records where the
//    pen went as the start of the next one (so each pen-up move is a point
//    of its own, as plot files have always read here);
//  - arcs (AA, AR) are traced in user units as chords of the chord angle
//    (5 degrees unless given), at most kMaxChordsPerCurve per curve and,
//    once a file has asked for kMaxCurvePoints in all, one chord each;
//  - circles (CI), rectangles (EA, ER, RA, RR) and wedges (EW, WG) are
//    closed strokes of their own, outlines even where a plotter fills; the
//    pen stays where it was;
//  - polygon mode (PM) collects moves, and EP / FP draw the outline: EP the
//    pen-down edges, FP every edge;
//  - IW keeps what is drawn inside its window: lines are cut at its edges;
//  - SP ends the stroke, so each stroke has one pen; where the plot uses a
//    pen other than pen 1, each stroke records its pen's colour (PenColour);
//  - labels (LB, and PB for BL's text) are drawn in a single-stroke font in
//    character cells 1.5 characters wide and 2 high, sized by SI (cm) or SR
//    (percent of P1 to P2, 0.19 x 0.27 cm by default), along DI / DR, with
//    ES, SL and LO; the pen ends after the text, CP moves it by cells; SM
//    draws its symbol at each point PA, PR, PU or PD reaches. Character sets
//    (CS, CA) are not told apart: every label is ASCII. Glyph points count
//    against kMaxCurvePoints, and labels end after kMaxLabelCharacters
//    characters in all.
#pragma once

#include "model/point.h"
#include "model/stroke_colours.h"
#include "readers/hpgl_tokens.h"

#include <cstddef>
#include <vector>

namespace hpgl {

// Bounds on the work one file may ask for.
constexpr long long kMaxChordsPerCurve = 720;
constexpr long long kMaxCurvePoints = 1LL << 25;
constexpr std::size_t kMaxPolygonVertices = std::size_t{1} << 22;
constexpr long long kMaxLabelCharacters = 1LL << 26;

struct Options {
    // Files written by this program's PLT writer carry "SC0,4,0,4;" that
    // never meant a plotter's scaling: their coordinates are read as they
    // stand.
    bool ignoreScale = false;
    // Where the pens' colours go; null: not recorded.
    StrokeColours* colours = nullptr;
};

// The colour a pen draws in on the viewer's white paper: pens 1 to 7 in the
// plotters' usual order (black, red, green, yellow, blue, magenta, cyan;
// yellow and cyan darkened to show on white), higher pens in turn from
// pen 1 again. Pen 0 (no pen) is drawn as pen 1.
COLORREF PenColour(int pen);

// Reads every statement of the text into out.
void Plot(std::string_view text, const Options& options, CPointList& out);

} // namespace hpgl
