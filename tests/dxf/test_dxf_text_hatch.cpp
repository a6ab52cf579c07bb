// TEXT and HATCH drawing: the font, placement by justification, the %%
// codes; hatch fills and pattern lines inside their boundary only.
#include "dxf_test_util.h"

#include <algorithm>
#include <array>
#include <climits>
#include <gtest/gtest.h>
#include <string>

namespace {

using dxftest::Drawing;
using dxftest::PaintAt;
using dxftest::Picture;

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

const std::string kTables = "0|SECTION|2|TABLES|0|TABLE|2|LTYPE|0|LTYPE|2|CONT|0|ENDTAB|"
                            "0|TABLE|2|LAYER|0|LAYER|2|GREEN|62|3|6|CONT|0|LAYER|2|OFF|62|-1|6|CONT|0|ENDTAB|"
                            "0|TABLE|2|STYLE|0|STYLE|2|NOTES|40|0|42|2.5|0|ENDTAB|0|ENDSEC|";

std::string Dxf(std::string_view entities, std::string_view blocks = {}) {
    return dxftest::Sections(kTables, blocks, entities);
}

// The box of the entity pixels.
struct Ink {
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN, count = 0;
};
Ink InkOf(const Picture& p) {
    Ink k;
    for (int y = 0; y < p.image.height(); ++y)
        for (int x = 0; x < p.image.width(); ++x)
            if (p.Ink(x, y)) {
                k.minX = std::min(k.minX, x);
                k.maxX = std::max(k.maxX, x);
                k.minY = std::min(k.minY, y);
                k.maxY = std::max(k.maxY, y);
                ++k.count;
            }
    return k;
}

// Text at 10 pixels a unit, 2 units (20 pixels) high in the stroke font:
// the ink boxes of each construct, relative to the points that place it.
Ink TextInk(std::string_view entity, int w = 240, int h = 160) {
    Drawing d(Dxf(entity));
    return InkOf(PaintAt(d, w, h, 10));
}

TEST(DxfText, EachJustificationPutsItsReferenceOnTheAlignmentPoint) {
    // "HH" at (12, 8) = pixel (120, 80); cap height 20 pixels, no
    // descenders, so "bottom" (the descender line) stays above the point.
    struct Case {
        int h72, v73;
        double refX; // 0 left edge, 0.5 centre, 1 right edge of the ink
        int y;       // which ink edge or middle sits on y = 80: 0 bottom, 1 middle, 2 top
    };
    const Case cases[] = {{0, 0, 0, 0}, {1, 0, 0.5, 0}, {2, 0, 1, 0},   {0, 2, 0, 1}, {1, 2, 0.5, 1},
                          {2, 2, 1, 1}, {0, 3, 0, 2},   {1, 3, 0.5, 2}, {2, 3, 1, 2}, {4, 0, 0.5, 1}};
    for (const Case& c : cases) {
        const std::string e = "0|TEXT|62|1|10|" + std::string(c.h72 || c.v73 ? "0|20|0" : "12|20|8") +
                              "|11|12|21|8|40|2|72|" + std::to_string(c.h72) + "|73|" +
                              std::to_string(c.v73) + "|1|HH";
        const Ink k = TextInk(e);
        ASSERT_GT(k.count, 20) << c.h72 << "/" << c.v73;
        // The ink stands inside the glyphs' advance by their side bearings.
        EXPECT_NEAR(k.minX + (k.maxX - k.minX) * c.refX, 120, 4.5) << c.h72 << "/" << c.v73;
        EXPECT_NEAR(k.maxY - k.minY, 20, 2);
        const double y = c.y == 0 ? k.maxY : c.y == 2 ? k.minY : (k.minY + k.maxY) / 2.0;
        // 72 = 4 centres cap line and descender line: the cap's middle
        // is half a descent (a third of the height) higher.
        EXPECT_NEAR(y, c.h72 == 4 ? 80 - 20 / 6.0 : 80, 2) << c.h72 << "/" << c.v73;
    }
    // Bottom: the descender line (a third of the height) on the point.
    const Ink b = TextInk("0|TEXT|62|1|11|12|21|8|40|3|72|0|73|1|1|HH");
    EXPECT_NEAR(b.maxY, 80 - 10, 2);
}

TEST(DxfText, AlignedAndFitRunBetweenTheirPoints) {
    // From (2, 8) to (20, 8): 180 pixels long either way; aligned text keeps
    // its proportions, fit text keeps its height of 20 pixels.
    const Ink a = TextInk("0|TEXT|62|1|10|2|20|8|11|20|21|8|40|2|72|3|1|HH");
    const Ink f = TextInk("0|TEXT|62|1|10|2|20|8|11|20|21|8|40|2|72|5|1|HH");
    for (const Ink& k : {a, f}) {
        EXPECT_GE(k.minX, 20);
        EXPECT_LE(k.maxX, 200);
        EXPECT_NEAR(k.minX - 20, 200 - k.maxX, 2); // the side bearings of H
        EXPECT_GT(k.maxX - k.minX, 140);
        EXPECT_NEAR(k.maxY, 80, 1);
    }
    EXPECT_GT(a.maxY - a.minY, 60);
    EXPECT_NEAR(f.maxY - f.minY, 20, 2);
    // Aligned along a slope: the text turns with it.
    const Ink s = TextInk("0|TEXT|62|1|10|6|20|2|11|18|21|14|40|2|72|3|1|HH");
    EXPECT_GE(s.maxX, 150);
    EXPECT_LT(s.minY, 40);
}

TEST(DxfText, WidthObliqueMirrorsRotationAndStyleHeight) {
    const Ink plain = TextInk("0|TEXT|62|1|10|2|20|8|40|2|1|HH");
    const Ink wide = TextInk("0|TEXT|62|1|10|2|20|8|40|2|41|2|1|HH");
    EXPECT_NEAR(wide.maxX - wide.minX, 2 * (plain.maxX - plain.minX), 3);
    // Slanted 45°: the tops move right by the height.
    const Ink slant = TextInk("0|TEXT|62|1|10|2|20|8|40|2|51|45|1|HH");
    EXPECT_NEAR(slant.maxX - slant.minX, plain.maxX - plain.minX + 20, 3);
    // Backwards runs left of the insertion point, upside down hangs below.
    const Ink back = TextInk("0|TEXT|62|1|10|12|20|8|40|2|71|2|1|HH");
    EXPECT_LE(back.maxX, 121);
    EXPECT_GT(back.minX, 60);
    const Ink down = TextInk("0|TEXT|62|1|10|12|20|8|40|2|71|4|1|HH");
    EXPECT_GE(down.minY, 79);
    EXPECT_NEAR(down.maxY, 100, 2);
    // Turned by 90 degrees, the text runs upwards from its point.
    const Ink up = TextInk("0|TEXT|62|1|10|12|20|2|40|2|50|90|1|HHHH");
    EXPECT_GT(up.maxY - up.minY, 2 * (up.maxX - up.minX));
    EXPECT_NEAR(up.maxY, 140, 5);
    // Height 0 takes the style's last height, 2.5 units = 25 pixels.
    const Ink styled = TextInk("0|TEXT|62|1|7|NOTES|10|1|20|1|40|0|1|HH");
    EXPECT_NEAR(styled.maxY - styled.minY, 25, 2);
}

TEST(DxfText, TooSmallOrOnALayerThatIsOffDrawsNothing) {
    Drawing tiny(Dxf("0|TEXT|62|1|10|1|20|1|40|0.05|1|HH"));
    const Picture t = PaintAt(tiny, 50, 50, 10);
    EXPECT_EQ(t.Drawn(), 0);
    EXPECT_TRUE(t.outline.empty());
    EXPECT_EQ(TextInk("0|TEXT|8|OFF|10|1|20|1|40|2|1|HH").count, 0);
}

TEST(DxfText, StrokesReachTheOutlineAndTheExtents) {
    // "L": two strokes, in the outline as drawn.
    Drawing d(Dxf("0|TEXT|62|1|10|2|20|2|40|2|1|L"));
    const Picture p = PaintAt(d, 100, 100, 10);
    const auto figures = p.Figures();
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].size() + figures[1].size(), 4u);
    DXFBOX box;
    ASSERT_TRUE(DxfGetExtents(d.h, &box));
    EXPECT_NEAR(box.minY, 2, 1e-9);
    EXPECT_NEAR(box.maxY, 4, 1e-9);
    EXPECT_NEAR(box.minX, 2 + 4.0 / 21 * 2, 1e-6); // the stroke, not the glyph's edge
}

TEST(DxfText, CharacterSetsAndEscapesDrawTheSameGlyph) {
    // Cyrillic А as a byte of code page 1251, as \U+0410, and as UTF-8 in
    // an R2007 file; the same byte in code page 1252 is À.
    auto ink = [](std::string_view header, std::string_view text) {
        Drawing d(dxftest::Lines("0|SECTION|2|HEADER|" + std::string(header) + "0|ENDSEC") +
                  Dxf("0|TEXT|62|1|10|2|20|2|40|2|1|" + std::string(text)));
        return PaintAt(d, 100, 80, 10).image;
    };
    const QImage cp1251 = ink("9|$DWGCODEPAGE|3|ANSI_1251|", "\xC0");
    EXPECT_EQ(cp1251, ink("", "\\U+0410"));
    EXPECT_EQ(cp1251, ink("9|$ACADVER|1|AC1021|", "\xD0\x90"));
    EXPECT_NE(cp1251, ink("9|$DWGCODEPAGE|3|ANSI_1252|", "\xC0"));
    EXPECT_EQ(ink("", "\xC0"), ink("", "\\U+00C0"));
    // %%d, %%c and %%p are drawn as their signs.
    EXPECT_EQ(ink("", "%%d%%c%%p"), ink("", "\\U+00B0\\U+00D8\\U+00B1"));
    EXPECT_EQ(ink("", "%%uA%%u%%%"), ink("", "A%"));
}

TEST(DxfText, AttributesDrawWhereTheySayUnlessInvisible) {
    // The block holds an ATTDEF, which an INSERT never draws; the INSERT's
    // ATTRIBs draw at their own points, the invisible one not at all.
    const std::string blocks = "0|BLOCK|2|B|70|2|10|0|20|0|0|LINE|62|1|10|0|20|0|11|1|21|0|"
                               "0|ATTDEF|62|1|10|0|20|3|40|2|1|DEF|2|TAG|0|ENDBLK";
    Drawing d(Dxf("0|INSERT|2|B|10|2|20|2|66|1|0|ATTRIB|62|1|10|8|20|8|40|2|1|VAL|2|TAG|70|0|"
                  "0|ATTRIB|62|1|10|2|20|12|40|2|1|HID|2|H2|70|1|0|SEQEND",
                  blocks));
    const Picture p = PaintAt(d, 240, 160, 10);
    // The line, and the value above it at (8, 8).
    EXPECT_EQ(p.DrawnWhere([](int, int y) { return y < 60 && y >= 30; }), 0); // nothing of the invisible one
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return y < 140 && y > 100 && x < 60; }), 0); // no ATTDEF
    const Ink k = InkOf(p);
    EXPECT_NEAR(k.minY, 60, 1);
    EXPECT_GT(k.maxX, 100);
    // An invisible INSERT hides its attributes too.
    Drawing hidden(
        Dxf("0|INSERT|2|B|60|1|10|2|20|2|66|1|0|ATTRIB|62|1|10|8|20|8|40|2|1|VAL|2|TAG|0|SEQEND", blocks));
    EXPECT_EQ(PaintAt(hidden, 240, 160, 10).Drawn(), 0);
}

TEST(DxfText, TrueTypeTextIsFilledAndTheStyleStandardIsTheDefault) {
    // "Standard" names a TrueType face: the text without a style of its own
    // takes it, and its glyphs are filled: far more ink than the outline.
    const std::string tables =
        "0|SECTION|2|TABLES|0|TABLE|2|STYLE|0|STYLE|2|Standard|3|arial.ttf|0|ENDTAB|0|ENDSEC|";
    Drawing d(dxftest::Sections(tables, {}, "0|TEXT|62|1|10|2|20|2|40|5|1|HO"));
    const Picture p = PaintAt(d, 240, 160, 10);
    const Ink k = InkOf(p);
    EXPECT_NEAR(k.maxY - k.minY, 50, 3);
    EXPECT_GT(k.count, 1500);                                 // filled strokes of about 6 pixels
    EXPECT_TRUE(p.Background((k.minX + k.maxX * 3) / 4, 45)); // the hole of the O
    EXPECT_GE(p.Figures().size(), 3u);                        // H, and the O's two contours
}

// MTEXT at (2, 14) = pixel (20, 20), height 2 units.
Ink MTextInk(std::string_view codes, std::string_view more = {}) {
    return TextInk("0|MTEXT|62|1|10|2|20|14|40|2|" + std::string(more) + "1|" + std::string(codes));
}

TEST(DxfMText, CodesChangeTheLayout) {
    const Ink one = MTextInk("HH");
    EXPECT_NEAR(one.minY, 20, 1); // attached at its top left
    EXPECT_NEAR(one.minX, 21, 2);
    EXPECT_NEAR(one.maxY - one.minY, 20, 2);
    // \P: a second line 5/3 of the height lower.
    const Ink two = MTextInk("HH\\PHH");
    EXPECT_NEAR(two.maxY - one.maxY, 33, 2);
    // Height codes, absolute and relative, inside a group.
    EXPECT_NEAR(MTextInk("{\\H4;HH}").maxY - 20, 40, 2);
    EXPECT_NEAR(MTextInk("{\\H1.5x;HH}").maxY - 20, 30, 2);
    EXPECT_NEAR(MTextInk("{\\H2x;H}H").maxY - 20, 40, 2);
    // Width factor stretches.
    EXPECT_NEAR(MTextInk("\\W2;HH").maxX - 20, 2 * (one.maxX - 20), 4);
    // A stacked fraction reaches above and below the line's middle.
    const Ink frac = MTextInk("1\\S1/2;");
    EXPECT_GT(frac.maxY, 20 + 22);
    // Escaped braces and backslashes are text; \~ keeps words together.
    EXPECT_GT(MTextInk("\\{\\}\\\\").count, 10);
    // A colour code draws in that colour.
    Drawing red(Dxf("0|MTEXT|62|5|10|2|20|14|40|2|1|{\\C1;HH}"));
    const Picture rp = PaintAt(red, 240, 160, 10);
    EXPECT_GT(rp.DrawnWhere([&](int x, int y) { return rp.At(x, y) == kRed; }), 10);
    EXPECT_EQ(rp.DrawnWhere([&](int x, int y) { return rp.At(x, y) == kBlue; }), 0);
}

TEST(DxfMText, WrapsAtTheReferenceWidthAndAttaches) {
    // Three words of 6.3 units with spaces of 1.5 in 15 units: two lines;
    // with 41 = 0 one line. The text comes in a 3 chunk and a 1.
    const Ink wrapped = TextInk("0|MTEXT|62|1|10|2|20|14|40|2|41|15|3|HHH HH|1|H HHH");
    const Ink flat = TextInk("0|MTEXT|62|1|10|2|20|14|40|2|3|HHH HH|1|H HHH");
    EXPECT_NEAR(flat.maxY - flat.minY, 20, 2);
    EXPECT_GT(flat.maxX, 20 + 180);
    EXPECT_NEAR(wrapped.maxY - wrapped.minY, 20 + 33, 3);
    EXPECT_LE(wrapped.maxX, 20 + 150);
    // Attachment 5 (middle centre) centres the text on its point (12, 8).
    const Ink mid = TextInk("0|MTEXT|62|1|10|12|20|8|40|2|71|5|1|HH\\PHH");
    EXPECT_NEAR((mid.minX + mid.maxX) / 2.0, 120, 2);
    EXPECT_NEAR((mid.minY + mid.maxY) / 2.0, 80, 2);
    // Attachment 9 (bottom right), turned by its direction vector (0, 1).
    const Ink br = TextInk("0|MTEXT|62|1|10|12|20|8|11|0|21|1|40|2|71|9|1|HH");
    EXPECT_NEAR(br.minY, 80, 5);
    EXPECT_NEAR(br.maxX, 120, 2);
    EXPECT_GT(br.maxY - br.minY, br.maxX - br.minX);
}

TEST(DxfHatch, SolidFillCoversItsPathsAndGivesThemToTheOutline) {
    // Blue of its own on the green layer, then one in the layer's colour.
    Drawing d(Dxf("0|HATCH|8|GREEN|62|5|70|1|91|1|92|2|93|4|10|2|20|2|10|6|20|2|10|6|20|6|10|2|20|6|"
                  "0|HATCH|8|GREEN|70|1|91|1|92|7|93|3|10|7|20|2|10|9|20|2|10|9|20|4"));
    const Picture p = PaintAt(d, 100, 100, 10);
    EXPECT_EQ(p.At(40, 60), kBlue);
    EXPECT_EQ(p.At(21, 79), kBlue);
    EXPECT_EQ(p.At(85, 75), RGB(0, 255, 0));
    EXPECT_TRUE(p.Background(10, 60));
    EXPECT_TRUE(p.Background(40, 85));
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x < 20 || y < 40 || y > 80 || (x > 60 && x < 70); }), 0);
    EXPECT_NEAR(p.DrawnWhere([](int x, int) { return x <= 60; }), 1600, 100);
    // The outline: each path once round.
    const auto figures = p.Figures();
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].size(), 5u);
}

TEST(DxfHatch, IslandsByStyleAndPathsWithArcs) {
    // Squares inside each other: 1 .. 9, 3 .. 7 and 4.5 .. 5.5.
    auto square = [](double lo, double hi) {
        auto n = [](double v) { return std::to_string(v); };
        return "92|2|93|4|10|" + n(lo) + "|20|" + n(lo) + "|10|" + n(hi) + "|20|" + n(lo) + "|10|" + n(hi) +
               "|20|" + n(hi) + "|10|" + n(lo) + "|20|" + n(hi) + "|97|0|";
    };
    const std::string paths = "91|3|" + square(1, 9) + square(3, 7) + square(4.5, 5.5);
    // Odd parity fills the ring and the innermost square, outermost the
    // ring only, ignore the whole outer square.
    const std::pair<int, std::array<bool, 3>> styles[] = {
        {0, {true, false, true}}, {1, {true, false, false}}, {2, {true, true, true}}};
    for (const auto& [style, filled] : styles) {
        Drawing d(Dxf("0|HATCH|62|5|70|1|" + paths + "75|" + std::to_string(style)));
        const Picture p = PaintAt(d, 100, 100, 10);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(p.At(std::array{20, 40, 50}[i], 50) == kBlue, filled[i]) << style << i;
    }

    // A path of a half circle: from (2, 5) to (8, 5) by a bulge of -1
    // (clockwise, over the top), closed by the straight piece.
    Drawing arc(Dxf("0|HATCH|62|5|70|1|91|1|92|2|72|1|93|2|10|2|20|5|42|-1|10|8|20|5"));
    const Picture a = PaintAt(arc, 100, 100, 10);
    EXPECT_EQ(a.At(50, 25), kBlue); // (5, 7.5), under the top of the arc
    EXPECT_TRUE(a.Background(50, 55));
    EXPECT_TRUE(a.Background(25, 25)); // beyond the arc
}

TEST(DxfHatch, PatternLinesStayInsideTheBoundaryInPictureAndOutline) {
    // Horizontal lines one unit apart through (0, 0), across a triangle.
    Drawing d(Dxf("0|HATCH|62|1|70|0|91|1|92|2|93|3|10|1|20|1|10|9|20|1|10|1|20|9|"
                  "78|1|53|0|43|0|44|0|45|0|46|1|79|0"));
    const Picture p = PaintAt(d, 100, 100, 10);
    // y = 3: pixels from x = 1 to x = 7 (the hypotenuse), row 70.
    EXPECT_EQ(p.At(15, 70), kRed);
    EXPECT_EQ(p.At(65, 70), kRed);
    EXPECT_TRUE(p.Background(75, 70));
    EXPECT_TRUE(p.Background(5, 70));
    EXPECT_TRUE(p.Background(30, 65)); // between two lines
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x + (100 - y) > 102 || x < 9 || y > 91; }), 0);

    const auto figures = p.Figures();
    ASSERT_GE(figures.size(), 6u);
    for (const auto& f : figures) {
        ASSERT_EQ(f.size(), 2u);
        for (const _tagREALPT2& q : f) {
            EXPECT_GE(q.x, 9.0f);
            EXPECT_LE(q.x + (100 - q.y), 101.0f) << q.x << "," << q.y;
        }
    }
}

TEST(DxfHatch, DashedPatternLinesAlternateFromTheBasePoint) {
    Drawing d(Dxf("0|HATCH|62|1|70|0|91|1|92|2|93|4|10|1|20|1|10|9|20|1|10|9|20|5|10|1|20|5|"
                  "78|1|53|0|43|0|44|0|45|0|46|1|79|2|49|0.5|49|-0.5"));
    const Picture p = PaintAt(d, 100, 100, 10);
    // On y = 3 (row 70): dashes over [k, k + 0.5].
    for (int k = 2; k <= 7; ++k) {
        EXPECT_EQ(p.At(10 * k + 2, 70), kRed) << k;
        EXPECT_TRUE(p.Background(10 * k + 7, 70)) << k;
    }
}

TEST(DxfHatch, HatchesThatCannotBeDrawnDrawNothing) {
    // An offset along the lines' own direction, a path of one vertex, an
    // edge path without edges, and no path.
    Drawing d(Dxf("0|HATCH|62|1|70|0|92|2|93|4|10|1|20|1|10|9|20|1|10|9|20|5|10|1|20|5|"
                  "78|1|53|0|43|0|44|0|45|1|46|0|79|0|"
                  "0|HATCH|62|1|70|1|92|2|93|2|10|1|20|1|"
                  "0|HATCH|62|1|70|1|92|1|93|4|10|1|20|1|10|9|20|1|10|9|20|5|10|1|20|5|"
                  "0|HATCH|62|1|70|1|91|0"));
    ASSERT_EQ(d.List().size(), 4u);
    const Picture p = PaintAt(d, 100, 100, 10);
    EXPECT_EQ(p.Drawn(), 0);
    EXPECT_TRUE(p.outline.empty());
}

TEST(DxfHatch, TinyOffsetsAndHugeBoxesStayBounded) {
    Drawing d(Dxf("0|HATCH|62|1|70|0|92|2|93|4|10|-1e9|20|-1e9|10|1e9|20|-1e9|10|1e9|20|1e9|10|-1e9|20|1e9|"
                  "78|1|53|30|43|0|44|0|45|0|46|0.10001|79|2|49|0.0001|49|-0.0001|"
                  "0|HATCH|62|3|70|0|92|2|93|3|10|1|20|1|10|5|20|1|10|1|20|5|78|1|53|45|43|0|44|0|45|-1e-9|"
                  "46|1e-9|79|0"));
    const Picture p = PaintAt(d, 80, 60, 10);
    EXPECT_GT(p.Drawn(), 1000); // lines this close fill the view
    EXPECT_LT(p.outline.size(), 5000000u);
}

TEST(DxfHatch, HatchInARotatedInsertTurnsWithIt) {
    // A 4 × 1 bar filled in blue, inserted at (5, 1) turned by 90 degrees:
    // it covers x 4 .. 5, y 1 .. 5.
    const std::string block =
        "0|BLOCK|2|BAR|0|HATCH|62|5|70|1|92|2|93|4|10|0|20|0|10|4|20|0|10|4|20|1|10|0|20|1|0|ENDBLK";
    Drawing d(Dxf("0|INSERT|2|BAR|10|5|20|1|50|90", block));
    const Picture p = PaintAt(d, 100, 100, 10);
    EXPECT_EQ(p.At(45, 70), kBlue);
    EXPECT_TRUE(p.Background(70, 95));
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x < 39 || x > 51 || y < 49 || y > 91; }), 0);
}

TEST(DxfHatch, SplineEdgeBoundary) {
    // One spline edge (72 = 4): a closed quadratic through a square's
    // corners, filled.
    Drawing d(Dxf("0|HATCH|62|5|70|1|91|1|92|0|93|1|72|4|94|2|95|8|96|5|"
                  "40|0|40|0|40|0|40|0.33|40|0.66|40|1|40|1|40|1|"
                  "10|1|20|5|10|1|20|1|10|9|20|1|10|9|20|9|10|1|20|9"));
    const Picture p = PaintAt(d, 100, 100, 10);
    EXPECT_GT(p.Drawn(), 500);
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x < 9 || x > 91 || y < 9 || y > 91; }), 0);
}

} // namespace
