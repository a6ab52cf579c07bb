#include "dxf/dxf_heap.h"
#include "dxf_test_util.h"

#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

using dxftest::Drawing;
using dxftest::Entities;
using dxftest::Lines;

// Tables that the entity tests refer to by name.
const std::string kTables =
    "0|SECTION|2|TABLES|0|TABLE|2|LTYPE|0|LTYPE|2|CONT|0|LTYPE|2|DASHED|73|2|40|0.75|"
    "49|0.5|49|-0.25|0|ENDTAB|0|TABLE|2|LAYER|0|LAYER|2|0|62|7|6|CONT|0|LAYER|2|WALLS|"
    "62|1|6|DASHED|0|ENDTAB|0|TABLE|2|STYLE|0|STYLE|2|NOTES|42|2.5|0|ENDTAB|"
    "0|TABLE|2|DIMSTYLE|0|DIMSTYLE|2|ISO|140|2.5|147|0.5|0|ENDTAB|0|ENDSEC|";

std::string WithTables(std::string_view entities) {
    return Lines(kTables + "0|SECTION|2|ENTITIES|" + std::string(entities) + "|0|ENDSEC|0|EOF");
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
    EXPECT_EQ(h.nColor, static_cast<short>(1000003 & 0xFFFF)); // the low 16 bits
    EXPECT_EQ(h.dThickness, 2.5);
    EXPECT_EQ(h.dLineTypeScale, 3.0);
    EXPECT_STREQ(h.szHandle, ""); // LINE keeps no handle
    EXPECT_EQ(h.ptExtrusion.z, 1.0);
    EXPECT_EQ(h.dwFlags, 0u);
    const DXFLINE& l = all[0].d.line;
    EXPECT_EQ(l.ptStart.x, 1.0);
    EXPECT_EQ(l.ptStart.y, 2.0);
    EXPECT_EQ(l.ptStart.z, 0.0);
    EXPECT_EQ(l.ptEnd.x, 3.0);
    EXPECT_EQ(l.ptEnd.z, 9.0);
    // A layer name that is not in the table gives no layer; colour by layer stays 256.
    EXPECT_EQ(all[1].h.dwLayer, 0u);
    EXPECT_EQ(all[1].h.nColor, 256);
    EXPECT_EQ(all[1].h.dLineTypeScale, 1.0);
}

TEST(DxfEntities, PointCircleArcEllipse) {
    Drawing d(Entities(
        "0|POINT|10|1|20|2|30|3|"
        "0|CIRCLE|102|{ACAD_REACTORS|330|1F|102|}|330|2A|10|5|20|6|40|2.5|"
        "0|ARC|330|77|10|1|20|1|40|2|50|10|51|200|"
        "0|ELLIPSE|102|{ACAD_REACTORS|330|0123456789ABCDEFGH|10|1|20|2|11|4|21|0|40|0.5|41|0.1|42|6"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].h.wType, DXF_POINT);
    EXPECT_EQ(all[0].d.point.pt.z, 3.0);
    EXPECT_EQ(all[1].h.wType, DXF_CIRCLE);
    EXPECT_STREQ(all[1].h.szHandle, "1F"); // only the 330 inside the reactors group
    EXPECT_EQ(all[1].d.circle.ptCenter.y, 6.0);
    EXPECT_EQ(all[1].d.circle.dRadius, 2.5);
    EXPECT_EQ(all[2].h.wType, DXF_ARC);
    EXPECT_STREQ(all[2].h.szHandle, "");
    EXPECT_EQ(all[2].d.arc.dStartAngle, 10.0);
    EXPECT_EQ(all[2].d.arc.dEndAngle, 200.0);
    EXPECT_EQ(all[3].h.wType, DXF_ELLIPSE);
    EXPECT_STREQ(all[3].h.szHandle, "0123456789ABCDE"); // 15 characters are kept
    EXPECT_EQ(all[3].d.ellipse.ptMajor.x, 4.0);
    EXPECT_EQ(all[3].d.ellipse.dRatio, 0.5);
    EXPECT_EQ(all[3].d.ellipse.dStartParam, 0.1);
    EXPECT_EQ(all[3].d.ellipse.dEndParam, 6.0);
}

TEST(DxfEntities, SolidWithThreeCornersAndFace) {
    Drawing d(Entities("0|SOLID|10|0|20|0|11|4|21|0|12|4|22|3|32|7|0|3DFACE|10|1|11|2|12|3|13|4|23|5|33|6"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].h.wType, DXF_SOLID);
    const DXFSOLID& s = all[0].d.solid;
    EXPECT_EQ(s.pt[3].x, 4.0); // the fourth corner lies on the third
    EXPECT_EQ(s.pt[3].y, 3.0);
    EXPECT_EQ(s.pt[3].z, 7.0);
    EXPECT_EQ(all[1].h.wType, DXF_3DFACE);
    EXPECT_EQ(all[1].d.solid.pt[3].x, 4.0);
    EXPECT_EQ(all[1].d.solid.pt[3].y, 5.0);
}

TEST(DxfEntities, TextDefaultsJustificationAndStyle) {
    Drawing d(WithTables("0|TEXT|10|1|20|2|40|3.5|1|%%c50 Hello|7|NOTES|72|258|73|3|11|9|21|8|50|45|"
                         "0|TEXT|1|plain|7|MISSING"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 2u);
    const DXFTEXT& t = all[0].d.text;
    EXPECT_EQ(t.ptInsert.x, 1.0);
    EXPECT_EQ(t.dHeight, 3.5);
    EXPECT_EQ(t.dRotation, 45.0);
    EXPECT_EQ(t.dWidthFactor, 1.0);
    EXPECT_EQ(t.wJustify, 0x0302); // 72 in the low byte (258 & 0xFF), 73 in the high byte
    EXPECT_EQ(t.ptAlign.x, 9.0);
    EXPECT_EQ(t.ptAlign.y, 8.0);
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
    EXPECT_EQ(all[0].d.insert.dwBlock, door->dwId);
    EXPECT_EQ(all[0].d.insert.ptInsert.x, 5.0);
    EXPECT_EQ(all[0].d.insert.dRotation, 90.0);
    EXPECT_EQ(all[0].d.insert.dScaleX, 1.0);
    EXPECT_EQ(all[0].d.insert.dScaleZ, 1.0);
    EXPECT_EQ(all[0].h.dThickness, 0.0); // INSERT reads neither 39 nor 48
    EXPECT_EQ(all[0].h.dLineTypeScale, 1.0);
    EXPECT_EQ(all[1].d.insert.dScaleY, -1.0);
    EXPECT_EQ(all[1].d.insert.dScaleZ, 0.5);
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
    EXPECT_EQ(a.pVertices[2].x, 1.0);
    EXPECT_EQ(a.pVertices[2].y, 1.0);
    // A bulge belongs to the vertex it follows, whichever vertices have one.
    EXPECT_EQ(a.pVertices[0].dBulge, 1.0);
    EXPECT_EQ(a.pVertices[1].dBulge, 0.0);
    EXPECT_EQ(a.pVertices[2].dBulge, -0.5);
    EXPECT_EQ(a.pVertices[3].dBulge, 0.0);
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
    EXPECT_EQ(p.pVertices[0].x, 1.0);
    EXPECT_EQ(p.pVertices[0].dBulge, 0.5);
    EXPECT_EQ(p.pVertices[1].dStartWidth, 1.0);
    EXPECT_EQ(p.pVertices[1].dEndWidth, 2.0);
    EXPECT_EQ(p.pVertices[2].z, 7.0);
    EXPECT_EQ(p.pVertices[2].dTangent, 30.0);
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
    EXPECT_EQ(s.wFlags, 8);
    EXPECT_EQ(s.nDegree, 3);
    ASSERT_EQ(s.nKnots, 8);
    EXPECT_EQ(s.pKnots[7], 7.1f);
    ASSERT_EQ(s.nControlPts, 2);
    EXPECT_EQ(s.pControlPts[1].x, 3.0);
    EXPECT_EQ(s.pControlPts[0].z, 0.0); // z is not read
    ASSERT_EQ(s.nFitPts, 1);
    EXPECT_EQ(s.pFitPts[0].y, 8.0);
    EXPECT_TRUE(std::isinf(all[1].d.spline.pKnots[0])); // beyond float's range
}

TEST(DxfEntities, HatchBoundaryPatternAndHandle) {
    Drawing d(
        Entities("0|HATCH|5|3F|8|0|62|3|10|0|20|0|70|0|91|1|92|2|93|4|10|0|20|0|42|0.5|10|4|20|0|10|4|20|3|"
                 "10|0|20|3|10|99|20|99|78|2|53|45|43|0|44|0|45|-1|46|1|79|2|49|0.5|49|-0.25|49|7|"
                 "53|90|43|1|44|1|45|0|46|2|"
                 "0|HATCH|92|1|93|1|10|1|20|1|"
                 "0|HATCH|72|4|94|3|95|2|96|2|40|0|40|1|10|1|20|2|10|3|20|4|93|4|70|1"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 3u);
    const DXFHATCH& h = all[0].d.hatch;
    EXPECT_EQ(all[0].h.wType, DXF_HATCH);
    EXPECT_STREQ(all[0].h.szHandle, "3F");
    EXPECT_EQ(all[0].h.nColor, 3);
    EXPECT_EQ(h.nPathFlags, 2);
    ASSERT_NE(h.pBoundary, nullptr);
    ASSERT_EQ(h.pBoundary->nVertices, 4);
    EXPECT_EQ(h.pBoundary->pVertices[2].x, 4.0);
    EXPECT_EQ(h.pBoundary->pVertices[2].y, 3.0);
    EXPECT_EQ(h.pBoundary->pVertices[0].dBulge, 0.5);
    // The second family gives no 79: only one family counts.
    ASSERT_EQ(h.nPatternLines, 1);
    EXPECT_EQ(h.pPatternAngles[0], 45.0);
    EXPECT_EQ(h.pPatternOffset[0].x, -1.0);
    ASSERT_EQ(h.pDashCounts[0], 2);
    EXPECT_EQ(h.pDashes[0][1], -0.25); // the third dash is beyond the count
    // 93 = 1 makes no boundary.
    EXPECT_EQ(all[1].d.hatch.pBoundary, nullptr);
    // 72 = 4 before any 93 makes a spline edge; the later 93 makes no boundary.
    const DXFHATCH& s = all[2].d.hatch;
    EXPECT_EQ(s.pBoundary, nullptr);
    ASSERT_NE(s.pSplineEdge, nullptr);
    EXPECT_EQ(s.nSolid, 1);
    EXPECT_EQ(s.pSplineEdge->nDegree, 3);
    ASSERT_EQ(s.pSplineEdge->nKnots, 2);
    EXPECT_EQ(s.pSplineEdge->pKnots[1], 1.0f);
    ASSERT_EQ(s.pSplineEdge->nControlPts, 2);
    EXPECT_EQ(s.pSplineEdge->pControlPts[1].y, 4.0);
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
    EXPECT_EQ(a.ptDef.x, 5.0);
    EXPECT_EQ(a.ptExt2.x, 10.0);
    EXPECT_EQ(a.dTextRotation, 15.0);
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
                 "0|HATCH|92|1|93|2000000000|10|1|20|1|78|2000000000|53|1|43|1|44|1|45|1|46|1|79|2000000000|"
                 "49|1|0|HATCH|72|4|95|2000000000|96|-5|40|3"));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].d.polyline.nVertices, 1);
    EXPECT_EQ(all[1].d.spline.nKnots, 1);
    EXPECT_EQ(all[1].d.spline.nControlPts, 1);
    EXPECT_EQ(all[1].d.spline.nFitPts, 0);
    EXPECT_EQ(all[2].d.hatch.pBoundary->nVertices, 1);
    ASSERT_EQ(all[2].d.hatch.nPatternLines, 1);
    EXPECT_LT(all[2].d.hatch.pDashCounts[0], 100);
    EXPECT_EQ(all[2].d.hatch.pDashes[0][0], 1.0);
    const DXFSPLINE* edge = all[3].d.hatch.pSplineEdge;
    ASSERT_NE(edge, nullptr);
    EXPECT_GT(edge->nKnots, 0);
    EXPECT_LT(edge->nKnots, 100);
    EXPECT_EQ(edge->pKnots[0], 3.0f);
    EXPECT_EQ(edge->nControlPts, 0); // a negative count is none
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

} // namespace
