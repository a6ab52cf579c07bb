// TEXT and HATCH drawing: the font, placement by justification, the %%
// codes; hatch fills and pattern lines inside their boundary only.
#include "dxf_test_util.h"

#include <QFont>
#include <QFontInfo>
#include <algorithm>
#include <climits>
#include <cstring>
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

// The extent of text as DxfDrawText measures it: its font at height h.
CSize Extent(const char* text, int h) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    LOGFONT lf;
    lf.lfHeight = -h;
    lf.lfWidth = h / 2;
    std::strcpy(lf.lfFaceName, "Times New Roman");
    CFont font;
    font.CreateFontIndirect(lf);
    dc.SelectObject(&font);
    return dc.GetTextExtent(CString(text));
}

TEST(DxfText, TimesNewRomanComesAsItsMetricTwin) {
    const QFontInfo info(QFont("Times New Roman"));
    EXPECT_EQ(info.family(), "Liberation Serif");
}

TEST(DxfText, ControlCodesExpand) {
    char out[64];
    EXPECT_EQ(DxfExpandTextCodes("%%c50 %%d %%p0.1 %%uX%%u 100%", out), 17);
    EXPECT_STREQ(out, "\xD8"
                      "50 \xB0 \xB1"
                      "0.1 X 100%");
    DxfExpandTextCodes("%%%|%%x|5%%", out);
    EXPECT_STREQ(out, "%|x|5%%"); // a "%" among the last two characters stays
    DxfExpandTextCodes("%%O%%C%%D%%P", out);
    EXPECT_STREQ(out, "\xD8\xB0\xB1");
    EXPECT_EQ(DxfExpandTextCodes("", out), 0);
    EXPECT_STREQ(out, "");
}

TEST(DxfText, DefaultTextStandsOnItsInsertionPointInsideItsExtent) {
    // "Hi", 2 units high at 10 pixels a unit, at (1, 2): 20 pixels high,
    // its bottom-left corner 0.2·cy below the insertion point (10, 80).
    Drawing d(Dxf("0|TEXT|62|1|10|1|20|2|40|2|1|Hi"));
    const Picture p = PaintAt(d, 120, 100, 10);
    const CSize ext = Extent("Hi", 20);
    const Ink k = InkOf(p);
    ASSERT_GT(k.count, 20);
    const int bottom = 80 + static_cast<int>(0.2 * ext.cy);
    EXPECT_GE(k.minX, 10);
    EXPECT_LE(k.maxX, 10 + ext.cx);
    EXPECT_LE(k.maxY, bottom);
    EXPECT_GE(k.minY, bottom - ext.cy);
    EXPECT_GT(k.maxY - k.minY, 10); // the glyphs are about the asked height
    EXPECT_EQ(p.At(k.minX, k.minY) == kRed || k.count > 0, true);

    // The outline holds the glyph outlines, flattened, in the same box.
    const auto figures = p.Figures();
    EXPECT_GE(figures.size(), 3u); // H, the i's stem and its dot
    for (const auto& f : figures)
        for (const _tagREALPT2& q : f) {
            EXPECT_GE(q.x, 9.0f);
            EXPECT_LE(q.x, 11.0f + ext.cx);
            EXPECT_GE(q.y, bottom - ext.cy - 1.0f);
            EXPECT_LE(q.y, bottom + 1.0f);
        }
}

TEST(DxfText, HeightsFromTheStyleAndTextTooSmallToShow) {
    // Height 0 takes the style's last height, 2.5 units = 25 pixels.
    Drawing styled(Dxf("0|TEXT|62|1|7|NOTES|10|1|20|1|40|0|1|HH"));
    const Ink big = InkOf(PaintAt(styled, 200, 100, 10));
    EXPECT_GE(big.maxY - big.minY, 14);

    // One unit at one pixel a unit is a single pixel high: not drawn, and
    // nothing in the outline.
    Drawing tiny(Dxf("0|TEXT|62|1|10|1|20|1|40|1|1|HH"));
    const Picture t = PaintAt(tiny, 50, 50, 1);
    EXPECT_EQ(t.Drawn(), 0);
    EXPECT_TRUE(t.outline.empty());

    // A layer that is off hides text too.
    Drawing off(Dxf("0|TEXT|8|OFF|10|1|20|1|40|2|1|HH"));
    EXPECT_EQ(PaintAt(off, 100, 100, 10).Drawn(), 0);
}

TEST(DxfText, JustificationPlacesTheTextAtItsAlignmentPoint) {
    // Bottom centre (73 = 1, 72 = 1) at (6, 5): the text's bottom centre is
    // pixel (60, 50); the insertion point (1, 1) is not used.
    Drawing d(Dxf("0|TEXT|62|1|10|1|20|1|11|6|21|5|72|1|73|1|40|2|1|HHHH"));
    const Ink k = InkOf(PaintAt(d, 120, 100, 10));
    ASSERT_GT(k.count, 0);
    EXPECT_NEAR((k.minX + k.maxX) / 2.0, 60.0, 3.0);
    EXPECT_LE(k.maxY, 50);
    EXPECT_GE(k.maxY, 40);

    // Middle left (73 = 2): the text's middle is on the alignment point.
    Drawing m(Dxf("0|TEXT|62|1|11|2|21|5|72|0|73|2|40|2|1|HHHH"));
    const Ink km = InkOf(PaintAt(m, 120, 100, 10));
    EXPECT_GE(km.minX, 20);
    EXPECT_LE(km.minX, 23);
    EXPECT_LT(km.minY, 50);
    EXPECT_GT(km.maxY, 50);

    // Turned by 90 degrees, the text runs upwards.
    Drawing up(Dxf("0|TEXT|62|1|10|5|20|1|40|2|50|90|1|HHHH"));
    const Ink ku = InkOf(PaintAt(up, 100, 120, 10));
    EXPECT_GT(ku.maxY - ku.minY, 2 * (ku.maxX - ku.minX));
    EXPECT_LE(ku.maxY, 112);
}

TEST(DxfHatch, SolidFillCoversItsBoundaryOnlyInItsOwnColour) {
    // The layer is green; the hatch's own colour (blue) is what it draws.
    Drawing d(Dxf("0|HATCH|8|GREEN|62|5|70|1|91|1|92|2|93|4|10|2|20|2|10|6|20|2|10|6|20|6|10|2|20|6"));
    const Picture p = PaintAt(d, 100, 100, 10);
    EXPECT_EQ(p.At(40, 60), kBlue);
    EXPECT_EQ(p.At(21, 79), kBlue);
    EXPECT_TRUE(p.Background(10, 60));
    EXPECT_TRUE(p.Background(70, 60));
    EXPECT_TRUE(p.Background(40, 85));
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x < 20 || x > 60 || y < 40 || y > 80; }), 0);
    EXPECT_NEAR(p.Drawn(), 1600, 100);
    EXPECT_TRUE(p.outline.empty()); // a fill has no lines to follow
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
    // An offset along the lines' own direction, a boundary of one vertex,
    // a boundary path of a type other than a polyline, and no boundary.
    Drawing d(Dxf("0|HATCH|62|1|70|0|92|2|93|4|10|1|20|1|10|9|20|1|10|9|20|5|10|1|20|5|"
                  "78|1|53|0|43|0|44|0|45|1|46|0|79|0|"
                  "0|HATCH|62|1|70|1|92|2|93|2|10|1|20|1|"
                  "0|HATCH|62|1|70|1|92|7|93|4|10|1|20|1|10|9|20|1|10|9|20|5|10|1|20|5|"
                  "0|HATCH|62|1|70|1|92|2|93|1|10|1|20|1"));
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
    Drawing d(Dxf("0|HATCH|62|5|70|1|92|2|91|1|93|1|72|4|94|2|95|8|96|5|"
                  "40|0|40|0|40|0|40|0.33|40|0.66|40|1|40|1|40|1|"
                  "10|1|20|5|10|1|20|1|10|9|20|1|10|9|20|9|10|1|20|9"));
    const Picture p = PaintAt(d, 100, 100, 10);
    EXPECT_GT(p.Drawn(), 500);
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x < 9 || x > 91 || y < 9 || y > 91; }), 0);
}

} // namespace
