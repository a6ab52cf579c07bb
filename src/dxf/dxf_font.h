// Fonts for DXF text.
//
// A STYLE names a font file: a CAD single-stroke font ("txt", "simplex",
// "romans.shx", "isocp.shx", ...) or a TrueType file ("arial.ttf"). The
// single-stroke fonts are drawn with the Hershey fonts built into the core
// (cmake/hershey.cmake), whose strokes a quilting machine can stitch as
// they are; TrueType names go to the installed face that fontconfig picks
// for the family, whose glyph outlines are closed contours. A character the
// stroke font lacks is composed (accents, °, ±, Ø) or taken from an outline
// face.
//
// Glyphs are in text units: cap height 1, baseline at y = 0, y up, the pen
// starting at x = 0; each font is read once and its glyphs kept for the
// life of the process, so one glyph serves every size.
#pragma once

#include <QPointF>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One embedded stroke font: its name and the text of its .jhf file.
struct DxfStrokeFontSource {
    const char* name;
    const char* jhf;
};
extern const DxfStrokeFontSource kDxfStrokeFonts[];
extern const std::size_t kDxfStrokeFontCount;

struct DxfGlyph {
    double advance = 0;
    // Figures: points [ends[i-1], ends[i]) form figure i.
    std::vector<QPointF> points;
    std::vector<std::uint32_t> ends;
    // Closed contours of an outline glyph, filled by the non-zero rule.
    bool outline = false;
    // The box of the points (all 0 for a glyph without any).
    double inkLeft = 0, inkRight = 0, inkBottom = 0, inkTop = 0;
};

class DxfFont {
public:
    // A stroke font from the embedded table (by its .jhf name), or an
    // outline face of that family; see DxfFontForFile.
    static std::unique_ptr<DxfFont> Stroke(std::string_view jhfName);
    static std::unique_ptr<DxfFont> Outline(const std::string& family, bool bold, bool italic);

    const DxfGlyph& Glyph(char32_t c);
    // Below the baseline, in cap heights (positive).
    double Descent() const { return m_descent; }
    bool IsStroke() const { return m_stroke; }

private:
    DxfFont() = default;
    bool LoadStroke(std::string_view jhf);
    DxfGlyph Compose(char32_t c);
    DxfGlyph FromOutline(char32_t c);

    bool m_stroke = false;
    double m_descent = 1.0 / 3.0;
    std::vector<DxfGlyph> m_ascii; // stroke glyphs of 32..126
    std::string m_family;          // outline face (the fallback of a stroke font)
    bool m_bold = false, m_italic = false;
    std::unordered_map<char32_t, DxfGlyph> m_other;
};

// The font for a STYLE's font file (3) — a path, a name with or without
// extension, any case — or for an MTEXT font switch (\f family, \F file).
// Never null: unknown single-stroke names take the plain stroke font,
// unknown TrueType names the face fontconfig substitutes.
DxfFont& DxfFontForFile(std::string_view fontFile);
DxfFont& DxfFontForFamily(std::string_view family, bool bold, bool italic);
