// QCC curve files.
//
// Lines end with LF (a CR before it is harmless); text after the last LF is
// not read and an empty line ends the data. The first line is a header: it
// contains "c " (as the files this program writes, "c s"), or it is a name
// record "n name" (as design programs write it). After it:
//   "c e s..."       start of a curve: a break marker, even after another
//   "c ..."          any other command ("c c 1 0 0 0", "c w Black", "c p 1",
//                    "c e e"): never a point, though it may scan as one
//   "%c %c%f %c%f"   a point: record letter, axis letter, x, axis letter, y;
//                    the letters are never compared (p X1 Y2 and q A1 B2 read
//                    alike), and the record letter is the first character
//   anything else    ignored
// Coordinates are inches from the design's lower-left corner; y points up.
#include "model/scan.h"
#include "readers/pattern_frame.h"
#include "readers/text_util.h"

namespace {

bool ScanPoint(std::string_view line, float& x, float& y) {
    Scanner sc(line);
    char record, axisX, axisY;
    if (!sc.Char(record)) return false;
    sc.Space();
    if (!(sc.Char(axisX) && sc.Float(x))) return false;
    sc.Space();
    return sc.Char(axisY) && sc.Float(y);
}

} // namespace

ParseOutcome ParseQcc(std::string_view text, CPointList& out) {
    LineCursor lines(text);
    std::string_view line;
    if (!lines.Next(line)) return {};
    if (line.find("c ") == std::string_view::npos && !StartsWith(line, "n "))
        return {false, "not a QCC file (no \"c \" in its first line)"};
    while (NextDataLine(lines, line)) {
        float x, y;
        if (StartsWith(line, "c e s"))
            AddBreak(out);
        else if (!StartsWith(line, "c ") && ScanPoint(line, x, y))
            AddFlipped(out, x, y);
    }
    return {};
}

int CLoomveilDoc::RenderQcc(CDC* pDC, int width, int height) {
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [](const FileBuffer& f, CPointList& out) { return ParseQcc(f.text(), out); };
    return ReadGuarded({CFileException::badPath, -1}, frame.Reading(parse), frame.Ending());
}
