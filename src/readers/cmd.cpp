// CMD pen-command files.
//
// Lines end with LF (a CR before it is harmless); text after the last LF is
// not read and an empty line ends the data. By line, tested in this order:
//   "PU..."          pen up: a break marker, even after another (PUX5 Y5 is
//                    a pen-up only)
//   "PD..."          pen down: nothing; the next point continues the stroke
//   "X%f Y%f"        a point; X in the first column, blanks allowed between
//                    a letter and its number and before the Y
//   "PNOTE" ... "ENOTE"  free text (a note, a copyright line), never data
//   anything else    ignored
// Coordinates are inches; the y axis points up. Design programs also save
// this dialect under the CQP extension ("Exported stitch data for ...",
// PU/PD, X/Y lines, "END", "REPEAT=NO", a note): such a file is told from
// the line-per-command HPGL of CQP by its X/Y point lines and the absence
// of HPGL's mode commands PA and PR.
#include "model/formats.h"
#include "model/scan.h"
#include "readers/pattern_frame.h"
#include "readers/text_util.h"

namespace {

bool ScanCmdPoint(std::string_view line, float& x, float& y) {
    Scanner sc(line);
    if (!(sc.Literal('X') && sc.Float(x))) return false;
    sc.Space();
    return sc.Literal('Y') && sc.Float(y);
}

// Lines looked at to tell the dialect.
constexpr int kSniffLines = 200;

} // namespace

bool IsCmdText(std::string_view text) {
    LineCursor lines(text);
    std::string_view line;
    bool points = false;
    for (int i = 0; i < kSniffLines && lines.NextOrLast(line); ++i) {
        float x, y;
        if (StartsWith(line, "PA") || StartsWith(line, "PR")) return false;
        if (StartsWith(line, "PNOTE")) break;
        points = points || ScanCmdPoint(line, x, y);
    }
    return points;
}

namespace {
std::string_view AsText(std::span<const unsigned char> head) {
    return {reinterpret_cast<const char*>(head.data()), head.size()};
}
} // namespace

bool SniffCmd(std::span<const unsigned char> head) {
    return IsCmdText(AsText(head));
}

bool SniffCqpCommands(std::span<const unsigned char> head) {
    const std::string_view text = AsText(head);
    if (IsCmdText(text)) return false;
    LineCursor lines(text);
    std::string_view line;
    for (int i = 0; i < kSniffLines && lines.NextOrLast(line); ++i)
        for (std::string_view code : {"PU", "PD", "PA", "PR"})
            if (StartsWith(line, code)) return true;
    return false;
}

ParseOutcome ParseCmd(std::string_view text, CPointList& out) {
    LineCursor lines(text);
    std::string_view line;
    bool note = false;
    while (NextDataLine(lines, line)) {
        if (note || StartsWith(line, "PNOTE")) {
            note = !StartsWith(line, "ENOTE");
            continue;
        }
        if (StartsWith(line, "PU")) {
            AddBreak(out);
            continue;
        }
        if (StartsWith(line, "PD")) continue;
        float x, y;
        if (ScanCmdPoint(line, x, y)) AddFlipped(out, x, y);
    }
    return {};
}

int CLoomveilDoc::RenderCmd(CDC* pDC, int width, int height) {
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [](const FileBuffer& f, CPointList& out) { return ParseCmd(f.text(), out); };
    return ReadGuarded({CFileException::badPath, -1}, frame.Reading(parse), frame.Ending());
}
