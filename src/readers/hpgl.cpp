// HPGL plot files (.plt, .hpgl, .hpg, .hp) and the line-per-command CQP
// files (.cqp).
//
// Plot files are read statement by statement as a plotter reads them
// (hpgl_tokens.h for the grammar, hpgl_plotter.h for what each statement
// draws), HP-GL/2 inside a PCL job included.
//
// CQP files keep their own line rules. Lines end at LF; a final line
// without one still counts, and an empty line (LF LF; a lone CR is not
// empty) ends the data. The line is one statement with a one-character tag,
// after leading spaces: "PU" lifts the pen, "PA"/"PR" set the mode, and any
// other tag followed by numbers is a move in the current mode; a ';' right
// after the tag is skipped; a line shorter than two characters is skipped.
// A pair reads as "%f%c%f" or, failing that, "%f %c%f"; the next pair starts
// two characters after the separator that follows the pair's second number.
// Units are the file's own; its y axis points up. The list always begins
// with a marker, and pen-ups in a row give one.
#include "model/scan.h"
#include "readers/hpgl_plotter.h"
#include "readers/pattern_frame.h"
#include "readers/text_util.h"

namespace {

bool ScanPair(std::string_view s, float& x, char& sep, float& y) {
    {
        Scanner sc(s);
        if (sc.QuickFloat(x) && sc.Char(sep) && sc.QuickFloat(y)) return true;
    }
    Scanner sc(s);
    if (!sc.QuickFloat(x)) return false;
    sc.Space();
    return sc.Char(sep) && sc.QuickFloat(y);
}

struct CqpPen {
    bool absolute = true;
    float lastX = 0; // x of the last entry appended
    // The last point appended, as stored; a relative move before any point
    // starts from the origin.
    float prevX = 0, prevY = 0;
};

void CqpLine(std::string_view s, CqpPen& pen, CPointList& out) {
    std::size_t lead = 0;
    while (lead < s.size() && s[lead] == ' ') ++lead;
    s.remove_prefix(lead);
    if (s.size() < 2) return;

    const bool isP = s[0] == 'P';
    const char c1 = s[1];
    if (out.IsEmpty() || (isP && c1 == 'U')) {
        if (pen.lastX != kBreakX) AddBreak(out);
        pen.lastX = kBreakX;
    }
    if (isP && c1 == 'R') pen.absolute = false;
    if (isP && c1 == 'A') pen.absolute = true;

    std::size_t at = 1;
    if (at < s.size() && s[at] == ';') ++at;
    for (;;) {
        float x, y;
        char sep;
        if (!ScanPair(s.substr(at), x, sep, y)) break;
        if (pen.absolute) {
            pen.prevX = x;
            pen.prevY = -y;
        } else {
            pen.prevX = pen.prevX + x;
            pen.prevY = pen.prevY - y;
        }
        out.AddTail(_tagREALPT{pen.prevX, pen.prevY});
        pen.lastX = pen.prevX;

        const std::size_t first = s.find(sep, at);
        if (first == std::string_view::npos) break;
        const std::size_t second = s.find(sep, first + 1);
        if (second == std::string_view::npos) break;
        // The next pair may lie past the line's end: it ends here rather
        // than reading on into the next line.
        at = second + 2;
        if (at > s.size()) break;
    }
}

// The set-up lines this program's PLT writer starts its files with.
constexpr std::string_view kOwnPltHead = "IN;\r\nIP;\r\nSP1;\r\nPU0,0;\r\nSC0,4,0,4;\r\n";

} // namespace

ParseOutcome ParseHpgl(std::string_view text, HpglDialect dialect, CPointList& out, StrokeColours* colours) {
    if (dialect == HpglDialect::cqp) {
        CqpPen pen;
        LineCursor lines(text);
        std::string_view line;
        while (NextDataLine(lines, line, true)) CqpLine(line, pen, out);
        return {};
    }
    const std::size_t before = out.size();
    hpgl::Plot(text, {.ignoreScale = text.starts_with(kOwnPltHead), .colours = colours}, out);
    for (auto p = out.begin() + before; p != out.end(); ++p)
        if (!IsBreak(*p)) return {};
    return {false, "no HP-GL drawing found (no pen moves, curves or labels)"};
}

int CLoomveilDoc::RenderPlt(CDC* pDC, int width, int height) {
    const HpglDialect dialect = IsFileExt(m_strFileExt, "cqp") ? HpglDialect::cqp : HpglDialect::plt;
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [this, dialect](const FileBuffer& f, CPointList& out) {
        return ParseHpgl(f.text(), dialect, out, &m_StrokeColours);
    };
    return ReadGuarded({CFileException::endOfFile, -1}, frame.Reading(parse), frame.Ending());
}
