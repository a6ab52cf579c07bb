// Patterns saved as plain text (.txt).
//
// Lines end with LF (a CR before it is harmless); text after the last LF is
// not read and an empty line ends the data. A line is "jump position..." (a
// break marker, even after another; the rest is not read), a point "%f %f",
// or anything else. Units are the file's own; the y axis points up.
// Every ".txt" file comes here, so the reader takes a text as a pattern only
// when more than three quarters of its lines are points, counting lines from
// one so that an empty text is refused too. Lines that are the pattern's own
// (a "jump position" before each stroke, and the header design programs
// write: quoted lines and "aw"/"al" with a number) are not counted, so that
// a small design of short strokes is not taken for prose; a file with such
// a header is a pattern by its own word, so its lines count from zero.
// Coordinates are inches.
#include "model/scan.h"
#include "readers/pattern_frame.h"
#include "readers/text_util.h"

namespace {

bool IsHeaderLine(std::string_view line) {
    if (StartsWith(line, "\"")) return true;
    if (!(StartsWith(line, "aw") || StartsWith(line, "al"))) return false;
    Scanner sc(line.substr(2));
    float v;
    return sc.Float(v);
}

} // namespace

ParseOutcome ParseTxt(std::string_view text, CPointList& out) {
    int lines = 1, points = 0;
    bool header = false;
    LineCursor cursor(text);
    std::string_view line;
    while (NextDataLine(cursor, line)) {
        float x, y;
        if (StartsWith(line, "jump position")) {
            AddBreak(out);
            continue;
        }
        if (IsHeaderLine(line)) {
            if (!header) --lines;
            header = true;
            continue;
        }
        ++lines;
        if (ScanBlankPair(line, x, y)) {
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
