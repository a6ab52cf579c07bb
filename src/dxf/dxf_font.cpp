// Fonts for DXF text: the embedded stroke fonts, composed characters and
// outline faces.
//
// A .jhf font holds one glyph per line group in ASCII order from the space:
// a 5-character glyph number, a 3-character count n of coordinate pairs,
// then n pairs of characters (long glyphs go on over line breaks, which
// are not part of the data). Each coordinate is its character's code less
// that of 'R'; y grows downward. The first pair is the glyph's left and
// right edge, " R" lifts the pen. Capitals stand on the grid's baseline
// and are 21 units high in every font; the cap height and baseline are
// taken from the 'H' of each font.
#include "dxf/dxf_font.h"

#include <QChar>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace {

constexpr char32_t kFirstAscii = 32, kLastAscii = 126;
// Outline faces are measured at this pixel size: fine enough that the
// flattened curves stay within a few thousandths of the cap height.
constexpr int kOutlinePixels = 200;

// CAD single-stroke font names and the stroke font that draws them; other
// names without a TrueType extension take "rowmans".
struct StrokeName {
    const char* cad;
    const char* jhf;
};
constexpr StrokeName kStrokeNames[] = {
    {"romand", "rowmand"},    {"romanc", "rowmand"},    {"complex", "rowmand"}, {"romant", "rowmant"},
    {"italic", "timesi"},     {"italicc", "timesi"},    {"italict", "timesib"}, {"scripts", "scripts"},
    {"scriptc", "scriptc"},   {"greeks", "greeks"},     {"greekc", "greekc"},   {"gothice", "gothiceng"},
    {"gothicg", "gothicger"}, {"gothici", "gothicita"}, {"futura", "futural"},
};
constexpr const char* kPlainStroke = "rowmans";

// TrueType file names (without extension) and their families.
struct OutlineName {
    const char* file;
    const char* family;
    bool bold, italic;
};
constexpr OutlineName kOutlineNames[] = {
    {"arial", "Arial", false, false},
    {"arialbd", "Arial", true, false},
    {"ariali", "Arial", false, true},
    {"arialbi", "Arial", true, true},
    {"arialn", "Arial Narrow", false, false},
    {"times", "Times New Roman", false, false},
    {"timesbd", "Times New Roman", true, false},
    {"timesi", "Times New Roman", false, true},
    {"timesbi", "Times New Roman", true, true},
    {"cour", "Courier New", false, false},
    {"courbd", "Courier New", true, false},
    {"comic", "Comic Sans MS", false, false},
    {"verdana", "Verdana", false, false},
    {"tahoma", "Tahoma", false, false},
    {"calibri", "Calibri", false, false},
    {"frank", "Frank Ruehl", false, false},
};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// "D:\Fonts\Helvl.SHX" → "helvl" with extension "shx".
void SplitFileName(std::string_view file, std::string& base, std::string& ext) {
    const std::size_t slash = file.find_last_of("/\\");
    if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
    while (!file.empty() && file.back() == ' ') file.remove_suffix(1);
    const std::size_t dot = file.rfind('.');
    base = Lower(file.substr(0, dot));
    ext = dot == std::string_view::npos ? std::string() : Lower(file.substr(dot + 1));
}

const DxfStrokeFontSource* FindStrokeSource(std::string_view name) {
    for (std::size_t i = 0; i < kDxfStrokeFontCount; ++i)
        if (kDxfStrokeFonts[i].jhf[0] && name == kDxfStrokeFonts[i].name) return &kDxfStrokeFonts[i];
    return nullptr;
}

bool HaveOutlines() {
    return qGuiApp != nullptr;
}

void AddFigure(DxfGlyph& g, std::initializer_list<QPointF> pts) {
    g.points.insert(g.points.end(), pts.begin(), pts.end());
    g.ends.push_back(static_cast<std::uint32_t>(g.points.size()));
}

// Appends src's figures, scaled by s and moved by (dx, dy).
void AddGlyph(DxfGlyph& g, const DxfGlyph& src, double s = 1, double dx = 0, double dy = 0) {
    std::uint32_t start = 0;
    for (const std::uint32_t end : src.ends) {
        for (std::uint32_t i = start; i < end; ++i)
            g.points.emplace_back(src.points[i].x() * s + dx, src.points[i].y() * s + dy);
        g.ends.push_back(static_cast<std::uint32_t>(g.points.size()));
        start = end;
    }
    g.outline = g.outline || src.outline;
}

double Top(const DxfGlyph& g) {
    double top = 0;
    for (const QPointF& p : g.points) top = std::max(top, p.y());
    return top;
}

void AddCircle(DxfGlyph& g, double cx, double cy, double r) {
    constexpr int kSteps = 12;
    for (int i = 0; i <= kSteps; ++i) {
        const double a = 2 * M_PI * i / kSteps;
        g.points.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    g.ends.push_back(static_cast<std::uint32_t>(g.points.size()));
}

// A combining mark over (or for the cedilla under) a glyph of width w whose
// ink reaches up to top; false for a mark this font does not draw.
bool AddMark(DxfGlyph& g, char32_t mark, double w, double top) {
    const double c = w / 2, y = top + 0.12, h = 0.18;
    switch (mark) {
    case 0x300: // grave
        AddFigure(g, {{c - 0.08, y + h}, {c + 0.08, y}});
        return true;
    case 0x301: // acute
        AddFigure(g, {{c - 0.08, y}, {c + 0.08, y + h}});
        return true;
    case 0x302: // circumflex
        AddFigure(g, {{c - 0.14, y}, {c, y + h}, {c + 0.14, y}});
        return true;
    case 0x30C: // caron
        AddFigure(g, {{c - 0.14, y + h}, {c, y}, {c + 0.14, y + h}});
        return true;
    case 0x303: // tilde
        AddFigure(g, {{c - 0.18, y}, {c - 0.09, y + h * 0.6}, {c + 0.09, y}, {c + 0.18, y + h * 0.6}});
        return true;
    case 0x304: // macron
        AddFigure(g, {{c - 0.15, y + h / 2}, {c + 0.15, y + h / 2}});
        return true;
    case 0x306: // breve
        AddFigure(g, {{c - 0.13, y + h}, {c - 0.07, y + 0.03}, {c + 0.07, y + 0.03}, {c + 0.13, y + h}});
        return true;
    case 0x307: // dot above
        AddCircle(g, c, y + h / 2, 0.03);
        return true;
    case 0x308: // diaeresis
        AddCircle(g, c - 0.12, y + h / 2, 0.03);
        AddCircle(g, c + 0.12, y + h / 2, 0.03);
        return true;
    case 0x30A: // ring
        AddCircle(g, c, y + h / 2, 0.09);
        return true;
    case 0x30B: // double acute
        AddFigure(g, {{c - 0.14, y}, {c - 0.04, y + h}});
        AddFigure(g, {{c + 0.04, y}, {c + 0.14, y + h}});
        return true;
    case 0x327: // cedilla
        AddFigure(g, {{c, 0}, {c + 0.08, -0.12}, {c - 0.06, -0.25}});
        return true;
    case 0x328: // ogonek
        AddFigure(g, {{c + 0.1, 0}, {c, -0.14}, {c + 0.12, -0.25}});
        return true;
    default:
        return false;
    }
}

void SetInk(DxfGlyph& g) {
    if (g.points.empty()) return;
    g.inkLeft = g.inkRight = g.points[0].x();
    g.inkBottom = g.inkTop = g.points[0].y();
    for (const QPointF& p : g.points) {
        g.inkLeft = std::min(g.inkLeft, p.x());
        g.inkRight = std::max(g.inkRight, p.x());
        g.inkBottom = std::min(g.inkBottom, p.y());
        g.inkTop = std::max(g.inkTop, p.y());
    }
}

} // namespace

std::unique_ptr<DxfFont> DxfFont::Stroke(std::string_view jhfName) {
    std::unique_ptr<DxfFont> f(new DxfFont);
    f->m_family = "Sans Serif";
    const DxfStrokeFontSource* src = FindStrokeSource(jhfName);
    if (!src) src = FindStrokeSource(kPlainStroke);
    f->m_stroke = src && f->LoadStroke(src->jhf);
    return f;
}

std::unique_ptr<DxfFont> DxfFont::Outline(const std::string& family, bool bold, bool italic) {
    std::unique_ptr<DxfFont> f(new DxfFont);
    f->m_family = family;
    f->m_bold = bold;
    f->m_italic = italic;
    if (HaveOutlines()) {
        QFont font(QString::fromStdString(family));
        font.setPixelSize(kOutlinePixels);
        font.setBold(bold);
        font.setItalic(italic);
        const QFontMetricsF m(font);
        if (m.capHeight() > 0) f->m_descent = m.descent() / m.capHeight();
    }
    return f;
}

bool DxfFont::LoadStroke(std::string_view jhf) {
    std::vector<DxfGlyph> glyphs;
    std::vector<std::array<int, 2>> edges;
    std::size_t pos = 0;
    auto skipBreaks = [&] {
        while (pos < jhf.size() && (jhf[pos] == '\n' || jhf[pos] == '\r')) ++pos;
    };
    // Raw glyphs first, in grid units (y down).
    while (glyphs.size() <= kLastAscii - kFirstAscii) {
        skipBreaks();
        if (jhf.size() - pos < 8) break;
        int n = 0;
        for (std::size_t i = pos + 5; i < pos + 8; ++i)
            if (jhf[i] >= '0' && jhf[i] <= '9') n = n * 10 + (jhf[i] - '0');
        pos += 8;
        std::vector<std::array<int, 2>> pairs;
        for (int k = 0; k < n; ++k) {
            skipBreaks();
            if (jhf.size() - pos < 2) return false;
            pairs.push_back({jhf[pos] - 'R', jhf[pos + 1] - 'R'});
            pos += 2;
        }
        // Anything left on the line is not part of the glyph.
        while (pos < jhf.size() && jhf[pos] != '\n') ++pos;
        if (pairs.empty()) return false;
        DxfGlyph g;
        bool penDown = false;
        for (std::size_t k = 1; k < pairs.size(); ++k) {
            if (pairs[k][0] == ' ' - 'R' && pairs[k][1] == 'R' - 'R') {
                if (penDown) g.ends.push_back(static_cast<std::uint32_t>(g.points.size()));
                penDown = false;
                continue;
            }
            g.points.emplace_back(pairs[k][0], pairs[k][1]);
            penDown = true;
        }
        if (penDown) g.ends.push_back(static_cast<std::uint32_t>(g.points.size()));
        edges.push_back(pairs[0]);
        glyphs.push_back(std::move(g));
    }
    if (glyphs.size() != kLastAscii - kFirstAscii + 1) return false;
    // Cap height and baseline from 'H', the descent from 'g' and 'p'.
    const DxfGlyph& H = glyphs['H' - kFirstAscii];
    if (H.points.empty()) return false;
    double top = H.points[0].y(), base = top;
    for (const QPointF& p : H.points) {
        top = std::min(top, p.y());
        base = std::max(base, p.y());
    }
    const double cap = base - top;
    if (!(cap > 0)) return false;
    double low = base;
    for (const char c : {'g', 'p'})
        for (const QPointF& p : glyphs[static_cast<std::size_t>(c - kFirstAscii)].points)
            low = std::max(low, p.y());
    m_descent = (low - base) / cap;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        DxfGlyph& g = glyphs[i];
        const double left = edges[i][0];
        g.advance = (edges[i][1] - left) / cap;
        for (QPointF& p : g.points) p = QPointF((p.x() - left) / cap, (base - p.y()) / cap);
        SetInk(g);
    }
    m_ascii = std::move(glyphs);
    return true;
}

const DxfGlyph& DxfFont::Glyph(char32_t c) {
    if (c == 0xA0) c = ' '; // no-break space
    if (m_stroke && c >= kFirstAscii && c <= kLastAscii) return m_ascii[c - kFirstAscii];
    if (c == '\t' || c < kFirstAscii) c = ' ';
    auto it = m_other.find(c);
    if (it != m_other.end()) return it->second;
    DxfGlyph g = m_stroke ? Compose(c) : FromOutline(c);
    SetInk(g);
    return m_other.emplace(c, std::move(g)).first->second;
}

// A character of a stroke font outside ASCII: drawn with strokes where it
// is a letter with accents or one of the drawing signs, else taken from the
// outline face.
DxfGlyph DxfFont::Compose(char32_t c) {
    DxfGlyph g;
    auto ascii = [&](char a) -> const DxfGlyph& {
        return m_ascii[static_cast<std::size_t>(a - kFirstAscii)];
    };
    switch (c) {
    case 0xB0: // degree
        g.advance = 0.5;
        AddCircle(g, 0.25, 0.85, 0.15);
        return g;
    case 0xB1: { // plus-minus
        const DxfGlyph& plus = ascii('+');
        AddGlyph(g, plus, 1, 0, 0.15);
        const double w = plus.advance;
        AddFigure(g, {{w * 0.2, -0.05}, {w * 0.8, -0.05}});
        g.advance = w;
        return g;
    }
    case 0xD8:     // Ø
    case 0xF8:     // ø
    case 0x2205:   // empty set
    case 0x2300: { // diameter
        const DxfGlyph& o = ascii(c == 0xF8 ? 'o' : 'O');
        AddGlyph(g, o);
        const double top = Top(o);
        AddFigure(g, {{o.advance * 0.15, -0.05}, {o.advance * 0.85, top + 0.05}});
        g.advance = o.advance;
        return g;
    }
    case 0xB2:
    case 0xB3:
    case 0xB9: { // superscript digits
        const DxfGlyph& d = ascii(c == 0xB9 ? '1' : static_cast<char>('2' + (c - 0xB2)));
        AddGlyph(g, d, 0.6, 0, 0.45);
        g.advance = d.advance * 0.6;
        return g;
    }
    case 0xD7: // multiplication sign
        g.advance = ascii('x').advance;
        AddFigure(g, {{0.2 * g.advance, 0.15}, {0.8 * g.advance, 0.6}});
        AddFigure(g, {{0.2 * g.advance, 0.6}, {0.8 * g.advance, 0.15}});
        return g;
    default:
        break;
    }
    // A letter with marks: its base from the font, the marks drawn over it.
    const QString decomposed = QChar::decomposition(c);
    if (QChar::decompositionTag(c) == QChar::Canonical && !decomposed.isEmpty() &&
        decomposed[0].unicode() >= kFirstAscii && decomposed[0].unicode() <= kLastAscii) {
        const DxfGlyph& base = ascii(static_cast<char>(decomposed[0].unicode()));
        AddGlyph(g, base);
        g.advance = base.advance;
        double top = Top(base);
        bool all = true;
        for (qsizetype i = 1; i < decomposed.size() && all; ++i) {
            all = AddMark(g, decomposed[i].unicode(), base.advance, top);
            top = Top(g);
        }
        if (all) return g;
        g = {};
    }
    if (HaveOutlines()) return FromOutline(c);
    return ascii('?');
}

// A glyph of the outline face (with Qt's fallback for characters the face
// lacks), as closed contours in text units.
DxfGlyph DxfFont::FromOutline(char32_t c) {
    DxfGlyph g;
    if (!HaveOutlines()) return g;
    QFont font(QString::fromStdString(m_family));
    font.setPixelSize(kOutlinePixels);
    font.setBold(m_bold);
    font.setItalic(m_italic);
    const QFontMetricsF m(font);
    const double cap = m.capHeight() > 0 ? m.capHeight() : m.ascent() * 0.7;
    if (!(cap > 0)) return g;
    const char32_t ch[1] = {c};
    const QString s = QString::fromUcs4(ch, 1);
    g.advance = m.horizontalAdvance(s) / cap;
    QPainterPath path;
    path.addText(QPointF(0, 0), font, s);
    for (const QPolygonF& poly : path.toSubpathPolygons()) {
        if (poly.size() < 2) continue;
        for (const QPointF& p : poly) g.points.emplace_back(p.x() / cap, -p.y() / cap);
        if (poly.front() != poly.back())
            g.points.emplace_back(poly.front().x() / cap, -poly.front().y() / cap);
        g.ends.push_back(static_cast<std::uint32_t>(g.points.size()));
    }
    g.outline = true;
    return g;
}

namespace {

std::unordered_map<std::string, std::unique_ptr<DxfFont>>& Registry() {
    static std::unordered_map<std::string, std::unique_ptr<DxfFont>> fonts;
    return fonts;
}

DxfFont& StrokeFont(const char* jhf) {
    auto& slot = Registry()[std::string("s:") + jhf];
    if (!slot) slot = DxfFont::Stroke(jhf);
    return *slot;
}

const char* StrokeFor(const std::string& base) {
    for (const StrokeName& n : kStrokeNames)
        if (base == n.cad) return n.jhf;
    return kPlainStroke;
}

// Names of single-stroke fonts used as families (\\f in MTEXT).
bool IsStrokeName(const std::string& lower) {
    for (const StrokeName& n : kStrokeNames)
        if (lower == n.cad) return true;
    for (const char* n : {"txt", "simplex", "romans", "isocp", "isoct", "monotxt", "standard"})
        if (lower == n) return true;
    return false;
}

} // namespace

namespace {
DxfFont& FontForFile(std::string_view fontFile);
} // namespace

DxfFont& DxfFontForFamily(std::string_view family, bool bold, bool italic) {
    std::string name(family);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.empty() || !HaveOutlines() || IsStrokeName(Lower(name)))
        return StrokeFont(StrokeFor(Lower(name)));
    auto& slot = Registry()["o:" + Lower(name) + (bold ? "|b" : "") + (italic ? "|i" : "")];
    if (!slot) slot = DxfFont::Outline(name, bold, italic);
    return *slot;
}

DxfFont& DxfFontForFile(std::string_view fontFile) {
    // Most texts of a drawing share a style: the last answer is kept.
    static std::string lastFile;
    static DxfFont* lastFont = nullptr;
    if (lastFont && fontFile == lastFile) return *lastFont;
    lastFile = fontFile;
    lastFont = &FontForFile(fontFile);
    return *lastFont;
}

namespace {

DxfFont& FontForFile(std::string_view fontFile) {
    std::string base, ext;
    SplitFileName(fontFile, base, ext);
    const bool trueType = ext == "ttf" || ext == "ttc" || ext == "otf" || ext == "pfb";
    for (const OutlineName& n : kOutlineNames)
        if (base == n.file && (trueType || ext.empty())) return DxfFontForFamily(n.family, n.bold, n.italic);
    if (trueType) {
        // An unknown file: its name is the best guess at its family.
        std::string family(fontFile.substr(0, 0));
        const std::size_t slash = fontFile.find_last_of("/\\");
        const std::string_view file = slash == std::string_view::npos ? fontFile : fontFile.substr(slash + 1);
        return DxfFontForFamily(file.substr(0, file.rfind('.')), false, false);
    }
    return StrokeFont(StrokeFor(base));
}

} // namespace
