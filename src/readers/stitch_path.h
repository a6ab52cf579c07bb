// The model of an embroidery stitch stream (EXP, DST, binary PAT).
//
// These formats store relative needle moves in whole units with y pointing
// up. A stitch moves and pierces, so it draws; a jump moves the frame with
// the needle up and draws nothing; a colour change stops for the next
// thread. In the model a stroke is a run of stitches: it starts at the
// needle's position before its first stitch (the end of the jump that led
// there, or the origin) and a break marker separates it from the stroke
// before. Positions are summed exactly in integers, so a long file never
// drifts. The files name no thread colours, so each thread after a colour
// change is drawn in the next of a few distinct colours.
#pragma once

#include "model/point.h"
#include "model/stroke_colours.h"

class StitchPath {
public:
    StitchPath(CPointList& out, StrokeColours* colours) : m_out(out), m_colours(colours) {}

    void Stitch(long dx, long dy);
    void Jump(long dx, long dy);
    // Ends the stroke; the next stroke is sewn with the next thread.
    void ColourChange();
    // Ends the stroke without moving (a trim).
    void EndStroke() { m_open = false; }

    long long Stitches() const { return m_stitches; }

private:
    CPointList& m_out;
    StrokeColours* m_colours;
    long long m_x = 0, m_y = 0;
    long long m_stitches = 0;
    int m_thread = 0;
    bool m_open = false;      // a stroke is being sewn
    bool m_anyStroke = false; // a stroke was sewn before
    bool m_newThread = false; // a colour change waits for its first stroke
};
