// QLI and HQV pattern files (one line-oriented text format, two dialects).
//
// Lines end with LF; a CR before it is harmless. Before the text is cut into
// lines, the tokens "@RND[", "]", "*SX", "*SY", "*SZ", "+SR" are deleted
// everywhere, in that order. Lines shorter than two characters are skipped;
// the first other line is a header. Records by their first two characters:
//   "VP", "L,"  point x,y            "CR", "A,"  arc r,a,b (start, sweep)
//   "VE"        end of vector: later coordinates are relative to its end
//   "BG", "J,"  pen up               anything else is ignored
// Numbers read as "%f,%f" or, failing that, "%f%3s,%f" (a unit word of up to
// three characters before each comma is ignored); a number may stand in
// parentheses, as "(1.5*SX)" leaves one after the tokens go. What follows
// the numbers is not read ("VP x,y<speed>o" carries a speed). The file's y
// axis points up; the model stores -y. QLI angles are degrees, HQV angles
// radians. QLI coordinates are thousandths of an inch, HQV inches.
//
// Lines the machines' language gives a meaning beyond the records:
//   "NO NEEDLE OFF" ... "NO NEEDLE ON"   travel: the moves between them are
//                        made with the needle up, so they end the stroke and
//                        the next stroke starts where the travel ended; a
//                        travel before any point leaves the origin out
//   "VMYX", "VMY,X"     the two numbers of a point are y, x from here on
//                        (arcs turn from the first of them toward the
//                        second); "VMXY", "VMX,Y" set them back
// Other lines, such as "REM ..." and "' ..." comments, "#label" and "NO ..."
// remarks, are ignored like any line without a record code.
//
// HQV: "J,x,y" is a jump to (x, y): the next stroke starts there. HQV
// files begin with a jump to the first stitch, so a jump before any point
// leaves the origin out too. ":Thumbnail" ends the pattern data (a PNG
// preview follows it).
#include "model/loomveil_doc.h"
#include "model/scan.h"
#include "readers/text_util.h"

#include <cmath>
#include <utility>

namespace {

// A sweep of 1e30 degrees would ask for 2e29 points. Sweeps up to ten full
// turns are traced exactly; a longer one gets the chords of ten turns, and
// once a file has asked for kMaxArcPoints in all, arcs become single chords.
constexpr long long kMaxPointsPerArc = 720;
constexpr long long kMaxArcPoints = 1LL << 25;

// "%f" that also takes a number in parentheses.
bool Number(Scanner& sc, float& v) {
    sc.Space();
    const bool paren = sc.Literal('(');
    if (!sc.Float(v)) return false;
    if (paren) {
        sc.Space();
        sc.Literal(')');
    }
    return true;
}

bool ScanPair(std::string_view s, float& x, float& y) {
    {
        Scanner sc(s);
        if (Number(sc, x) && sc.Literal(',') && Number(sc, y)) return true;
    }
    Scanner sc(s);
    return Number(sc, x) && sc.Word(3) && sc.Literal(',') && Number(sc, y);
}

bool ScanArc(std::string_view s, float& r, float& a, float& b) {
    {
        Scanner sc(s);
        if (Number(sc, r) && sc.Literal(',') && Number(sc, a) && sc.Literal(',') && Number(sc, b))
            return true;
    }
    Scanner sc(s);
    return Number(sc, r) && sc.Word(3) && sc.Literal(',') && Number(sc, a) && sc.Word(3) && sc.Literal(',') &&
           Number(sc, b);
}

} // namespace

int CLoomveilDoc::RenderQli(CDC* pDC, int width, int height) {
    const bool isHqv = IsFileExt(m_strFileExt, "hqv");
    const float k = static_cast<float>(4.0 * std::atan(1.0) / 180.0);

    FileBuffer text;
    auto body = [&]() -> int {
        if (!ReadWholeFile(text)) return 0;
        std::size_t n = UpToNul(text.text()).size();
        // A point record takes at least eight bytes ("VP 1,2\r\n"); room
        // reserved and never used costs address space only.
        m_PointList.Reserve(n / 8);
        // Deleting can only join characters that are there, so a token whose
        // first character is absent cannot occur at any stage.
        const unsigned present = CharsPresent(text.data(), n, "@]*+");
        if (present & 1) n = DeleteToken(text.data(), n, "@RND[");
        if (present & 2) n = DeleteToken(text.data(), n, "]");
        if (present & 4)
            for (const char* token : {"*SX", "*SY", "*SZ"}) n = DeleteToken(text.data(), n, token);
        if (present & 8) n = DeleteToken(text.data(), n, "+SR");

        double originX = 0, originY = 0, curX = 0, curY = 0;
        float lastX = 0;
        bool headerPending = true;
        // The header's start point at the origin waits for the first entry:
        // a travel (or, in HQV, a jump) before any point makes it no part of
        // the pattern.
        bool startPending = false;
        bool travel = false;    // between NO NEEDLE OFF and NO NEEDLE ON
        bool travelled = false; // a move was made during the travel
        bool swapped = false;   // VMYX: points are given as y, x
        long long arcBudget = kMaxArcPoints;
        auto flushStart = [&] {
            if (!startPending) return;
            AddPoint(0.0f, 0.0f);
            lastX = 0;
            startPending = false;
        };
        // Appends a point given in absolute file coordinates.
        auto append = [&](double x, double y) {
            if (travel) {
                travelled = true;
                return;
            }
            flushStart();
            const float fx = static_cast<float>(x);
            AddPoint(fx, -static_cast<float>(y));
            lastX = fx;
        };
        auto penUp = [&] {
            if (isHqv)
                startPending = false;
            else
                flushStart();
            if (lastX != kBreakX) {
                AddBreak();
                lastX = kBreakX;
            }
        };

        LineCursor lines(std::string_view(text.data(), n));
        std::string_view line;
        while (lines.Next(line)) {
            if (line.size() < 2) continue;
            if (headerPending) {
                startPending = true;
                headerPending = false;
                continue;
            }
            const std::string_view code = line.substr(0, 2);
            const std::string_view params = line.substr(2);
            if (code == "CR" || code == "A,") {
                float r, a, b;
                if (!ScanArc(params, r, a, b)) break;
                if (isHqv) {
                    a /= k;
                    b /= k;
                }
                // The arc turns in the plane of the point's two numbers: from
                // the first axis toward the second.
                const double p1 = swapped ? curY : curX, p2 = swapped ? curX : curY;
                const double s = a * k;
                const double w = b * k;
                const double c1 = p1 - r * std::cos(s);
                const double c2 = p2 - r * std::sin(s);
                auto at = [&](double theta, double ox, double oy) {
                    const double u = r * std::cos(theta), v = r * std::sin(theta);
                    return swapped ? std::pair{ox + c2 + v, oy + c1 + u}
                                   : std::pair{ox + c1 + u, oy + c2 + v};
                };
                const float absB = std::fabs(b);
                long long steps = absB < 1e15f ? static_cast<long long>(absB) / 5 : kMaxPointsPerArc;
                if (steps > kMaxPointsPerArc) steps = kMaxPointsPerArc;
                if (!(absB == absB)) steps = 0; // NaN sweep
                if (steps > arcBudget) steps = arcBudget;
                arcBudget -= steps;
                if (steps >= 1) {
                    const double step = w / static_cast<double>(steps + 1);
                    double theta = s;
                    for (long long i = 0; i < steps; ++i) {
                        theta += step;
                        const auto [x, y] = at(theta, originX, originY);
                        append(x, y);
                    }
                }
                const double ue = r * std::cos(s + w), ve = r * std::sin(s + w);
                curX = swapped ? c2 + ve : c1 + ue;
                curY = swapped ? c1 + ue : c2 + ve;
                append(originX + curX, originY + curY);
            } else if (code == "VP" || code == "L,") {
                float x, y;
                if (!ScanPair(params, x, y)) break;
                if (swapped) std::swap(x, y);
                curX = x;
                curY = y;
                append(originX + curX, originY + curY);
            } else if (code == "VE") {
                if (lastX != kBreakX || travelled) {
                    originX += curX;
                    originY += curY;
                    curX = curY = 0;
                    travelled = false;
                }
            } else if (code == "BG") {
                penUp();
            } else if (code == "J,") {
                penUp();
                float x, y;
                if (isHqv && ScanPair(params, x, y)) {
                    curX = x;
                    curY = y;
                    append(originX + curX, originY + curY);
                }
            } else if (code == "VM") {
                std::string_view axes = params;
                while (!axes.empty() && IsScanSpace(axes.back())) axes.remove_suffix(1);
                if (axes == "YX" || axes == "Y,X") swapped = true;
                if (axes == "XY" || axes == "X,Y") swapped = false;
            } else if (StartsWith(line, "NO NEEDLE OFF")) {
                startPending = false;
                if (!travel) penUp();
                travel = true;
            } else if (StartsWith(line, "NO NEEDLE ON")) {
                if (travel) {
                    travel = false;
                    travelled = false;
                    append(originX + curX, originY + curY);
                }
            } else if (isHqv && line[0] == ':' && line.substr(1, 9) == "Thumbnail") {
                break;
            }
        }
        if (!isHqv) flushStart();
        DrawPointList(pDC, width, height);
        return 1;
    };
    auto onBadPath = [&]() {
        DrawPointList(pDC, width, height);
        return 1;
    };
    return ReadGuarded(EndCause{CFileException::badPath, -1}, body, onBadPath);
}
