// PAT, SSD and HQF pattern files: three line formats behind one reader.
//
// Common: lines end with LF (a CR before it is harmless), text after the last
// LF is not read, an empty line ends the data; units are the file's own and
// the y axis points up.
//   SSD  "%f %f" per point; lines beginning ':' are section lines; other
//        lines are skipped. Without ":POINTSEQUENCE" sections the file is
//        one continuous path. Files that have them (design programs write
//        ":NAME", ":COMMENT" with free text, one ":POINTSEQUENCE" per
//        stroke, ":END") hold points only inside those sections, and each
//        starts a stroke; ":SECTION" neither breaks nor ends one.
//   HQF  one segment "x1 y1 x2 y2" per line ("%f%f%f%f"); the first line
//        that does not give four numbers ends the data. A segment whose start
//        is exactly the previous segment's end continues the stroke; any
//        other starts a new one.
//   PAT  numbered moves "N%dG%dX%fY%fI%fJ%f": the line begins with N and
//        every further letter follows the previous number directly (a blank
//        may stand only between a letter and its number). Four fields (N, G,
//        X, Y) or all six make a move; other lines are skipped.
//          G0          rapid move, needle up: a new stroke at (X, Y)
//          G other, 4  stitch line to (X, Y)
//          G2 / G3, 6  clockwise / counter-clockwise arc about the absolute
//                      centre (I, J) from the previous point to (X, Y); any
//                      other G with six fields is an arc the short way round
#include "model/formats.h"
#include "model/scan.h"
#include "readers/pattern_frame.h"
#include "readers/text_util.h"

#include <cmath>

namespace {

// A section line at the start of a line.
constexpr std::string_view kNewLineSequence = "\n:POINTSEQUENCE";
constexpr std::string_view kPointSequence = kNewLineSequence.substr(1);

void ParseSsd(std::string_view text, LineCursor& lines, CPointList& out) {
    const bool sequences =
        StartsWith(text, kPointSequence) || text.find(kNewLineSequence) != std::string_view::npos;
    bool inside = !sequences;
    std::string_view line;
    while (NextDataLine(lines, line)) {
        float x, y;
        if (line[0] == ':') {
            if (!sequences || StartsWith(line, ":SECTION")) continue;
            inside = StartsWith(line, kPointSequence);
            if (inside) AddBreak(out);
        } else if (inside && ScanBlankPair(line, x, y)) {
            AddFlipped(out, x, y);
        }
    }
}

// Every new stroke gets a marker of its own, and the end of a stroke's last
// segment is drawn, so that a file this program wrote reads back whole.
void ParseHqf(LineCursor& lines, CPointList& out) {
    float endX = FLT_MAX, endY = FLT_MAX;
    bool haveEnd = false;
    std::string_view line;
    while (NextDataLine(lines, line)) {
        Scanner sc(line);
        float x1, y1, x2, y2;
        if (!(sc.Float(x1) && sc.Float(y1) && sc.Float(x2) && sc.Float(y2))) break;
        if (!(x1 == endX && y1 == endY)) {
            if (haveEnd) AddFlipped(out, endX, endY);
            AddBreak(out);
        }
        AddFlipped(out, x1, y1);
        endX = x2;
        endY = y2;
        haveEnd = true;
    }
    if (haveEnd) AddFlipped(out, endX, endY);
}

// Fields of a PAT line read in order, as scanf counts them.
int ScanMove(std::string_view line, int& g, float& x, float& y, float& i, float& j) {
    Scanner sc(line);
    int n;
    if (!(sc.Literal('N') && sc.Int(n))) return 0;
    if (!(sc.Literal('G') && sc.Int(g))) return 1;
    if (!(sc.Literal('X') && sc.Float(x))) return 2;
    if (!(sc.Literal('Y') && sc.Float(y))) return 3;
    if (!(sc.Literal('I') && sc.Float(i))) return 4;
    if (!(sc.Literal('J') && sc.Float(j))) return 5;
    return 6;
}

// The points between (px, py) and (x, y) on the circle about (ci, cj)
// through the start, in chords of at most 0.15 radian before the direction
// is corrected; the end point itself is left to the caller.
void TraceArc(float px, float py, int g, float x, float y, float ci, float cj, CPointList& out) {
    const double pi = 4.0 * std::atan(1.0);
    const double r = std::sqrt((double(py) - cj) * (double(py) - cj) + (double(px) - ci) * (double(px) - ci));
    const double a0 = std::atan2(double(py) - cj, double(px) - ci);
    const double a1 = std::atan2(double(y) - cj, double(x) - ci);
    double d = a1 - a0;
    // |d| is at most 2 pi, so n is at most 42; a NaN angle gives 2.
    const double q = std::fabs(d / 0.15);
    int n = q < 1e9 ? static_cast<int>(q) + 1 : 2;
    if (n < 2) n = 2;
    if (g == 2 && d >= 0) d -= 2 * pi;
    if (g == 3 && d <= 0) d += 2 * pi;
    const double step = d / n;
    double theta = a0;
    for (int k = 1; k < n; ++k) {
        theta += step;
        AddFlipped(out, static_cast<float>(ci + r * std::cos(theta)),
                   static_cast<float>(cj + r * std::sin(theta)));
    }
}

// Every G0 move gets a marker of its own, so that a run of rapid moves is
// never drawn as stitches.
void ParseMoves(LineCursor& lines, CPointList& out) {
    float prevX = FLT_MAX, prevY = FLT_MAX;
    std::string_view line;
    while (NextDataLine(lines, line)) {
        int g = 0;
        float x, y, i, j;
        const int fields = ScanMove(line, g, x, y, i, j);
        if (fields != 4 && fields != 6) continue;
        if (g == 0)
            AddBreak(out);
        else if (fields == 6 && prevX != FLT_MAX)
            TraceArc(prevX, prevY, g, x, y, i, j, out);
        AddFlipped(out, x, y);
        prevX = x;
        prevY = y;
    }
}

} // namespace

// A G-code PAT opens with numbered moves; comment lines may come first.
bool SniffTextPat(std::span<const unsigned char> head) {
    LineCursor lines(std::string_view(reinterpret_cast<const char*>(head.data()), head.size()));
    std::string_view line;
    for (int i = 0; i < 20 && lines.NextOrLast(line); ++i) {
        Scanner sc(line);
        int n = 0, g = 0;
        if (sc.Literal('N') && sc.Int(n) && sc.Literal('G') && sc.Int(g)) return true;
    }
    return false;
}

ParseOutcome ParsePat(std::string_view text, PatDialect dialect, CPointList& out) {
    LineCursor lines(text);
    switch (dialect) {
    case PatDialect::ssd:
        ParseSsd(text, lines, out);
        break;
    case PatDialect::hqf:
        ParseHqf(lines, out);
        break;
    case PatDialect::pat:
        ParseMoves(lines, out);
        break;
    }
    return {};
}

int CLoomveilDoc::RenderPat(CDC* pDC, int width, int height) {
    const PatDialect dialect = IsFileExt(m_strFileExt, "ssd")   ? PatDialect::ssd
                               : IsFileExt(m_strFileExt, "hqf") ? PatDialect::hqf
                                                                : PatDialect::pat;
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [this, dialect](const FileBuffer& f, CPointList& out) {
        if (dialect == PatDialect::pat && IsBinaryPat(f.bytes()))
            return ParseBinaryPat(f.bytes(), out, &m_StrokeColours);
        return ParsePat(f.text(), dialect, out);
    };
    return ReadGuarded({CFileException::endOfFile, -1}, frame.Reading(parse), frame.Ending());
}
