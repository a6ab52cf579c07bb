// HPGL plot files (.plt) and the line-per-command CQP files (.cqp).
//
// Lines end at LF; a final line without one still counts, and an empty line
// (LF LF; a lone CR is not empty) ends the data. Only PU (pen up), PD (pen
// down), PA (plot absolute) and PR (plot relative) carry meaning, told by a
// statement's first two characters after leading spaces; a statement of fewer
// than two characters ends its line.
//   PLT: statements end with ';' (text after a line's last ';' is not read);
//        the code is two characters and coordinates follow it directly, as in
//        PD100,200,300,400; other commands are skipped.
//   CQP: the line is one statement with a one-character tag: "PU" lifts the
//        pen, "PA"/"PR" set the mode, and any other tag followed by numbers
//        is a move in the current mode; a ';' right after the tag is skipped.
// A pair reads as "%f%c%f" or, failing that, "%f %c%f"; the next pair starts
// just after the separator that follows the pair's second number (PLT) or
// one character later (CQP). Units are the file's own; its y axis points up.
// The list always begins with a marker, and pen-ups in a row give one.
#include "model/scan.h"
#include "readers/pattern_frame.h"
#include "readers/text_util.h"

#include <cstring>

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

// The separator is usually a few characters on: a plain loop beats a call.
std::size_t FindFrom(std::string_view s, char c, std::size_t from) {
    for (std::size_t i = from; i < s.size(); ++i)
        if (s[i] == c) return i;
    return std::string_view::npos;
}

struct Pen {
    bool absolute = true;
    float lastX = 0; // x of the last entry appended
    // The last point appended, as stored; a relative move before any point
    // starts from the origin.
    float prevX = 0, prevY = 0;
};

// One statement; false when it is too short, which ends its line.
bool Statement(std::string_view s, bool cqp, Pen& pen, CPointList& out) {
    std::size_t lead = 0;
    while (lead < s.size() && s[lead] == ' ') ++lead;
    s.remove_prefix(lead);
    if (s.size() < 2) return false;

    const bool isP = s[0] == 'P';
    const char c1 = s[1];
    if (out.IsEmpty() || (isP && c1 == 'U')) {
        if (pen.lastX != kBreakX) AddBreak(out);
        pen.lastX = kBreakX;
    }
    if (!cqp && !(isP && (c1 == 'U' || c1 == 'D' || c1 == 'A' || c1 == 'R'))) return true;
    if (isP && c1 == 'R') pen.absolute = false;
    if (isP && c1 == 'A') pen.absolute = true;

    std::size_t at = cqp ? 1 : 2;
    if (at < s.size() && s[at] == ';') ++at;
    const std::size_t next = cqp ? 2 : 1;
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

        const std::size_t first = FindFrom(s, sep, at);
        if (first == std::string_view::npos) break;
        const std::size_t second = FindFrom(s, sep, first + 1);
        if (second == std::string_view::npos) break;
        // In CQP the next pair may lie past the statement's end: it ends here
        // rather than reading on into the next line.
        at = second + next;
        if (at > s.size()) break;
    }
    return true;
}

} // namespace

ParseOutcome ParseHpgl(std::string_view text, HpglDialect dialect, CPointList& out) {
    const bool cqp = dialect == HpglDialect::cqp;
    Pen pen;
    LineCursor lines(text);
    std::string_view line;
    while (NextDataLine(lines, line, true)) {
        if (cqp) {
            Statement(line, true, pen, out);
            continue;
        }
        std::size_t at = 0;
        while (const void* semi = std::memchr(line.data() + at, ';', line.size() - at)) {
            const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(semi) - line.data());
            if (!Statement(line.substr(at, end - at), false, pen, out)) break;
            at = end + 1;
        }
    }
    return {};
}

int CLoomveilDoc::RenderPlt(CDC* pDC, int width, int height) {
    const HpglDialect dialect = IsFileExt(m_strFileExt, "cqp") ? HpglDialect::cqp : HpglDialect::plt;
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [dialect](const FileBuffer& f, CPointList& out) {
        return ParseHpgl(f.text(), dialect, out);
    };
    return ReadGuarded({CFileException::endOfFile, -1}, frame.Reading(parse), frame.Ending());
}
