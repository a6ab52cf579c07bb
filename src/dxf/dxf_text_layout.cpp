// Laying out TEXT and MTEXT as figures in world units (dxf_text.h).
#include "dxf/dxf_codepage.h"
#include "dxf/dxf_mtext.h"
#include "dxf/dxf_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

namespace {

constexpr double kDegToRad = 3.1415926535 / 180.0;
// MTEXT lines follow each other at this many times their height.
constexpr double kLinePitch = 5.0 / 3.0;
// Stacked text is drawn at this share of the height.
constexpr double kStackScale = 0.7;
// Oblique angles are kept below this (degrees): the tangent grows without
// bound towards 90.
constexpr double kMaxOblique = 85.0;

// Text-unit point (x along the baseline, y up, in drawing units) to world:
// rotation by (c, s) and the move to the origin.
struct Placement {
    double ox = 0, oy = 0, c = 1, s = 0;
    QPointF operator()(double x, double y) const { return {ox + x * c - y * s, oy + x * s + y * c}; }
};

// One glyph drawn at (x, baseline) with height h, width factor w and
// slant q (tangent of the oblique angle), mirrored by mx, my (±1).
void AddGlyph(DxfTextFigures& out, const DxfGlyph& g, const Placement& at, double x, double base, double h,
              double w, double q, int colour, long rgb, double mx = 1, double my = 1) {
    out.BeginGlyph();
    std::uint32_t start = 0;
    for (const std::uint32_t end : g.ends) {
        out.Add(end - start, g.outline, colour, rgb, [&](std::size_t i) {
            const QPointF& p = g.points[start + i];
            const double lx = (x + (p.x() + p.y() * q) * h * w) * mx, ly = (base + p.y() * h) * my;
            return at(lx, ly);
        });
        start = end;
    }
}

double Clean(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

} // namespace

const DXFSTYLE* DxfStyleById(const DXFDRAWING* d, DWORD id) {
    if (!d) return nullptr;
    // Text that names no style (or one not in the table) is in "Standard".
    const DXFSTYLE* standard = nullptr;
    for (DWORD i = 0; i < d->nStyles && i < DXF_MAX_STYLES; ++i) {
        if (id != 0 && d->styles[i].dwId == id) return &d->styles[i];
        if (!standard && strcasecmp(d->styles[i].szName, "Standard") == 0) standard = &d->styles[i];
    }
    return standard;
}

std::u32string DxfTextCharacters(const DXFDRAWING* d, std::string_view raw) {
    std::u32string text = DxfDecodeText(raw, d ? d->nCodePage : 0);
    if (text.find(U'%') == std::u32string::npos) return text;
    std::size_t o = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        if (const std::size_t n = DxfPercentCode(text, i, c)) {
            if (c) text[o++] = c;
            i += n;
            continue;
        }
        text[o++] = text[i++];
    }
    text.resize(o);
    return text;
}

namespace {

// A TEXT's one line: its characters and font, and where and how big its
// glyphs go: glyph point (px, py) of the character whose pen position is
// x (text units from x0) lands at at((x0 + x + (px + py·q)·h·w)·mx,
// (base + py·h)·my).
struct TextLine {
    DxfFont* font = nullptr;
    std::u32string chars;
    double h = 0, w = 1, q = 0, mx = 1, my = 1, x0 = 0, base = 0;
    Placement at;

    QPointF Map(double x, double px, double py) const {
        return at((x0 + x + (px + py * q) * h * w) * mx, (base + py * h) * my);
    }
};

bool PrepareText(const DXFDRAWING* d, const DXFTEXT& t, TextLine& line) {
    const DXFSTYLE* style = DxfStyleById(d, t.dwStyle);
    line.font = &DxfFontForFile(
        style ? std::string_view(style->szFontFile, strnlen(style->szFontFile, sizeof style->szFontFile))
              : "txt");
    double h = t.dHeight;
    if (!(h > 0) && style) h = style->dHeight > 0 ? style->dHeight : style->dLastHeight;
    double w = t.dWidthFactor;
    if (!(w > 0) && style && style->dWidthFactor > 0) w = style->dWidthFactor;
    if (!(w > 0)) w = 1;
    if (!(h > 0) || !std::isfinite(h) || !std::isfinite(w)) return false;
    line.chars = DxfTextCharacters(d, std::string_view(t.szText, strnlen(t.szText, sizeof t.szText)));
    if (line.chars.empty()) return false;
    // Natural width in cap heights.
    double natural = 0;
    for (const char32_t c : line.chars) natural += line.font->Glyph(c).advance;

    const int horz = t.wJustify & 0xFF, vert = t.wJustify >> 8;
    double angle = Clean(t.dRotation, 0) * kDegToRad;
    DXFCOORD anchor = t.ptInsert;
    double shiftX = 0, shiftY = 0; // in text units before scaling
    if ((horz == 3 || horz == 5) && natural > 0) {
        // Along the baseline from the insertion point to the alignment point.
        const double dx = t.ptAlign.x - t.ptInsert.x, dy = t.ptAlign.y - t.ptInsert.y;
        const double length = std::hypot(dx, dy);
        if (length > 0 && std::isfinite(length)) {
            angle = std::atan2(dy, dx);
            if (horz == 3)
                h = length / (natural * w);
            else
                w = length / (natural * h);
        }
    } else if (horz != 0 || vert != 0) {
        anchor = t.ptAlign;
        const double descent = line.font->Descent();
        shiftX = horz == 1 || horz == 4 ? -natural / 2 : horz == 2 ? -natural : 0;
        if (horz == 4)
            shiftY = (descent - 1) / 2;
        else
            shiftY = vert == 1 ? descent : vert == 2 ? -0.5 : vert == 3 ? -1.0 : 0;
    }
    const double oblique = std::clamp(Clean(t.dOblique, 0), -kMaxOblique, kMaxOblique);
    line.h = h;
    line.w = w;
    line.q = std::tan(oblique * kDegToRad);
    line.mx = (t.wGenFlags & 2) ? -1 : 1;
    line.my = (t.wGenFlags & 4) ? -1 : 1;
    line.at = {anchor.x, anchor.y, std::cos(angle), std::sin(angle)};
    line.x0 = shiftX * h * w;
    line.base = shiftY * h;
    return std::isfinite(line.h * line.w) && line.h * line.w > 0;
}

// The box of the line's glyph boxes, mapped.
bool TextLineBox(const TextLine& line, DXFBOX& box) {
    double left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY, x = 0;
    for (const char32_t c : line.chars) {
        const DxfGlyph& g = line.font->Glyph(c);
        if (!g.points.empty()) {
            left = std::min(left, x + g.inkLeft * line.h * line.w);
            right = std::max(right, x + g.inkRight * line.h * line.w);
            bottom = std::min(bottom, g.inkBottom);
            top = std::max(top, g.inkTop);
        }
        x += g.advance * line.h * line.w;
    }
    if (!(left <= right)) return false;
    // The box's corners in glyph terms: (x along the line, glyph y).
    bool first = true;
    for (const double gy : {bottom, top})
        for (const double lx : {left, right}) {
            const QPointF p = line.Map(lx, 0, gy);
            if (first) box = {p.y(), p.x(), p.y(), p.x()};
            first = false;
            box.minX = std::min(box.minX, p.x());
            box.maxX = std::max(box.maxX, p.x());
            box.minY = std::min(box.minY, p.y());
            box.maxY = std::max(box.maxY, p.y());
        }
    return true;
}

} // namespace

bool DxfLayoutText(const DXFDRAWING* d, const DXFTEXT& t, DxfTextFigures& out) {
    TextLine line;
    if (!PrepareText(d, t, line)) return false;
    double x = 0;
    for (const char32_t c : line.chars) {
        const DxfGlyph& g = line.font->Glyph(c);
        out.BeginGlyph();
        std::uint32_t start = 0;
        for (const std::uint32_t end : g.ends) {
            out.Add(end - start, g.outline, -1, -1, [&](std::size_t i) {
                const QPointF& p = g.points[start + i];
                return line.Map(x, p.x(), p.y());
            });
            start = end;
        }
        x += g.advance * line.h * line.w;
    }
    return !out.figures.empty();
}

namespace {

// A character or stacked text placed on an MTEXT line.
struct Placed {
    const DxfMTextItem* item;
    double x;       // from the line's start
    double advance; // drawing units
};

struct Line {
    std::vector<Placed> items;
    double width = 0;
    double height = 0; // tallest character
};

double StackWidth(const DxfMTextItem& it) {
    const DxfMTextFormat& f = it.format;
    auto width = [&](const std::u32string& s) {
        double a = 0;
        for (const char32_t c : s) a += f.font->Glyph(c).advance;
        return a * f.height * kStackScale * f.width;
    };
    const double up = width(it.up), down = width(it.down);
    return it.c == U'#' ? up + down + f.font->Glyph(U'/').advance * f.height * kStackScale * f.width
                        : std::max(up, down);
}

double Advance(const DxfMTextItem& it) {
    const DxfMTextFormat& f = it.format;
    switch (it.kind) {
    case DxfMTextItem::Char:
        return f.font->Glyph(it.c).advance * f.height * f.width * f.tracking;
    case DxfMTextItem::Space:
        return f.font->Glyph(U' ').advance * f.height * f.width * f.tracking;
    case DxfMTextItem::Stack:
        return StackWidth(it);
    default:
        return 0;
    }
}

// Draws a stacked item at x on the baseline.
void AddStack(DxfTextFigures& out, const DxfMTextItem& it, const Placement& at, double x, double base) {
    const DxfMTextFormat& f = it.format;
    const double h = f.height * kStackScale, q = std::tan(f.oblique * kDegToRad), total = StackWidth(it);
    auto run = [&](const std::u32string& s, double x0, double y) {
        for (const char32_t c : s) {
            const DxfGlyph& g = f.font->Glyph(c);
            AddGlyph(out, g, at, x0, y, h, f.width, q, f.colour, f.rgb);
            x0 += g.advance * h * f.width;
        }
    };
    auto width = [&](const std::u32string& s) {
        double a = 0;
        for (const char32_t c : s) a += f.font->Glyph(c).advance;
        return a * h * f.width;
    };
    if (it.c == U'#') {
        const double up = width(it.up);
        run(it.up, x, base + f.height * 0.45);
        const DxfGlyph& slash = f.font->Glyph(U'/');
        AddGlyph(out, slash, at, x + up, base, f.height, f.width * kStackScale, q, f.colour, f.rgb);
        run(it.down, x + up + slash.advance * h * f.width, base);
        return;
    }
    run(it.up, x + (total - width(it.up)) / 2, base + f.height * 0.45);
    run(it.down, x + (total - width(it.down)) / 2, base - f.height * 0.45);
    if (it.c == U'/') {
        const double y = base + f.height * 0.33;
        out.Add(2, false, f.colour, f.rgb, [&](std::size_t i) { return at(x + (i ? total : 0), y); });
    }
}

} // namespace

bool DxfLayoutMText(const DXFDRAWING* d, const DXFMTEXT& t, DxfTextFigures& out) {
    if (!t.pszText || !t.pszText[0]) return false;
    const DXFSTYLE* style = DxfStyleById(d, t.dwStyle);
    DxfMTextFormat base;
    base.font = &DxfFontForFile(
        style ? std::string_view(style->szFontFile, strnlen(style->szFontFile, sizeof style->szFontFile))
              : "txt");
    base.height = t.dHeight > 0 ? t.dHeight : style && style->dHeight > 0 ? style->dHeight : 2.5;
    if (style && style->dWidthFactor > 0) base.width = style->dWidthFactor;
    if (style && std::isfinite(style->dOblique) && std::fabs(style->dOblique) < kMaxOblique)
        base.oblique = style->dOblique;
    if (!std::isfinite(base.height) || !(base.height < 1e12)) return false;
    const std::u32string chars = DxfDecodeText(t.pszText, d ? d->nCodePage : 0);
    const std::vector<DxfMTextItem> items = DxfParseMText(chars, base);

    // Lines: words go on the line while they fit the reference width.
    const double limit = t.dRefWidth > 0 && std::isfinite(t.dRefWidth) ? t.dRefWidth : 0;
    std::vector<Line> lines(1);
    std::vector<int> lineAlign{base.align};
    std::vector<Placed> word;
    double wordWidth = 0, spaces = 0; // the word and the spaces before it
    auto flushWord = [&] {
        Line& line = lines.back();
        if (limit > 0 && !line.items.empty() && !word.empty() && line.width + spaces + wordWidth > limit) {
            lines.emplace_back();
            lineAlign.push_back(word.front().item->format.align);
            spaces = 0;
        }
        Line& target = lines.back();
        const double x0 = target.width + spaces;
        for (Placed p : word) {
            p.x += x0;
            target.items.push_back(p);
            target.height = std::max(target.height, p.item->format.height);
        }
        target.width = x0 + wordWidth;
        word.clear();
        wordWidth = spaces = 0;
    };
    for (const DxfMTextItem& it : items) {
        switch (it.kind) {
        case DxfMTextItem::Char:
        case DxfMTextItem::Stack: {
            const double a = Advance(it);
            word.push_back({&it, wordWidth, a});
            wordWidth += a;
            break;
        }
        case DxfMTextItem::Space:
            flushWord();
            spaces += Advance(it);
            break;
        case DxfMTextItem::Tab: {
            flushWord();
            const double stop = 4 * it.format.height;
            const double at = lines.back().width + spaces;
            spaces += (std::floor(at / stop) + 1) * stop - at;
            break;
        }
        case DxfMTextItem::Paragraph:
            flushWord();
            if (lines.back().height == 0) lines.back().height = it.format.height;
            lines.emplace_back();
            lineAlign.push_back(it.format.align);
            spaces = 0;
            break;
        }
        if (lineAlign.back() < 0 && it.format.align >= 0) lineAlign.back() = it.format.align;
    }
    flushWord();
    if (lines.back().height == 0) lines.back().height = base.height;

    // Baselines from the top, the box and the attachment.
    const double spacing = t.dLineSpacing > 0 && t.dLineSpacing < 100 ? t.dLineSpacing : 1.0;
    std::vector<double> baselines;
    double y = 0, boxWidth = limit;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const double h = lines[i].height > 0 ? lines[i].height : base.height;
        y -= i == 0 ? h : kLinePitch * spacing * std::max(h, lines[i - 1].height);
        baselines.push_back(y);
        if (limit <= 0) boxWidth = std::max(boxWidth, lines[i].width);
    }
    const int attach = t.nAttach >= 1 && t.nAttach <= 9 ? t.nAttach : 1;
    const int col = (attach - 1) % 3, row = (attach - 1) / 3;
    const double shiftY = row == 0 ? 0 : row == 1 ? -y / 2 : -y;
    double angle = Clean(t.dRotation, 0) * kDegToRad;
    if (t.ptDirection.x != 0 || t.ptDirection.y != 0) angle = std::atan2(t.ptDirection.y, t.ptDirection.x);
    if (!std::isfinite(angle)) angle = 0;
    const Placement at{t.ptInsert.x, t.ptInsert.y, std::cos(angle), std::sin(angle)};
    const double boxLeft = -boxWidth * col / 2;

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const int align = lineAlign[i] >= 0 ? lineAlign[i] : col;
        const double x0 = boxLeft + (boxWidth - line.width) * align / 2;
        const double b = baselines[i] + shiftY;
        for (const Placed& p : line.items) {
            const DxfMTextItem& it = *p.item;
            const DxfMTextFormat& f = it.format;
            const double x = x0 + p.x;
            if (it.kind == DxfMTextItem::Stack) {
                AddStack(out, it, at, x, b);
            } else {
                const double q = std::tan(f.oblique * kDegToRad);
                AddGlyph(out, f.font->Glyph(it.c), at, x, b, f.height, f.width, q, f.colour, f.rgb);
            }
            // Under-, over- and strike-through lines under this character.
            for (const auto& line :
                 {std::pair{f.underline, -0.2}, std::pair{f.overline, 1.2}, std::pair{f.strike, 0.5}}) {
                const double ly = b + line.second * f.height;
                if (line.first)
                    out.Add(2, false, f.colour, f.rgb,
                            [&](std::size_t k) { return at(x + (k ? p.advance : 0), ly); });
            }
        }
    }
    return !out.figures.empty();
}

bool DxfTextBox(const DXFDRAWING* d, WORD wType, const void* pData, DXFBOX& box) {
    if (wType == DXF_TEXT) {
        TextLine line;
        return PrepareText(d, *static_cast<const DXFTEXT*>(pData), line) && TextLineBox(line, box);
    }
    DxfTextFigures f;
    const bool any = wType == DXF_TEXT    ? DxfLayoutText(d, *static_cast<const DXFTEXT*>(pData), f)
                     : wType == DXF_MTEXT ? DxfLayoutMText(d, *static_cast<const DXFMTEXT*>(pData), f)
                                          : false;
    if (!any || f.points.empty()) return false;
    box = {f.points[0].y(), f.points[0].x(), f.points[0].y(), f.points[0].x()};
    for (const QPointF& p : f.points) {
        box.minX = std::min(box.minX, p.x());
        box.maxX = std::max(box.maxX, p.x());
        box.minY = std::min(box.minY, p.y());
        box.maxY = std::max(box.maxY, p.y());
    }
    return true;
}

double DxfTextHeight(const DXFDRAWING* d, WORD wType, const void* pData) {
    if (wType == DXF_TEXT) {
        const auto& t = *static_cast<const DXFTEXT*>(pData);
        if ((t.wJustify & 0xFF) == 3) { // aligned: the height follows the length
            TextLine line;
            return PrepareText(d, t, line) ? line.h : 0.0;
        }
        const DXFSTYLE* style = DxfStyleById(d, t.dwStyle);
        double h = t.dHeight;
        if (!(h > 0) && style) h = style->dHeight > 0 ? style->dHeight : style->dLastHeight;
        return h > 0 ? h : 0.0;
    }
    if (wType == DXF_MTEXT) {
        const auto& t = *static_cast<const DXFMTEXT*>(pData);
        if (!t.pszText) return 0.0;
        // Height codes may make any part taller.
        if (std::strstr(t.pszText, "\\H")) return INFINITY;
        const DXFSTYLE* style = DxfStyleById(d, t.dwStyle);
        return t.dHeight > 0 ? t.dHeight : style && style->dHeight > 0 ? style->dHeight : 2.5;
    }
    return 0.0;
}
