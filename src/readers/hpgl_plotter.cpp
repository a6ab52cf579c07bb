#include "readers/hpgl_plotter.h"

#include "dxf/dxf_font.h"
#include "model/clip_segment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>

namespace hpgl {
namespace {

// Without PS the sheet is an A/letter-size one (10500 x 8392 units) with
// the scaling points an HP-GL/1 plotter puts on it; PS sets the sheet and
// puts P1 and P2 at its corners.
constexpr double kSheetLength = 10500, kSheetWidth = 8392;
constexpr double kInsetX = 250, kInsetY = 596;
constexpr double kDefaultChord = 5.0;
// Labels are drawn in the single-stroke sans-serif font.
DxfFont& LabelFont() {
    return DxfFontForFile("futura");
}
// Coordinates beyond this (plotter units) are pinned to it.
constexpr double kMaxCoordinate = 1e30;

struct Pt {
    double x, y;
};

constexpr int Mnemonic(char a, char b) {
    return (a << 8) | b;
}

// A mode or kind given as a number; out of range it is none of them.
int Kind(double v) {
    return v > -1000 && v < 1000 ? static_cast<int>(v) : -1;
}

struct Vertex {
    float x, y;
    bool down;          // the edge that ends here was drawn with the pen down
    bool startsContour; // reached by the move that begins a subpolygon
};

class Plotter {
public:
    Plotter(const Options& options, CPointList& out) : m_options(options), m_out(out) {
        DefaultScalingPoints();
    }

    void Run(HpglTokenizer& tokens) {
        char c0, c1;
        while (tokens.Next(c0, c1)) {
            if (m_out.IsEmpty()) m_out.AddTail(kBreakMarker);
            Statement(Mnemonic(c0, c1), tokens);
        }
    }

private:
    // Up to n numeric parameters into p; returns how many there were.
    template <std::size_t N> static int Params(HpglTokenizer& t, std::array<double, N>& p) {
        int n = 0;
        double v;
        while (n < static_cast<int>(N) && t.NextNumber(v)) p[static_cast<std::size_t>(n++)] = v;
        return n;
    }

    void Statement(int m, HpglTokenizer& t) {
        std::array<double, 7> p{};
        switch (m) {
        case Mnemonic('P', 'U'):
            m_penDown = false;
            Break();
            Pairs(t);
            break;
        case Mnemonic('P', 'D'):
            m_penDown = true;
            Pairs(t);
            break;
        case Mnemonic('P', 'A'):
            m_absolute = true;
            Pairs(t);
            break;
        case Mnemonic('P', 'R'):
            m_absolute = false;
            Pairs(t);
            break;
        case Mnemonic('P', 'E'):
            Encoded(t.Text());
            break;
        case Mnemonic('A', 'A'):
        case Mnemonic('A', 'R'): {
            const int n = Params(t, p);
            if (n < 3) break;
            const Pt centre = m == Mnemonic('A', 'A') ? Pt{p[0], p[1]} : Add(ToUser(m_pos), {p[0], p[1]});
            Arc(centre, p[2], n >= 4 ? p[3] : kDefaultChord);
            break;
        }
        case Mnemonic('C', 'I'): {
            const int n = Params(t, p);
            if (n >= 1) Wedge(p[0], 0, 360, n >= 2 ? p[1] : kDefaultChord);
            break;
        }
        case Mnemonic('E', 'W'):
        case Mnemonic('W', 'G'): {
            const int n = Params(t, p);
            if (n >= 3) Wedge(p[0], p[1], p[2], n >= 4 ? p[3] : kDefaultChord);
            break;
        }
        case Mnemonic('E', 'A'):
        case Mnemonic('R', 'A'):
        case Mnemonic('E', 'R'):
        case Mnemonic('R', 'R'):
            if (Params(t, p) >= 2) {
                const bool relative = m == Mnemonic('E', 'R') || m == Mnemonic('R', 'R');
                const Pt a = ToUser(m_pos);
                const Pt b = relative ? Add(a, {p[0], p[1]}) : Pt{p[0], p[1]};
                Rectangle(a, b);
            }
            break;
        case Mnemonic('P', 'M'):
            Polygon(Params(t, p) >= 1 ? Kind(p[0]) : 0);
            break;
        case Mnemonic('E', 'P'):
            DrawPolygon(false);
            break;
        case Mnemonic('F', 'P'):
            DrawPolygon(true);
            break;
        case Mnemonic('S', 'P'):
            SelectPen(Params(t, p) >= 1 ? p[0] : 0);
            break;
        case Mnemonic('I', 'P'):
            InputP1P2(Params(t, p), p);
            break;
        case Mnemonic('I', 'R'):
            InputRelative(Params(t, p), p);
            break;
        case Mnemonic('S', 'C'):
            Scale(Params(t, p), p);
            break;
        case Mnemonic('R', 'O'):
            Rotate(Params(t, p) >= 1 ? p[0] : 0);
            break;
        case Mnemonic('I', 'W'):
            InputWindow(Params(t, p), p);
            break;
        case Mnemonic('P', 'S'):
            PlotSize(Params(t, p), p);
            break;
        case Mnemonic('L', 'B'):
            Label(t.Text());
            break;
        case Mnemonic('B', 'L'):
            m_buffered = t.Text();
            break;
        case Mnemonic('P', 'B'):
            Label(m_buffered);
            break;
        case Mnemonic('D', 'T'):
            m_terminator = t.Text().empty() ? '\x03' : t.Text()[0];
            m_printTerminator = Params(t, p) >= 1 && p[0] == 0;
            break;
        case Mnemonic('S', 'M'):
            m_symbol = t.Text().empty() ? '\0' : t.Text()[0];
            break;
        case Mnemonic('C', 'P'):
            CharacterPlot(Params(t, p), p);
            break;
        case Mnemonic('S', 'I'):
        case Mnemonic('S', 'R'): {
            const bool relative = m == Mnemonic('S', 'R');
            const int n = Params(t, p);
            m_relativeSize = relative;
            m_size = n >= 2 ? Pt{p[0], p[1]} : relative ? Pt{0.75, 1.5} : Pt{0.19, 0.27};
            break;
        }
        case Mnemonic('D', 'I'):
        case Mnemonic('D', 'R'): {
            const int n = Params(t, p);
            m_relativeDirection = m == Mnemonic('D', 'R');
            m_direction = n >= 2 && (p[0] != 0 || p[1] != 0) ? Pt{p[0], p[1]} : Pt{1, 0};
            break;
        }
        case Mnemonic('E', 'S'): {
            const int n = Params(t, p);
            m_extra = {n >= 1 ? p[0] : 0, n >= 2 ? p[1] : 0};
            break;
        }
        case Mnemonic('S', 'L'):
            m_slant = Params(t, p) >= 1 ? p[0] : 0;
            break;
        case Mnemonic('X', 'T'):
        case Mnemonic('Y', 'T'):
            Tick(m == Mnemonic('X', 'T'));
            break;
        case Mnemonic('T', 'L'): {
            const int n = Params(t, p);
            m_tick = {n >= 1 ? p[0] : 0.5, n >= 2 ? p[1] : (n >= 1 ? 0 : 0.5)};
            break;
        }
        case Mnemonic('L', 'O'):
            m_labelOrigin = Params(t, p) >= 1 ? Kind(p[0]) : 1;
            break;
        case Mnemonic('I', 'N'):
            Defaults();
            m_penDown = false;
            m_rotation = 0;
            DefaultScalingPoints();
            UpdateScale();
            break;
        case Mnemonic('D', 'F'):
            Defaults();
            break;
        default:
            break; // parameters are skipped by the tokenizer
        }
    }

    // --- coordinates ---

    static Pt Add(Pt a, Pt b) { return {a.x + b.x, a.y + b.y}; }
    Pt ToPlotter(Pt u) const { return {m_ox + u.x * m_sx, m_oy + u.y * m_sy}; }
    Pt ToUser(Pt p) const { return {(p.x - m_ox) / m_sx, (p.y - m_oy) / m_sy}; }
    Pt RelativeTo(Pt from, Pt d) const { return {from.x + d.x * m_sx, from.y + d.y * m_sy}; }

    // The sheet's length and width as the rotated axes see them.
    double FrameX() const { return m_rotation % 180 ? m_width : m_length; }
    double FrameY() const { return m_rotation % 180 ? m_length : m_width; }

    static float Pin(double v) {
        if (!(v >= -kMaxCoordinate)) return v != v ? 0.0f : static_cast<float>(-kMaxCoordinate);
        if (v > kMaxCoordinate) return static_cast<float>(kMaxCoordinate);
        return static_cast<float>(v);
    }

    // Appends a point given in the rotated frame, as the sheet holds it.
    void Append(Pt p) {
        if (m_clipped)
            Clipped(p);
        else
            Emit(p);
    }

    // IW: only what lies in the window is drawn; a line that leaves it ends
    // its stroke there, one that enters starts a new one.
    void Clipped(Pt p) {
        const bool prevShown = m_clipPrevShown;
        const Pt a = m_clipPrev;
        m_clipPrev = p;
        if (!m_clipHasPrev) {
            m_clipHasPrev = true;
            m_clipPrevShown =
                p.x >= m_window[0].x && p.x <= m_window[1].x && p.y >= m_window[0].y && p.y <= m_window[1].y;
            if (m_clipPrevShown) Emit(p);
            return;
        }
        double t0, t1;
        m_clipPrevShown = false;
        if (!ClipSegment(a.x, a.y, p.x, p.y, m_window[0].x, m_window[0].y, m_window[1].x, m_window[1].y, t0,
                         t1)) {
            EndStroke();
            return;
        }
        if (!prevShown || t0 > 0) {
            EndStroke();
            Emit({a.x + (p.x - a.x) * t0, a.y + (p.y - a.y) * t0});
        }
        Emit({a.x + (p.x - a.x) * t1, a.y + (p.y - a.y) * t1});
        m_clipPrevShown = t1 >= 1;
        if (!m_clipPrevShown) EndStroke();
    }

    template <std::size_t N> void InputWindow(int n, const std::array<double, N>& p) {
        m_clipped = n >= 4;
        if (!m_clipped) return;
        const Pt a = ToPlotter({p[0], p[1]}), b = ToPlotter({p[2], p[3]});
        m_window[0] = {std::min(a.x, b.x), std::min(a.y, b.y)};
        m_window[1] = {std::max(a.x, b.x), std::max(a.y, b.y)};
    }

    void Emit(Pt p) {
        double x = p.x, y = p.y;
        switch (m_rotation) {
        case 90:
            x = m_length - p.y, y = p.x;
            break;
        case 180:
            x = m_length - p.x, y = m_width - p.y;
            break;
        case 270:
            x = p.y, y = m_width - p.x;
            break;
        default:
            break;
        }
        RecordPen();
        m_out.AddTail(_tagREALPT{Pin(x), -Pin(y)});
    }

    // The pen of the point about to be added, recorded once per change of
    // pen; nothing while every point is in pen 1's black.
    void RecordPen() {
        StrokeColours* colours = m_options.colours;
        if (!colours || m_pen == m_recordedPen) return;
        const COLORREF colour = PenColour(m_pen);
        if (!colours->Empty() || colour != StrokeColours::kDefault)
            colours->Set(static_cast<std::size_t>(m_out.GetCount()), colour);
        m_recordedPen = m_pen;
    }

    // --- strokes ---

    void EndStroke() {
        if (!m_out.IsEmpty() && !IsBreak(m_out.GetTail())) m_out.AddTail(kBreakMarker);
    }

    void Break() {
        EndStroke();
        m_open = false;
        m_clipHasPrev = false;
    }

    void LineTo(Pt q) {
        if (!m_open) {
            Break();
            Append(m_pos);
            m_open = true;
        }
        Append(q);
        m_pos = q;
    }

    void PenUpTo(Pt q) {
        Break();
        Append(q);
        m_open = true;
        m_pos = q;
    }

    void MoveTo(Pt q, bool down) {
        if (m_polygon) {
            AddVertex(q, down);
            m_pos = q;
        } else if (down) {
            LineTo(q);
        } else {
            PenUpTo(q);
        }
    }

    void Pairs(HpglTokenizer& t) {
        double x, y;
        while (t.NextNumber(x) && t.NextNumber(y)) {
            MoveTo(m_absolute ? ToPlotter({x, y}) : RelativeTo(m_pos, {x, y}), m_penDown);
            if (m_symbol && !m_polygon) Symbol();
        }
    }

    // A closed figure of its own; the pen stays where it was.
    template <class Points> void Figure(std::size_t count, Points&& point) {
        if (m_polygon) {
            for (std::size_t i = 0; i < count; ++i) AddVertex(point(i), i > 0, i == 0);
            m_contourNext = true;
            return;
        }
        Break();
        for (std::size_t i = 0; i < count; ++i) Append(point(i));
        Break();
    }

    // --- curves ---

    long long Chords(double sweep, double chord) {
        chord = std::clamp(std::fabs(chord), 0.5, 180.0);
        if (!(chord == chord)) chord = kDefaultChord;
        const double wanted = std::ceil(std::fabs(sweep) / chord);
        long long n = wanted >= 1 && wanted < static_cast<double>(kMaxChordsPerCurve)
                          ? static_cast<long long>(wanted)
                          : (wanted >= 1 ? kMaxChordsPerCurve : 1);
        if (n - 1 > m_curveBudget) n = 1;
        m_curveBudget -= n - 1;
        return n;
    }

    void Arc(Pt centre, double sweep, double chord) {
        const Pt start = ToUser(m_pos);
        const double r = std::hypot(start.x - centre.x, start.y - centre.y);
        if (!(r > 0) || !std::isfinite(r) || !std::isfinite(sweep)) return;
        const double a0 = std::atan2(start.y - centre.y, start.x - centre.x);
        const double w = sweep * std::numbers::pi / 180;
        const long long n = Chords(sweep, chord);
        for (long long k = 1; k <= n; ++k) {
            const double a = a0 + w * static_cast<double>(k) / static_cast<double>(n);
            const Pt q = ToPlotter({centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
            if (m_penDown || m_polygon) {
                MoveTo(q, m_penDown);
            } else if (k == n) {
                m_pos = q; // a pen-up arc only takes the pen to its end
                m_open = false;
            }
        }
    }

    // A wedge about the pen: radius r, from angle start through sweep
    // (degrees); a full turn or more is a circle, without the radii.
    void Wedge(double r, double start, double sweep, double chord) {
        if (!std::isfinite(r) || !std::isfinite(start) || !std::isfinite(sweep)) return;
        const Pt c = ToUser(m_pos);
        const bool circle = std::fabs(sweep) >= 360;
        if (circle) sweep = 360;
        const long long n = Chords(sweep, chord);
        const double a0 = start * std::numbers::pi / 180, w = sweep * std::numbers::pi / 180;
        auto onArc = [&](long long k) {
            const double a = k == n && circle ? a0 : a0 + w * static_cast<double>(k) / static_cast<double>(n);
            return ToPlotter({c.x + r * std::cos(a), c.y + r * std::sin(a)});
        };
        if (circle) {
            Figure(static_cast<std::size_t>(n) + 1,
                   [&](std::size_t i) { return onArc(static_cast<long long>(i)); });
        } else {
            Figure(static_cast<std::size_t>(n) + 3, [&](std::size_t i) {
                return i == 0 || i == static_cast<std::size_t>(n) + 2 ? m_pos
                                                                      : onArc(static_cast<long long>(i) - 1);
            });
        }
    }

    void Rectangle(Pt a, Pt b) {
        const Pt corners[5] = {a, {b.x, a.y}, b, {a.x, b.y}, a};
        Figure(5, [&](std::size_t i) { return ToPlotter(corners[i]); });
    }

    // --- polygon mode ---

    void AddVertex(Pt q, bool down, bool starts = false) {
        if (m_contourNext) {
            starts = true;
            m_contourNext = false;
        }
        if (m_vertices.size() >= kMaxPolygonVertices) return;
        if (starts) m_contourStart = m_vertices.size();
        m_vertices.push_back(Vertex{Pin(q.x), Pin(q.y), down && !starts, starts});
    }

    void CloseContour() {
        if (m_contourStart + 1 >= m_vertices.size()) return;
        const Vertex first = m_vertices[m_contourStart];
        const Vertex& last = m_vertices.back();
        if (last.x != first.x || last.y != first.y) AddVertex({first.x, first.y}, true);
    }

    void Polygon(int mode) {
        if (mode == 0) {
            m_vertices.clear();
            m_drawn = 0;
            m_polygon = true;
            m_contourNext = false;
            AddVertex(m_pos, false, true);
        } else if (m_polygon) {
            CloseContour();
            m_contourNext = true;
            if (mode == 2) m_polygon = false;
        }
    }

    // EP draws the edges made with the pen down, FP every edge; what an
    // earlier EP or FP of the same buffer drew is not drawn again.
    void DrawPolygon(bool all) {
        if (m_polygon || m_drawn == 2 || (!all && m_drawn == 1)) return;
        bool open = false;
        for (std::size_t i = 0; i < m_vertices.size(); ++i) {
            const Vertex& v = m_vertices[i];
            const bool wanted = !v.startsContour && (all ? !(v.down && m_drawn == 1) : v.down);
            if (!wanted) {
                open = false;
                continue;
            }
            if (!open) {
                Break();
                Append({m_vertices[i - 1].x, m_vertices[i - 1].y});
                open = true;
            }
            Append({v.x, v.y});
        }
        Break();
        m_drawn = all ? 2 : 1;
    }

    // --- encoded polylines ---

    void Encoded(std::string_view data) {
        enum class Expect { coordinate, fraction, pen } expect = Expect::coordinate;
        bool up = false, absolute = false, haveX = false, moved = false, lastDown = m_penDown;
        double x = 0, unit = 1;
        DecodePolylineEncoded(data, [&](const EncodedItem& item) {
            switch (item.kind) {
            case EncodedItem::penUp:
                up = true;
                return;
            case EncodedItem::absolute:
                absolute = true;
                return;
            case EncodedItem::fraction:
                expect = Expect::fraction;
                return;
            case EncodedItem::selectPen:
                expect = Expect::pen;
                return;
            case EncodedItem::sevenBit:
                return;
            case EncodedItem::number:
                break;
            }
            const double v = static_cast<double>(item.value);
            if (expect == Expect::fraction) {
                unit = std::ldexp(1.0, -static_cast<int>(std::clamp<std::int64_t>(item.value, -26, 26)));
            } else if (expect == Expect::pen) {
                SelectPen(v);
            } else if (!haveX) {
                x = v * unit;
                haveX = true;
            } else {
                const Pt d{x, v * unit};
                MoveTo(absolute ? ToPlotter(d) : RelativeTo(m_pos, d), !up);
                lastDown = !up;
                moved = true;
                up = absolute = haveX = false;
            }
            expect = Expect::coordinate;
        });
        if (moved) m_penDown = lastDown;
    }

    // --- labels ---

    // Character width and height in plotter units: SI gives centimetres,
    // SR percentages of P1 to P2.
    Pt CharSize() const {
        if (m_relativeSize) return {m_size.x * (m_p2.x - m_p1.x) / 100, m_size.y * (m_p2.y - m_p1.y) / 100};
        return {m_size.x * 400, m_size.y * 400};
    }
    // The unit vector along the baseline, and the one up from it.
    Pt Along() const {
        Pt d = m_direction;
        if (m_relativeDirection) d = {d.x * (m_p2.x - m_p1.x), d.y * (m_p2.y - m_p1.y)};
        const double len = std::hypot(d.x, d.y);
        return len > 0 && std::isfinite(len) ? Pt{d.x / len, d.y / len} : Pt{1, 0};
    }
    static Pt Up(Pt d) { return {-d.y, d.x}; }
    static Pt At(Pt o, Pt d, double a, double b) {
        const Pt n = Up(d);
        return {o.x + d.x * a + n.x * b, o.y + d.y * a + n.y * b};
    }
    // A character cell is one and a half characters wide and two high.
    double Advance(Pt size) const { return 1.5 * size.x * (1 + m_extra.x); }
    double LineFeed(Pt size) const { return 2 * size.y * (1 + m_extra.y); }

    // Draws one glyph with its cell's lower left at o: the glyph, in cap
    // heights from its left edge, centred on the character's width.
    void Glyph(Pt o, unsigned char c, Pt d, Pt size) {
        const DxfGlyph& g = LabelFont().Glyph(c);
        const long long points = static_cast<long long>(g.points.size());
        if (points == 0 || points > m_curveBudget) return;
        m_curveBudget -= points;
        const double centre = g.advance / 2;
        std::size_t i = 0;
        for (const std::uint32_t end : g.ends) {
            Break();
            for (; i < end && i < g.points.size(); ++i) {
                const double up = g.points[i].y() * size.y;
                const double along = (g.points[i].x() - centre) * 1.5 * size.x + size.x / 2 + m_slant * up;
                Append(At(o, d, along, up));
            }
        }
        Break();
    }

    // LB: the text from the pen, which ends after it. CR returns to where the
    // line began, LF moves down a line, BS back a cell; a label that follows
    // another without a move in between goes on from its lines.
    void Label(std::string_view text) {
        // Each character costs work even where it draws nothing (PB may
        // print a long buffer again and again): past the budget labels are
        // skipped.
        if (static_cast<long long>(text.size()) > m_labelBudget) return;
        m_labelBudget -= static_cast<long long>(text.size()) + 1;
        const Pt size = CharSize(), d = Along(), n = Up(d);
        const double advance = Advance(size), feed = LineFeed(size);
        if (m_pos.x != m_labelEnd.x || m_pos.y != m_labelEnd.y) m_lineStart = m_pos;
        std::string printed(text);
        if (m_printTerminator) printed += m_terminator;
        // Label origins 1-9 (and 11-19): each line left of, centred on or
        // right of the pen; characters above, centred on or below it.
        const int lo = m_labelOrigin > 10 ? m_labelOrigin - 10 : m_labelOrigin;
        const double shiftUp = lo % 3 == 0 ? -size.y : lo % 3 == 2 ? -size.y / 2 : 0;
        auto alignLine = [&](std::size_t from, Pt at) {
            if (lo < 4) return at;
            while (from < printed.size() && printed[from] == '\n') ++from;
            std::size_t end = printed.find_first_of("\r\n", from);
            end = end == std::string::npos ? printed.size() : end;
            const double width = static_cast<double>(end - from) * advance - (advance - size.x);
            return At(at, d, lo >= 7 ? -width : -width / 2, 0);
        };
        Pt pos = alignLine(0, m_pos);
        for (std::size_t i = 0; i < printed.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(printed[i]);
            if (c == '\r') {
                pos = alignLine(i + 1, m_lineStart);
            } else if (c == '\n') {
                pos = {pos.x - n.x * feed, pos.y - n.y * feed};
                m_lineStart = {m_lineStart.x - n.x * feed, m_lineStart.y - n.y * feed};
            } else if (c == '\b') {
                pos = At(pos, d, -advance, 0);
            } else if (c >= 32) {
                if (c > 32) Glyph(At(pos, d, 0, shiftUp), c, d, size);
                pos = At(pos, d, advance, 0);
            }
        }
        m_pos = m_labelEnd = pos;
        m_open = false;
    }

    // CP: moves the pen by character cells; without parameters, to the next
    // line.
    template <std::size_t N> void CharacterPlot(int n, const std::array<double, N>& p) {
        const Pt size = CharSize(), d = Along(), up = Up(d);
        if (m_pos.x != m_labelEnd.x || m_pos.y != m_labelEnd.y) m_lineStart = m_pos;
        if (n >= 2 && std::isfinite(p[0]) && std::isfinite(p[1])) {
            m_pos = At(m_pos, d, p[0] * Advance(size), p[1] * LineFeed(size));
        } else {
            const double feed = LineFeed(size);
            m_lineStart = {m_lineStart.x - up.x * feed, m_lineStart.y - up.y * feed};
            m_pos = m_lineStart;
        }
        m_labelEnd = m_pos;
        m_open = false;
    }

    // XT / YT: a tick across the pen's position, TL percent of P1 to P2
    // (0.5 each way by default) into and out of the plot.
    void Tick(bool x) {
        const double span = x ? m_p2.y - m_p1.y : m_p2.x - m_p1.x;
        const double in = m_tick.x * span / 100, out = m_tick.y * span / 100;
        const Pt a = x ? Pt{m_pos.x, m_pos.y + in} : Pt{m_pos.x + in, m_pos.y};
        const Pt b = x ? Pt{m_pos.x, m_pos.y - out} : Pt{m_pos.x - out, m_pos.y};
        Figure(2, [&](std::size_t i) { return i == 0 ? a : b; });
    }

    // Symbol mode: the symbol centred on each point a move reaches.
    void Symbol() {
        const Pt size = CharSize(), d = Along();
        Glyph(At(m_pos, d, -size.x / 2, -size.y / 2), static_cast<unsigned char>(m_symbol), d, size);
        m_open = false;
    }

    // --- pens and scaling ---

    void SelectPen(double pen) {
        const int p = pen >= 0 && pen < 1e6 ? static_cast<int>(pen) : 0;
        if (p != m_pen) Break();
        m_pen = p;
    }

    void Defaults() {
        m_clipped = false;
        m_terminator = '\x03';
        m_printTerminator = false;
        m_symbol = '\0';
        m_relativeSize = false;
        m_size = {0.19, 0.27};
        m_relativeDirection = false;
        m_direction = {1, 0};
        m_extra = {0, 0};
        m_slant = 0;
        m_labelOrigin = 1;
        m_tick = {0.5, 0.5};
        m_absolute = true;
        m_scaling = false;
        m_polygon = false;
        m_vertices.clear();
        m_drawn = 0;
        UpdateScale();
    }

    void DefaultScalingPoints() {
        const double ix = m_sheetGiven ? 0 : (m_rotation % 180 ? kInsetY : kInsetX);
        const double iy = m_sheetGiven ? 0 : (m_rotation % 180 ? kInsetX : kInsetY);
        m_p1 = {ix, iy};
        m_p2 = {FrameX() - ix, FrameY() - iy};
        m_p1p2Given = false;
    }

    template <std::size_t N> void InputP1P2(int n, const std::array<double, N>& p) {
        if (n < 2) {
            DefaultScalingPoints();
        } else {
            const Pt span{m_p2.x - m_p1.x, m_p2.y - m_p1.y};
            m_p1 = {p[0], p[1]};
            m_p2 = n >= 4 ? Pt{p[2], p[3]} : Add(m_p1, span);
            m_p1p2Given = true;
        }
        UpdateScale();
    }

    // IR: P1 and P2 as percentages of the sheet.
    template <std::size_t N> void InputRelative(int n, std::array<double, N> p) {
        if (n < 2) {
            InputP1P2(0, p);
            return;
        }
        for (int i = 0; i < 4; ++i) p[static_cast<std::size_t>(i)] *= (i % 2 ? FrameY() : FrameX()) / 100;
        InputP1P2(n >= 4 ? 4 : 2, p);
    }

    template <std::size_t N> void Scale(int n, const std::array<double, N>& p) {
        if (m_options.ignoreScale) return;
        m_scaling = n >= 4;
        if (m_scaling) {
            std::copy(p.begin(), p.end(), m_sc.begin());
            m_scType = n >= 5 ? Kind(p[4]) : 0;
            if (m_scType == 1 && n < 7) m_sc[5] = m_sc[6] = 50;
        }
        UpdateScale();
    }

    void UpdateScale() {
        m_sx = m_sy = 1;
        m_ox = m_oy = 0;
        if (m_scaling) {
            const double spanX = m_p2.x - m_p1.x, spanY = m_p2.y - m_p1.y;
            double sx, sy;
            if (m_scType == 2) { // SC xmin, factor, ymin, factor, 2
                sx = m_sc[1];
                sy = m_sc[3];
            } else {
                sx = spanX / (m_sc[1] - m_sc[0]);
                sy = spanY / (m_sc[3] - m_sc[2]);
            }
            double ox = m_p1.x - m_sc[0] * sx, oy = m_p1.y - m_sc[2] * sy;
            if (m_scType == 1) { // isotropic, the spare room split by left and bottom
                const double s = std::min(std::fabs(sx), std::fabs(sy));
                sx = std::copysign(s, sx);
                sy = std::copysign(s, sy);
                ox = m_p1.x - m_sc[0] * sx + (spanX - (m_sc[1] - m_sc[0]) * sx) * m_sc[5] / 100;
                oy = m_p1.y - m_sc[2] * sy + (spanY - (m_sc[3] - m_sc[2]) * sy) * m_sc[6] / 100;
            }
            // A window without width or height scales nothing.
            if (std::isfinite(sx) && std::isfinite(sy) && sx != 0 && sy != 0 && std::isfinite(ox) &&
                std::isfinite(oy)) {
                m_sx = sx, m_sy = sy, m_ox = ox, m_oy = oy;
            }
        }
    }

    void Rotate(double angle) {
        const int r =
            std::isfinite(angle) ? ((static_cast<int>(std::fmod(angle, 360.0)) / 90 % 4 + 4) % 4) * 90 : 0;
        if (r == m_rotation) return;
        m_rotation = r;
        if (!m_p1p2Given) DefaultScalingPoints();
        UpdateScale();
    }

    template <std::size_t N> void PlotSize(int n, const std::array<double, N>& p) {
        if (n < 1 || !(p[0] > 0) || !(p[0] < kMaxCoordinate)) return;
        m_length = p[0];
        m_width = n >= 2 && p[1] > 0 && p[1] < kMaxCoordinate ? p[1] : p[0];
        m_sheetGiven = true;
        DefaultScalingPoints();
        UpdateScale();
    }

    const Options& m_options;
    CPointList& m_out;

    bool m_penDown = false, m_absolute = true;
    Pt m_pos{0, 0};      // plotter units, rotated frame
    bool m_open = false; // the model's last point is the pen's position
    int m_pen = 1;
    int m_recordedPen = 1; // pen 1 draws in the default black
    long long m_curveBudget = kMaxCurvePoints;
    long long m_labelBudget = kMaxLabelCharacters;

    double m_length = kSheetLength, m_width = kSheetWidth;
    bool m_sheetGiven = false;
    int m_rotation = 0;
    Pt m_p1{}, m_p2{};
    bool m_p1p2Given = false;
    bool m_scaling = false;
    int m_scType = 0;
    std::array<double, 7> m_sc{};
    double m_sx = 1, m_sy = 1, m_ox = 0, m_oy = 0;

    // Labels.
    char m_terminator = '\x03', m_symbol = '\0';
    bool m_printTerminator = false;
    bool m_relativeSize = false, m_relativeDirection = false;
    Pt m_size{0.19, 0.27}, m_direction{1, 0}, m_extra{0, 0}, m_tick{0.5, 0.5};
    double m_slant = 0;
    int m_labelOrigin = 1;
    Pt m_lineStart{0, 0};
    Pt m_labelEnd{std::nan(""), 0};
    std::string m_buffered;

    // The clip window (rotated frame) and the last point offered to it.
    bool m_clipped = false, m_clipHasPrev = false, m_clipPrevShown = false;
    Pt m_window[2]{}, m_clipPrev{};

    bool m_polygon = false, m_contourNext = false;
    std::vector<Vertex> m_vertices;
    std::size_t m_contourStart = 0;
    int m_drawn = 0; // 1: EP drew the buffer, 2: FP did
};

} // namespace

COLORREF PenColour(int pen) {
    static constexpr COLORREF kPens[7] = {RGB(0, 0, 0),   RGB(255, 0, 0),   RGB(0, 160, 0),  RGB(200, 160, 0),
                                          RGB(0, 0, 255), RGB(200, 0, 200), RGB(0, 160, 200)};
    return kPens[pen <= 1 ? 0 : (pen - 1) % 7];
}

void Plot(std::string_view text, const Options& options, CPointList& out) {
    HpglTokenizer tokens(text);
    Plotter plotter(options, out);
    plotter.Run(tokens);
}

} // namespace hpgl
