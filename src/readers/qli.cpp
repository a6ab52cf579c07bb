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
// three characters before each comma is ignored). The file's y axis points
// up; the model stores -y. QLI angles are degrees, HQV angles radians, and in
// HQV a line ":Thumbnail" ends the pattern data.
#include "model/loomveil_doc.h"
#include "model/scan.h"
#include "readers/text_util.h"

#include <cmath>

namespace {

// A sweep of 1e30 degrees would ask for 2e29 points. Sweeps up to ten full
// turns are traced exactly; a longer one gets the chords of ten turns, and
// once a file has asked for kMaxArcPoints in all, arcs become single chords.
constexpr long long kMaxPointsPerArc = 720;
constexpr long long kMaxArcPoints = 1LL << 25;

bool ScanPair(std::string_view s, float& x, float& y) {
    {
        Scanner sc(s);
        if (sc.Float(x) && sc.Literal(',') && sc.Float(y)) return true;
    }
    Scanner sc(s);
    return sc.Float(x) && sc.Word(3) && sc.Literal(',') && sc.Float(y);
}

bool ScanArc(std::string_view s, float& r, float& a, float& b) {
    {
        Scanner sc(s);
        if (sc.Float(r) && sc.Literal(',') && sc.Float(a) && sc.Literal(',') && sc.Float(b)) return true;
    }
    Scanner sc(s);
    return sc.Float(r) && sc.Word(3) && sc.Literal(',') && sc.Float(a) && sc.Word(3) && sc.Literal(',') &&
           sc.Float(b);
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
        long long arcBudget = kMaxArcPoints;
        auto append = [&](float x, float y) {
            AddPoint(x, y);
            lastX = x;
        };

        LineCursor lines(std::string_view(text.data(), n));
        std::string_view line;
        while (lines.Next(line)) {
            if (line.size() < 2) continue;
            if (headerPending) {
                append(0.0f, 0.0f);
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
                const double s = a * k;
                const double w = b * k;
                const double cx = curX - r * std::cos(s);
                const double cy = curY - r * std::sin(s);
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
                        append(static_cast<float>(originX + cx + r * std::cos(theta)),
                               -static_cast<float>(originY + cy + r * std::sin(theta)));
                    }
                }
                const double end = s + w;
                curX = cx + r * std::cos(end);
                curY = cy + r * std::sin(end);
                append(static_cast<float>(originX + curX), -static_cast<float>(originY + curY));
            } else if (code == "VP" || code == "L,") {
                float x, y;
                if (!ScanPair(params, x, y)) break;
                curX = x;
                curY = y;
                append(static_cast<float>(originX + curX), -static_cast<float>(originY + curY));
            } else if (code == "VE") {
                if (lastX != kBreakX) {
                    originX += curX;
                    originY += curY;
                    curX = curY = 0;
                }
            } else if (code == "BG" || code == "J,") {
                if (lastX != kBreakX) {
                    AddBreak();
                    lastX = kBreakX;
                }
            } else if (isHqv && line[0] == ':' && line.substr(1, 9) == "Thumbnail") {
                break;
            }
        }
        DrawPointList(pDC, width, height);
        return 1;
    };
    auto onBadPath = [&]() {
        DrawPointList(pDC, width, height);
        return 1;
    };
    return ReadGuarded(EndCause{CFileException::badPath, -1}, body, onBadPath);
}
