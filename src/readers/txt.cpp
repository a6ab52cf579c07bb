// Patterns saved as plain text (.txt).
//
// Lines end with LF (a CR before it is harmless); text after the last LF is
// not read and an empty line ends the data. A line is "jump position..." (a
// break marker, even after another; the rest is not read), a point "%f %f",
// or anything else. Units are the file's own; the y axis points up.
// Every ".txt" file comes here, so the reader takes a text as a pattern only
// when more than three quarters of its lines are points, counting lines from
// one so that an empty text is refused too.
#include "model/loomveil_doc.h"
#include "model/scan.h"
#include "readers/pattern_parsers.h"
#include "readers/text_util.h"

TxtTally ParseTxt(std::string_view text, CPointList& out) {
    TxtTally tally;
    LineCursor lines(text);
    std::string_view line;
    while (NextDataLine(lines, line)) {
        ++tally.lines;
        float x, y;
        if (StartsWith(line, "jump position")) {
            AddBreak(out);
        } else if (ScanBlankPair(line, x, y)) {
            AddFlipped(out, x, y);
            ++tally.points;
        }
    }
    return tally;
}

int CLoomveilDoc::RenderTxt(CDC* pDC, int width, int height) {
    TxtTally tally;
    // The points read stay in the model when the text is refused.
    auto judge = [&] {
        if (!tally.IsPattern())
            return Fail("not a pattern: " + std::to_string(tally.points) + " of " +
                        std::to_string(tally.lines) + " lines are coordinate pairs");
        DrawPointList(pDC, width, height);
        return 1;
    };
    FileBuffer text;
    return ReadGuarded(
        EndCause{CFileException::endOfFile, -1},
        [&] {
            if (!ReadWholeFile(text)) return 0;
            tally = ParseTxt(text.text(), m_PointList);
            return judge();
        },
        judge);
}
