// Dimension blocks made for DIMENSION entities that come without one.
#include "dxf_test_util.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

using dxftest::Drawing;
using dxftest::Entity;
using dxftest::Lines;
using dxftest::PaintAt;

// A style with the extension line offset 0.5, extension 1, text 2 high
// with a gap of 0.5, oblique arrowheads of size 1, and colours 1 (dimension
// line), 3 (extension lines), 5 (text); values without decimals.
std::string Dxf(std::string_view textAbove, std::string_view dimension) {
    return Lines("0|SECTION|2|TABLES|0|TABLE|2|STYLE|0|STYLE|2|STANDARD|0|ENDTAB|"
                 "0|TABLE|2|DIMSTYLE|0|DIMSTYLE|2|ISO|41|1|42|0.5|44|1|140|2|147|0.5|271|0|77|" +
                 std::string(textAbove) +
                 "|6|Oblique|7|Nothing|176|1|177|3|178|5|0|ENDTAB|0|ENDSEC|0|SECTION|2|ENTITIES|" +
                 std::string(dimension) + "|0|ENDSEC|0|EOF");
}

const char* kHorizontal = "0|DIMENSION|62|6|2|*D9|3|ISO|13|0|23|0|14|10|24|0|10|5|20|3|1|TEN";

void ExpectPoint(const DXFCOORD& p, double x, double y) {
    EXPECT_NEAR(p.x, x, 1e-9);
    EXPECT_NEAR(p.y, y, 1e-9);
}

TEST(DxfDimension, HorizontalDimensionWithTheTextAbove) {
    Drawing d(Dxf("1", kHorizontal));
    ASSERT_TRUE(d.loaded);
    // The DIMENSION named *D9, which no block has: the generated one takes
    // the next number.
    const DXFBLOCK* b = d.Block("*D10");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->bFlags, 1);
    EXPECT_EQ(d.Only().d.dimension.dwBlock, b->dwId);
    const std::vector<Entity> all = d.List(b->dwId);
    std::vector<WORD> types;
    for (const Entity& e : all) types.push_back(e.h.wType);
    // Points, the dimension line, the text, one oblique arrowhead (the
    // second name is not an arrowhead), the two extension lines.
    ASSERT_EQ(types,
              (std::vector<WORD>{DXF_POINT, DXF_POINT, DXF_LINE, DXF_TEXT, DXF_LINE, DXF_LINE, DXF_LINE}));
    ExpectPoint(all[0].d.point.pt, 0, 0);
    ExpectPoint(all[1].d.point.pt, 10, 0);
    EXPECT_EQ(all[0].h.nColor, 6);
    ExpectPoint(all[2].d.line.ptStart, 0, 3);
    ExpectPoint(all[2].d.line.ptEnd, 10, 3);
    EXPECT_EQ(all[2].h.nColor, 1);
    // Above the line by half the text height and the gap.
    const DXFTEXT& t = all[3].d.text;
    ExpectPoint(t.ptInsert, 5, 4.5);
    ExpectPoint(t.ptAlign, 5, 4.5);
    EXPECT_EQ(t.dHeight, 2.0);
    EXPECT_EQ(t.wJustify, 4);
    EXPECT_STREQ(t.szText, "TEN");
    EXPECT_EQ(all[3].h.nColor, 5);
    // The arrowhead at P1 (0, 3), pointing away from P2: a line of length
    // √2 at 45 degrees through it.
    const DXFLINE& arrow = all[4].d.line;
    ExpectPoint(arrow.ptStart, 0.5, 3.5);
    ExpectPoint(arrow.ptEnd, -0.5, 2.5);
    EXPECT_EQ(all[4].h.nColor, 1);
    // Extension lines from beyond the dimension line to the offset.
    ExpectPoint(all[5].d.line.ptStart, 0, 4);
    ExpectPoint(all[5].d.line.ptEnd, 0, 0.5);
    ExpectPoint(all[6].d.line.ptStart, 10, 4);
    ExpectPoint(all[6].d.line.ptEnd, 10, 0.5);
    EXPECT_EQ(all[6].h.nColor, 3);
}

TEST(DxfDimension, TextInTheLineBreaksItRoundTheMiddle) {
    // No text: the measured value "10", and the line broken round it by
    // 0.3 of the height per character and twice the gap on each side.
    Drawing d(Dxf("0", "0|DIMENSION|2|*D1|3|ISO|13|0|23|0|14|10|24|0|10|5|20|3"));
    const DXFBLOCK* b = d.Block("*D2");
    ASSERT_NE(b, nullptr);
    const std::vector<Entity> all = d.List(b->dwId);
    ASSERT_GE(all.size(), 5u);
    ExpectPoint(all[2].d.line.ptStart, 0, 3);
    ExpectPoint(all[2].d.line.ptEnd, 2.8, 3);
    ExpectPoint(all[3].d.line.ptStart, 7.2, 3);
    ExpectPoint(all[3].d.line.ptEnd, 10, 3);
    EXPECT_EQ(all[4].h.wType, DXF_TEXT);
    EXPECT_STREQ(all[4].d.text.szText, "10");
    ExpectPoint(all[4].d.text.ptInsert, 5, 3);

    // A value other than 0 or 1: neither line nor text.
    Drawing none(Dxf("2", kHorizontal));
    const std::vector<Entity> rest = none.List(none.Block("*D10")->dwId);
    ASSERT_EQ(rest.size(), 5u); // the points, one arrowhead, the extension lines
    EXPECT_EQ(rest[2].h.wType, DXF_LINE);
}

TEST(DxfDimension, TurnedDimensionLineRunsThroughTheDefinitionPointAtItsAngle) {
    // At 90 degrees the dimension line is vertical through x = 3; the feet
    // of (0, 0) and (0, 10) are (3, 0) and (3, 10) (as near as the tangent
    // of the angle, by pi to ten places, comes).
    Drawing d(Dxf("1", "0|DIMENSION|2|*D1|3|ISO|13|0|23|0|14|0|24|10|10|3|20|5|53|90|1|X"));
    const std::vector<Entity> all = d.List(d.Block("*D2")->dwId);
    ASSERT_GE(all.size(), 7u);
    const DXFLINE& line = all[2].d.line;
    EXPECT_NEAR(line.ptStart.x, 3, 1e-4);
    EXPECT_NEAR(line.ptStart.y, 0, 1e-4);
    EXPECT_NEAR(line.ptEnd.x, 3, 1e-4);
    EXPECT_NEAR(line.ptEnd.y, 10, 1e-4);
    // Extension lines run along x, from beyond the line back to the offset.
    const DXFLINE& ext = all[all.size() - 2].d.line;
    EXPECT_NEAR(ext.ptStart.x, 4, 1e-4);
    EXPECT_NEAR(ext.ptEnd.x, 0.5, 1e-4);
    EXPECT_NEAR(ext.ptEnd.y, 0, 1e-4);
}

TEST(DxfDimension, BlocklessDimensionsAreDrawnByTheirType) {
    // Each kind from its own definition points, at 10 px a unit from
    // (-2, -2): ink where the kind draws, none where a linear dimension
    // made of the same points (the same type read as rotated) would.
    struct Case {
        const char* what;
        const char* points;
        double x, y;       // drawn
        double offX, offY; // not drawn
    };
    const Case cases[] = {
        {"rotated by 50", "70|0|13|0|23|0|14|0|24|5|10|8|20|2|50|90", 8, 2.5, 4, 2},
        {"aligned", "70|1|13|0|23|0|14|4|24|4|10|0|20|2", 1, 3, 3, 2},
        {"radius", "70|4|10|5|20|2|15|9|25|2", 7, 2, 0, 1},
        {"diameter", "70|3|10|1|20|2|15|9|25|2", 2, 2, 0, 1},
        {"angular, 3 points", "70|5|15|0|25|0|13|5|23|0|14|0|24|5|10|2.828|20|2.828", 3.759, 1.368, 1, 0.5},
        {"angular, 2 lines", "70|2|13|0|23|0|14|5|24|0|10|0|20|5|15|0|25|1|16|2.828|26|2.828", 3.759, 1.368,
         1, 0.5},
        {"ordinate", "70|70|10|0|20|0|13|3|23|1|14|3|24|5", 3, 3, 3, -0.5},
    };
    for (const Case& c : cases) {
        Drawing d(Dxf("1", std::string("0|DIMENSION|2|*D1|3|ISO|") + c.points));
        ASSERT_TRUE(d.loaded) << c.what;
        const dxftest::Picture p = PaintAt(d, 140, 80, 10, -2, -2);
        auto near = [&](double x, double y) {
            const int cx = static_cast<int>((x + 2) * 10), cy = 80 - static_cast<int>((y + 2) * 10);
            return p.DrawnWhere(
                [&](int px, int py) { return std::abs(px - cx) <= 1 && std::abs(py - cy) <= 1; });
        };
        EXPECT_GT(near(c.x, c.y), 0) << c.what;
        EXPECT_EQ(near(c.offX, c.offY), 0) << c.what;
    }
}

TEST(DxfDimension, DimensionsDrawThroughTheirBlock) {
    Drawing d(Dxf("1", kHorizontal));
    const dxftest::Picture p = PaintAt(d, 140, 80, 10, -2, -2);
    // The dimension line at y = 3 (row 30) in colour 1; the extension line
    // at x = 10 (column 120) in colour 3.
    EXPECT_EQ(p.At(70, 30), RGB(255, 0, 0));
    EXPECT_EQ(p.At(120, 55), RGB(0, 255, 0));
    EXPECT_GT(p.DrawnWhere([](int x, int y) { return x > 50 && x < 90 && y < 25; }), 0); // the text
    // Without its dimension style a DIMENSION gets no block and draws nothing.
    Drawing bare(
        Lines("0|SECTION|2|ENTITIES|0|DIMENSION|2|*D1|3|ISO|13|0|23|0|14|10|24|0|10|5|20|3|0|ENDSEC|0|EOF"));
    EXPECT_EQ(bare.Only().d.dimension.dwBlock, 0u);
    EXPECT_EQ(PaintAt(bare, 50, 50, 10).Drawn(), 0);
}

TEST(DxfDimension, MeasuredValuesAreWrittenByTheStyle) {
    struct Case {
        double value;
        int decimals, zeros, separator, type;
        double factor, round;
        const char *post, *text, *shown;
    };
    const Case cases[] = {
        {12.5, -1, 0, 0, 0, 0, 0, "", "", "12.5000"},            // four decimals when the style has none
        {12.5, 2, 8, 0, 0, 0, 0, "", "<>", "12.5"},              // trailing zeros dropped
        {0.5, 3, 4, ',', 0, 0, 0, "", "", ",500"},               // leading zero dropped, a comma
        {12.26, 1, 0, 0, 0, 0, 0.5, "", "", "12.5"},             // rounded to 0.5 first
        {3, 0, 0, 0, 0, 25.4, 0, "<> mm", "", "76 mm"},          // scaled, inside DIMPOST
        {3, 0, 0, 0, 4, 0, 0, "\"", "", "R3\""},                 // a radius, DIMPOST as a suffix
        {7, 0, 0, 0, 3, 0, 0, "", "", "%%c7"},                   // a diameter
        {7, 0, 0, 0, 4, 0, 0, "", "max <> (<>)", "max R7 (R7)"}, // every <> replaced
        {7, 0, 0, 0, 4, 0, 0, "", "r<>", "r7"},                  // a sign of its own is not doubled
        {7, 0, 0, 0, 0, 0, 0, "", "TEN", "TEN"},                 // a text of its own stays
        {-0.0001, 2, 0, 0, 0, 0, 0, "", "", "0.00"},
    };
    for (const Case& c : cases) {
        DXFDIMSTYLE st{};
        st.nDecimals = c.decimals;
        st.nZeros = c.zeros;
        st.nDecimalSep = c.separator;
        st.dLinearFactor = c.factor;
        st.dRound = c.round;
        std::strcpy(st.szPost, c.post);
        EXPECT_EQ(DxfFormatDimension(c.value, st, c.type, c.text), c.shown) << c.shown;
    }
}

TEST(DxfDimension, ArrowheadTable) {
    Drawing d(Dxf("1", ""));
    DXFBLOCK blk{};
    std::snprintf(blk.szName, sizeof blk.szName, "ARROWS");
    const DWORD id = DxfAddBlock(d.get(), &blk);
    DXFENTITYHEADER h{};
    DxfAddArrowhead(d.get(), id, &h, 2, 1, M_PI / 2, 3, "ClosedFilled", 2);
    DxfAddArrowhead(d.get(), id, &h, 0, 0, 0, 1, "closedfilled", 2); // names are case-sensitive
    DxfAddArrowhead(d.get(), id, &h, 0, 0, 0, 1, "Oblique", 3);      // no third end
    const std::vector<Entity> all = d.List(id);
    ASSERT_EQ(all.size(), 1u);
    // A solid turned to point up, three times its size, tip at (2, 1).
    ExpectPoint(all[0].d.solid.pt[0], 2, 1);
    EXPECT_NEAR(all[0].d.solid.pt[1].x, 2.5001, 1e-9);
    EXPECT_NEAR(all[0].d.solid.pt[1].y, -2, 1e-9);
}

} // namespace
