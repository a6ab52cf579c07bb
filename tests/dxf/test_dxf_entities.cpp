#include "dxf/dxf_heap.h"
#include "dxf_test_util.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {

using dxftest::Drawing;
using dxftest::Entities;
using dxftest::Lines;
using dxftest::XY;
using dxftest::XYOf;

// Tables that the entity tests refer to by name.
const std::string kTables =
    "0|SECTION|2|TABLES|0|TABLE|2|LTYPE|0|LTYPE|2|CONT|0|LTYPE|2|DASHED|73|2|40|0.75|"
    "49|0.5|49|-0.25|0|ENDTAB|0|TABLE|2|LAYER|0|LAYER|2|0|62|7|6|CONT|0|LAYER|2|WALLS|"
    "62|1|6|DASHED|0|ENDTAB|0|TABLE|2|STYLE|0|STYLE|2|NOTES|42|2.5|0|ENDTAB|"
    "0|TABLE|2|DIMSTYLE|0|DIMSTYLE|2|ISO|140|2.5|147|0.5|0|ENDTAB|0|ENDSEC|";

std::string WithTables(std::string_view entities) {
    return dxftest::Sections(kTables, "", entities);
}

TEST(DxfEntities, LineWithCommonFieldsResolvedToIds) {
    Drawing d(WithTables(
        "0|LINE|5|2A|8|WALLS|6|DASHED|62|1000003|39|2.5|48|3|10|1|20|2|11|3|21|4|31|9|0|LINE|8|NOPE"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 2u);
    const DXFENTITYHEADER& h = all[0].h;
    EXPECT_EQ(h.wType, DXF_LINE);
    EXPECT_EQ(h.dwLayer, d.Layer("WALLS")->dwId);
    EXPECT_EQ(h.dwLineType, d->ltypes[1].dwId);
    // The colour is the low 16 bits of 62.
    EXPECT_EQ(std::tie(h.nColor, h.dThickness, h.dLineTypeScale, h.ptExtrusion.z, h.dwFlags),
              std::tuple(static_cast<short>(1000003 & 0xFFFF), 2.5, 3.0, 1.0, 0u));
    EXPECT_STREQ(h.szHandle, ""); // LINE keeps no handle
    const DXFLINE& l = all[0].d.line;
    EXPECT_EQ(std::tie(l.ptStart.x, l.ptStart.y, l.ptStart.z, l.ptEnd.x, l.ptEnd.z),
              std::tuple(1., 2., 0., 3., 9.));
    // A layer name that is not in the table gives no layer; colour by layer stays 256.
    EXPECT_EQ(std::tie(all[1].h.dwLayer, all[1].h.nColor, all[1].h.dLineTypeScale),
              std::tuple(0u, short(256), 1.0));
}

TEST(DxfEntities, PointCircleArcEllipse) {
    Drawing d(Entities(
        "0|POINT|10|1|20|2|30|3|"
        "0|CIRCLE|102|{ACAD_REACTORS|330|1F|102|}|330|2A|10|5|20|6|40|2.5|"
        "0|ARC|330|77|10|1|20|1|40|2|50|10|51|200|"
        "0|ELLIPSE|102|{ACAD_REACTORS|330|0123456789ABCDEFGH|10|1|20|2|11|4|21|0|40|0.5|41|0.1|42|6"));
    const auto all = d.List();
    ASSERT_EQ(d.Types(), (std::vector<WORD>{DXF_POINT, DXF_CIRCLE, DXF_ARC, DXF_ELLIPSE}));
    EXPECT_EQ(all[0].d.point.pt.z, 3.0);
    EXPECT_STREQ(all[1].h.szHandle, "1F"); // only the 330 inside the reactors group
    EXPECT_EQ(std::tie(all[1].d.circle.ptCenter.y, all[1].d.circle.dRadius), std::tuple(6.0, 2.5));
    EXPECT_STREQ(all[2].h.szHandle, "");
    EXPECT_EQ(std::tie(all[2].d.arc.dStartAngle, all[2].d.arc.dEndAngle), std::tuple(10.0, 200.0));
    EXPECT_STREQ(all[3].h.szHandle, "0123456789ABCDE"); // 15 characters are kept
    const DXFELLIPSE& el = all[3].d.ellipse;
    EXPECT_EQ(std::tie(el.ptMajor.x, el.dRatio, el.dStartParam, el.dEndParam),
              std::tuple(4.0, 0.5, 0.1, 6.0));
}

TEST(DxfEntities, SolidWithThreeCornersAndFace) {
    Drawing d(Entities("0|SOLID|10|0|20|0|11|4|21|0|12|4|22|3|32|7|0|3DFACE|10|1|11|2|12|3|13|4|23|5|33|6"));
    const auto all = d.List();
    ASSERT_EQ(d.Types(), (std::vector<WORD>{DXF_SOLID, DXF_3DFACE}));
    const DXFCOORD& fourth = all[0].d.solid.pt[3]; // lies on the third
    EXPECT_EQ(std::tie(fourth.x, fourth.y, fourth.z), std::tuple(4.0, 3.0, 7.0));
    EXPECT_EQ(XYOf(all[1].d.solid.pt[3]), XY(4, 5));
}

TEST(DxfEntities, TextDefaultsJustificationAndStyle) {
    Drawing d(WithTables("0|TEXT|10|1|20|2|40|3.5|1|%%c50 Hello|7|NOTES|72|258|73|3|11|9|21|8|50|45|"
                         "0|TEXT|1|plain|7|MISSING"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 2u);
    const DXFTEXT& t = all[0].d.text;
    EXPECT_EQ(std::tie(t.ptInsert.x, t.dHeight, t.dRotation, t.dWidthFactor),
              std::tuple(1.0, 3.5, 45.0, 1.0));
    EXPECT_EQ(t.wJustify, 0x0302); // 72 in the low byte (258 & 0xFF), 73 in the high byte
    EXPECT_EQ(XYOf(t.ptAlign), XY(9, 8));
    EXPECT_EQ(t.dwStyle, d->styles[0].dwId);
    EXPECT_STREQ(t.szText, "%%c50 Hello"); // stored as written
    EXPECT_EQ(all[1].d.text.dwStyle, 0u);
}

TEST(DxfEntities, InsertNeedsItsBlock) {
    Drawing d(Lines("0|SECTION|2|BLOCKS|0|BLOCK|2|DOOR|10|0|20|0|0|LINE|11|1|0|ENDBLK|0|ENDSEC|"
                    "0|SECTION|2|ENTITIES|0|INSERT|2|DOOR|10|5|20|6|50|90|39|7|48|9|0|INSERT|2|WINDOW|"
                    "0|INSERT|2|DOOR|41|2|42|-1|43|0.5|0|ENDSEC|0|EOF"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 2u); // the insert of a missing block is not stored
    const DXFBLOCK* door = d.Block("DOOR");
    ASSERT_NE(door, nullptr);
    const DXFINSERT& a = all[0].d.insert;
    EXPECT_EQ(a.dwBlock, door->dwId);
    EXPECT_EQ(std::tie(a.ptInsert.x, a.dRotation, a.dScaleX, a.dScaleZ), std::tuple(5.0, 90.0, 1.0, 1.0));
    // INSERT reads neither 39 nor 48.
    EXPECT_EQ(std::tie(all[0].h.dThickness, all[0].h.dLineTypeScale), std::tuple(0.0, 1.0));
    EXPECT_EQ(std::tie(all[1].d.insert.dScaleY, all[1].d.insert.dScaleZ), std::tuple(-1.0, 0.5));
}

TEST(DxfEntities, LwPolylineCountsCoordinatesAndGivesBulgesToTheirVertex) {
    Drawing d(
        Entities("0|LWPOLYLINE|70|1|90|4|10|0|20|0|42|1|10|1|20|0|10|1|20|1|42|-0.5|10|0|20|1|10|9|20|9|"
                 "0|LWPOLYLINE|90|4|10|0|20|0|10|1|20|1|10|2|20|2|20|3|"
                 "0|LWPOLYLINE|10|5|20|5|90|2|"
                 "0|LWPOLYLINE|90|3|10|1|20|1|90|1|10|7|20|8"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 4u);
    const DXFPOLYLINE& a = all[0].d.polyline;
    EXPECT_EQ(all[0].h.wType, DXF_POLYLINE);
    EXPECT_EQ(a.wFlags, 1);
    ASSERT_EQ(a.nVertices, 4); // the fifth pair is beyond the count
    EXPECT_EQ(std::tie(a.pVertices[2].x, a.pVertices[2].y), std::tuple(1.0, 1.0));
    // A bulge belongs to the vertex it follows, whichever vertices have one.
    const double bulges[] = {1, 0, -0.5, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(a.pVertices[i].dBulge, bulges[i]) << i;
    EXPECT_EQ(all[1].d.polyline.nVertices, 3); // three 10 values, four 20 values
    EXPECT_EQ(all[2].d.polyline.nVertices, 0); // the pairs came before the count
    EXPECT_EQ(all[2].d.polyline.pVertices, nullptr);
    // A second count starts again with an array of its own.
    ASSERT_EQ(all[3].d.polyline.nVertices, 1);
    EXPECT_EQ(all[3].d.polyline.pVertices[0].x, 7.0);
}

TEST(DxfEntities, PolylineGathersItsVertices) {
    Drawing d(
        Entities("0|POLYLINE|8|0|66|1|70|1|10|0|20|0|0|VERTEX|10|1|20|2|42|0.5|0|VERTEX|10|3|20|4|40|1|41|2|"
                 "0|VERTEX|10|5|20|6|30|7|50|30|0|SEQEND|0|POLYLINE|0|SEQEND|0|LINE"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 3u);
    const DXFPOLYLINE& p = all[0].d.polyline;
    EXPECT_EQ(p.wFlags, 1);
    ASSERT_EQ(p.nVertices, 3);
    EXPECT_EQ(std::tie(p.pVertices[0].x, p.pVertices[0].dBulge), std::tuple(1.0, 0.5));
    EXPECT_EQ(std::tie(p.pVertices[1].dStartWidth, p.pVertices[1].dEndWidth), std::tuple(1.0, 2.0));
    EXPECT_EQ(std::tie(p.pVertices[2].z, p.pVertices[2].dTangent), std::tuple(7.0, 30.0));
    EXPECT_EQ(all[1].d.polyline.nVertices, 0);
    EXPECT_EQ(all[2].h.wType, DXF_LINE);
}

TEST(DxfEntities, SplineKnotsAsFloatsAndPointsUpToTheirCounts) {
    std::string knots;
    for (int i = 0; i < 10; ++i) knots += "|40|" + std::to_string(i) + ".1";
    Drawing d(Entities("0|SPLINE|70|8|71|3|72|8|73|2|74|1" + knots +
                       "|10|1|20|2|30|99|10|3|20|4|10|5|11|7|21|8|31|9|0|SPLINE|72|1|40|1e300"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 2u);
    const DXFSPLINE& s = all[0].d.spline;
    EXPECT_EQ(std::tie(s.wFlags, s.nDegree), std::tuple(WORD(8), 3));
    ASSERT_EQ(s.nKnots, 8);
    EXPECT_EQ(s.pKnots[7], 7.1f);
    ASSERT_EQ(s.nControlPts, 2);
    EXPECT_EQ(s.pControlPts[1].x, 3.0);
    EXPECT_EQ(s.pControlPts[0].z, 0.0); // z is not read
    ASSERT_EQ(s.nFitPts, 1);
    EXPECT_EQ(s.pFitPts[0].y, 8.0);
    EXPECT_TRUE(std::isinf(all[1].d.spline.pKnots[0])); // beyond float's range
}

TEST(DxfEntities, HatchPathsEdgesPatternAndHandle) {
    Drawing d(Entities(
        // A polyline path with a bulge, then an edge path: a line, a
        // counter-clockwise arc, half an ellipse and a line; a seed point.
        "0|HATCH|5|3F|8|0|62|3|10|0|20|0|30|2.5|70|0|91|2|92|2|72|1|73|1|93|4|10|0|20|0|42|0.5|10|4|20|0|"
        "10|4|20|3|10|0|20|3|97|0|92|1|93|4|72|1|10|1|20|1|11|3|21|1|72|2|10|3|20|2|40|1|50|270|51|90|73|1|"
        "72|3|10|2|20|3|11|1|21|0|40|0.5|50|0|51|180|73|1|72|1|10|1|20|3|11|1|21|1|97|0|75|1|76|1|"
        "78|2|53|45|43|0|44|0|45|-1|46|1|79|2|49|0.5|49|-0.25|49|7|53|90|43|1|44|1|45|0|46|2|98|1|10|99|20|"
        "99|"
        // A clockwise arc: its angles written as 360 less them.
        "0|HATCH|91|1|92|0|93|3|72|1|10|0|20|0|11|0|21|1|72|2|10|0|20|0|40|1|50|270|51|360|73|0|"
        "72|1|10|1|20|0|11|0|21|0|97|0|"
        // A spline edge: a cubic Bezier from (0, 0) to (4, 0).
        "0|HATCH|91|1|92|0|93|1|72|4|94|3|73|0|74|0|95|8|96|4|40|0|40|0|40|0|40|0|40|1|40|1|40|1|40|1|"
        "10|0|20|0|10|1|20|2|10|3|20|2|10|4|20|0|97|0"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 3u);
    const DXFHATCH& h = all[0].d.hatch;
    EXPECT_STREQ(all[0].h.szHandle, "3F");
    EXPECT_EQ(std::tie(all[0].h.nColor, h.nPathFlags, h.nStyle, h.dElevation),
              std::tuple(short(3), 2, 1, 2.5));
    ASSERT_EQ(h.nBoundaries, 2);
    const DXFPOLYLINE& outer = h.pBoundary[0];
    ASSERT_EQ(outer.nVertices, 4);
    EXPECT_EQ(std::tie(outer.pVertices[2].x, outer.pVertices[2].y, outer.pVertices[0].dBulge),
              std::tuple(4.0, 3.0, 0.5));
    // The edges: (1, 1); (3, 1) with a half-turn bulge; 32 points along the
    // half ellipse from (3, 3) through (2, 3.5); (1, 3).
    const DXFPOLYLINE& island = h.pBoundary[1];
    ASSERT_EQ(island.nVertices, 35);
    EXPECT_EQ(dxftest::XY(island.pVertices[0].x, island.pVertices[0].y), dxftest::XY(1, 1));
    EXPECT_NEAR(island.pVertices[1].dBulge, 1.0, 1e-12);
    EXPECT_NEAR(island.pVertices[18].y, 3.5, 1e-3);
    EXPECT_NEAR(island.pVertices[34].x, 1.0, 1e-12);
    // The second family gives no 79: only one family counts.
    ASSERT_EQ(h.nPatternLines, 1);
    EXPECT_EQ(std::tie(h.pPatternAngles[0], h.pPatternOffset[0].x), std::tuple(45.0, -1.0));
    ASSERT_EQ(h.pDashCounts[0], 2);
    EXPECT_EQ(h.pDashes[0][1], -0.25); // the third dash is beyond the count

    const DXFPOLYLINE& cw = all[1].d.hatch.pBoundary[0];
    ASSERT_EQ(cw.nVertices, 3);
    EXPECT_NEAR(cw.pVertices[1].x, 0, 1e-12);
    EXPECT_NEAR(cw.pVertices[1].y, 1, 1e-12);
    EXPECT_NEAR(cw.pVertices[1].dBulge, -std::tan(M_PI / 8), 1e-12); // clockwise to (1, 0)

    const DXFPOLYLINE& curve = all[2].d.hatch.pBoundary[0];
    ASSERT_EQ(curve.nVertices, 32);
    EXPECT_EQ(dxftest::XY(curve.pVertices[31].x, curve.pVertices[31].y), dxftest::XY(4, 0));
    double top = 0;
    for (int i = 0; i < curve.nVertices; ++i) top = std::max(top, curve.pVertices[i].y);
    EXPECT_NEAR(top, 1.5, 1e-2);
}

TEST(DxfEntities, DimensionResolvesItsBlockAndStyleAndMakesABlockWhenItHasNone) {
    Drawing d(Lines(kTables +
                    "0|SECTION|2|BLOCKS|0|BLOCK|2|*D7|0|ENDBLK|0|ENDSEC|"
                    "0|SECTION|2|ENTITIES|0|DIMENSION|2|*D7|3|ISO|1|12.5|10|5|20|3|13|0|14|10|53|15|"
                    "0|DIMENSION|3|ISO|1|<>|0|DIMENSION|2|*D99|0|ENDSEC|0|EOF"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 3u);
    const DXFDIMENSION& a = all[0].d.dimension;
    EXPECT_EQ(a.dwBlock, d.Block("*D7")->dwId);
    EXPECT_EQ(a.dwDimStyle, d->dimStyles[0].dwId);
    EXPECT_STREQ(a.szText, "12.5");
    EXPECT_EQ(std::tie(a.ptDef.x, a.ptExt2.x, a.dTextRotation), std::tuple(5.0, 10.0, 15.0));
    // Without a block but with its style: a new anonymous block after *D7.
    const DXFBLOCK* made = d.Block("*D8");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->bFlags, 1);
    EXPECT_EQ(all[1].d.dimension.dwBlock, made->dwId);
    EXPECT_LT(made->dwId, all[1].h.dwId); // the block took its ID first
    // A name that no block has, and no style: stored without a block, but
    // its number moves the next generated name on.
    EXPECT_EQ(all[2].d.dimension.dwBlock, 0u);
    EXPECT_EQ(d->dwAnonDimension, 99u);
}

TEST(DxfEntities, CountsThatLieAreHeldToWhatTheFileCanHold) {
    dxf_heap_testing::ResetAllocationCount();
    // Billions of vertices, knots, pattern lines and dashes claimed in a few
    // hundred bytes: the entities load with what is there.
    Drawing d(
        Entities("0|LWPOLYLINE|90|2000000000|10|1|20|2|"
                 "0|SPLINE|72|2000000000|73|2000000000|74|2000000000|40|1|10|1|20|1|"
                 "0|HATCH|92|2|93|2000000000|10|1|20|1|10|2|20|2|78|2000000000|53|1|43|1|44|1|45|1|46|1|"
                 "79|2000000000|49|1"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].d.polyline.nVertices, 1);
    const DXFSPLINE& s = all[1].d.spline;
    EXPECT_EQ(std::tie(s.nKnots, s.nControlPts, s.nFitPts), std::tuple(1, 1, 0));
    EXPECT_EQ(all[2].d.hatch.pBoundary->nVertices, 2);
    ASSERT_EQ(all[2].d.hatch.nPatternLines, 1);
    EXPECT_LT(all[2].d.hatch.pDashCounts[0], 100);
    EXPECT_EQ(all[2].d.hatch.pDashes[0][0], 1.0);
}

TEST(DxfEntities, AFailedVertexAllocationEndsTheEntityStream) {
    // The array of the first LWPOLYLINE cannot be had: it is stored without
    // vertices and the entities after it are not read.
    dxf_heap_testing::FailAllocationAfter(0);
    Drawing d(Entities("0|LWPOLYLINE|90|2|10|1|20|1|10|2|20|2|0|LINE|10|1"));
    dxf_heap_testing::FailAllocationAfter(-1);
    EXPECT_TRUE(d.loaded);
    const auto all = d.List();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].d.polyline.nVertices, 0);
}

// Proxy graphics bytes, little-endian, as hex.
struct ProxyBytes {
    std::string bytes;
    ProxyBytes& U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
        return *this;
    }
    ProxyBytes& F64(double d) {
        std::uint64_t v;
        std::memcpy(&v, &d, sizeof v);
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
        return *this;
    }
    ProxyBytes& Pt(double x, double y) { return F64(x).F64(y).F64(0); }
    // A command of type with the data that follows it.
    ProxyBytes& Command(std::uint32_t type, const ProxyBytes& data) {
        U32(static_cast<std::uint32_t>(data.bytes.size() + 8)).U32(type);
        bytes += data.bytes;
        return *this;
    }
    std::string Hex(std::size_t from, std::size_t to) const {
        std::string out;
        char two[3];
        for (std::size_t i = from; i < to && i < bytes.size(); ++i) {
            std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(bytes[i]));
            out += two;
        }
        return out;
    }
};

std::string ProxyEntity(const ProxyBytes& commands, std::uint32_t count) {
    ProxyBytes all;
    all.U32(static_cast<std::uint32_t>(commands.bytes.size() + 8)).U32(count);
    all.bytes += commands.bytes;
    // Two chunks of graphics, then object data that is not graphics.
    const std::size_t half = all.bytes.size() / 2;
    return "0|ACAD_PROXY_ENTITY|8|0|92|" + std::to_string(all.bytes.size()) + "|310|" + all.Hex(0, half) +
           "|310|" + all.Hex(half, all.bytes.size()) + "|310|0C000000060000000100000000";
}

TEST(DxfEntities, ProxyGraphicsDrawAsTheirLinesCirclesAndText) {
    ProxyBytes c;
    c.Command(6, ProxyBytes().U32(2).Pt(0, 0).Pt(10, 0))   // a line
        .Command(14, ProxyBytes().U32(1))                  // red from here
        .Command(2, ProxyBytes().Pt(5, 7).F64(3).Pt(0, 0)) // a circle
        .Command(11, ProxyBytes()
                         .Pt(0, 2)
                         .Pt(0, 0)
                         .Pt(1, 0)
                         .U32(0x00004141)
                         .U32(2)
                         .U32(1) // "AA"
                         .F64(2)
                         .F64(1)
                         .F64(0)
                         .F64(1));
    const dxftest::Picture p = dxftest::PaintAt(Drawing(Entities(ProxyEntity(c, 4))), 140, 140, 10, -2, -2);
    auto where = [&](int cx, int cy, auto&& ok) {
        int n = 0;
        for (int y = cy - 1; y <= cy + 1; ++y)
            for (int x = cx - 1; x <= cx + 1; ++x) n += ok(p.At(x, y));
        return n;
    };
    auto drawn = [](COLORREF c) { return c != dxftest::Picture::kBackground; };
    EXPECT_GT(where(70, 120, drawn), 0);                                          // the line at y = 0
    EXPECT_GT(where(100, 50, [](COLORREF c) { return c == RGB(255, 0, 0); }), 0); // the circle, red
    EXPECT_EQ(where(70, 50, drawn), 0);                                           // not its centre
    EXPECT_GT(p.DrawnWhere([](int x, int y) { return x > 20 && x < 60 && y > 80 && y < 100; }), 0); // "AA"

    // Counts and sizes beyond the bytes: a polyline of 1000 points with two,
    // a command running past the end, more commands than there are.
    ProxyBytes bad;
    bad.Command(6, ProxyBytes().U32(1000).Pt(0, 0).Pt(10, 0)).U32(4000).U32(6).U32(2);
    Drawing broken(Entities(ProxyEntity(bad, 9)));
    EXPECT_EQ(dxftest::PaintAt(broken, 140, 140, 10, -2, -2).Drawn(), 0);
}

TEST(DxfEntities, MeshDrawsTheEdgesOfItsFaces) {
    // A house of five vertices as one face of five: its outline drawn, the
    // diagonals of the fan it is split into not; the edge list after 94
    // is not read as faces.
    Drawing d(Entities("0|MESH|71|2|72|0|91|0|92|5|10|0|20|0|30|0|10|10|20|0|30|0|10|10|20|10|30|0|"
                       "10|0|20|10|30|0|10|5|20|15|30|0|93|6|90|5|90|0|90|1|90|2|90|4|90|3|"
                       "94|1|90|0|90|2|95|0"));
    const dxftest::Picture p = dxftest::PaintAt(d, 140, 200, 10, -2, -2);
    auto at = [&](double x, double y) {
        const int cx = static_cast<int>((x + 2) * 10), cy = 200 - static_cast<int>((y + 2) * 10);
        return p.DrawnWhere([&](int px, int py) { return std::abs(px - cx) <= 1 && std::abs(py - cy) <= 1; });
    };
    EXPECT_GT(at(5, 0), 0);      // bottom
    EXPECT_GT(at(7.5, 12.5), 0); // roof
    EXPECT_GT(at(0, 5), 0);      // the closing edge
    EXPECT_EQ(at(5, 5), 0);      // the fan's diagonal from (0, 0) to (10, 10)
    EXPECT_EQ(at(2.5, 7.5), 0);  // and to the roof's top (5, 15)
}

} // namespace
