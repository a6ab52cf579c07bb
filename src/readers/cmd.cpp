// CMD pen-command files.
//
// Lines end with LF (a CR before it is harmless); text after the last LF is
// not read and an empty line ends the data. By line, tested in this order:
//   "PU..."          pen up: a break marker, even after another (PUX5 Y5 is
//                    a pen-up only)
//   "PD..."          pen down: nothing; the next point continues the stroke
//   "X%f Y%f"        a point; X in the first column, blanks allowed between
//                    a letter and its number and before the Y
//   anything else    ignored
// Units are the file's own; its y axis points up.
#include "model/scan.h"
#include "readers/pattern_frame.h"
#include "readers/text_util.h"

ParseOutcome ParseCmd(std::string_view text, CPointList& out) {
    LineCursor lines(text);
    std::string_view line;
    while (NextDataLine(lines, line)) {
        if (StartsWith(line, "PU")) {
            AddBreak(out);
            continue;
        }
        if (StartsWith(line, "PD")) continue;
        Scanner sc(line);
        float x, y;
        if (!(sc.Literal('X') && sc.Float(x))) continue;
        sc.Space();
        if (sc.Literal('Y') && sc.Float(y)) AddFlipped(out, x, y);
    }
    return {};
}

int CLoomveilDoc::RenderCmd(CDC* pDC, int width, int height) {
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [](const FileBuffer& f, CPointList& out) { return ParseCmd(f.text(), out); };
    return ReadGuarded({CFileException::badPath, -1}, frame.Reading(parse), frame.Ending());
}
