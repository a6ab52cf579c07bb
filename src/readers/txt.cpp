// Patterns saved as plain text (.txt).
//
// Lines end with LF (a CR before it is harmless); text after the last LF is
// not read and an empty line ends the data. A line is "jump position..." (a
// break marker, even after another; the rest is not read), a point "%f %f",
// or anything else. Units are the file's own; the y axis points up.
// Every ".txt" file comes here, so the reader takes a text as a pattern only
// when more than three quarters of its lines are points, counting lines from
// one so that an empty text is refused too.
#include "model/scan.h"
#include "readers/pattern_frame.h"
#include "readers/text_util.h"

ParseOutcome ParseTxt(std::string_view text, CPointList& out) {
    int lines = 1, points = 0;
    LineCursor cursor(text);
    std::string_view line;
    while (NextDataLine(cursor, line)) {
        ++lines;
        float x, y;
        if (StartsWith(line, "jump position")) {
            AddBreak(out);
        } else if (ScanBlankPair(line, x, y)) {
            AddFlipped(out, x, y);
            ++points;
        }
    }
    if (static_cast<float>(points) / static_cast<float>(lines) > 0.75f) return {};
    return {false, "not a pattern: " + std::to_string(points) + " of " + std::to_string(lines) +
                       " lines are coordinate pairs"};
}

int CLoomveilDoc::RenderTxt(CDC* pDC, int width, int height) {
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [](const FileBuffer& f, CPointList& out) { return ParseTxt(f.text(), out); };
    // Data that ends before anything is read is judged as the empty text.
    auto ending = [&] { return frame.Finish(ParseTxt({}, m_PointList)); };
    return ReadGuarded({CFileException::endOfFile, -1}, frame.Reading(parse), ending);
}
