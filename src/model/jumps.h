// The pen-up moves of a pattern, drawn as thin dashed lines over a picture
// that the viewer's drawing made, so that the travel a machine makes between
// strokes can be seen.
#pragma once

#include "model/point.h"

#include <QImage>
#include <vector>

// A move from the last point of one stroke to the first point of the next,
// over one or more break markers.
struct Jump {
    _tagREALPT from;
    _tagREALPT to;
};
std::vector<Jump> FindJumps(const CPointList& list);

// How list points reach the picture's pixels.
enum class JumpSpace {
    fitted, // scaled to fit width × height as the point-list drawing does
    device, // already in pixels (the outline of a DXF drawing)
};

constexpr QRgb kJumpColour = qRgb(0x80, 0x80, 0x80);

// Draws every jump of list into image, one pixel wide, dashed (4 pixels on,
// 3 off), only on pixels of the background colour, so the strokes stay on
// top. The fit is the
// drawing's own for a width × height picture at the image's origin; where
// that drawing draws nothing (no extent on one axis), no jump is drawn.
void DrawJumps(QImage& image, const CPointList& list, int width, int height, JumpSpace space,
               QRgb background = qRgb(255, 255, 255), QRgb colour = kJumpColour);

// One jump from (x0, y0) to (x1, y1), both ends included, dashed as above
// and only on pixels of the background colour; the dash phase counts from
// (x0, y0) also where the image cuts the line's beginning off.
void DrawJumpLine(QImage& image, int x0, int y0, int x1, int y1, QRgb background = qRgb(255, 255, 255),
                  QRgb colour = kJumpColour);
