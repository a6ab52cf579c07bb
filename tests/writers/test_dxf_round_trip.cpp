// DXF drawings and patterns through each other: what WriteDxf writes comes
// back through RenderDxf, and a drawing converted to PLT keeps its points.
#include "write_helpers.h"

#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using test::BoxOf;
using test::Strokes;
constexpr auto Split = test::SplitStrokes;

TEST(DxfRoundTrip, WrittenDxfComesBackThroughTheDrawing) {
    // A frame and a triangle, y down as the model has it.
    const std::vector<_tagREALPT> pts = {test::kM, {0, 0},   {100, 0}, {100, 50}, {0, 50}, {0, 0},
                                         test::kM, {20, 10}, {40, 10}, {30, 30},  {20, 10}};
    const auto written = test::WriteList(&CLoomveilDoc::WriteDxf, pts);
    ASSERT_TRUE(written.ok) << written.error;
    const test::Rendered back = test::RenderText("dxf", written.bytes, 400, 300);
    ASSERT_EQ(back.result, 1);

    // Each polyline is one figure of the outline, its vertices in order, the
    // whole scaled to fit 400 × 300 less 10 pixels each side.
    const Strokes want = Split(pts), got = Split(back.points);
    ASSERT_EQ(got.size(), want.size());
    const test::Box wb = BoxOf(want), gb = BoxOf(got);
    EXPECT_NEAR(gb.maxX - gb.minX, 380, 1.5);
    const double s = (gb.maxX - gb.minX) / (wb.maxX - wb.minX);
    for (std::size_t k = 0; k < want.size(); ++k) {
        ASSERT_EQ(got[k].size(), want[k].size()) << k;
        for (std::size_t i = 0; i < want[k].size(); ++i) {
            EXPECT_NEAR(got[k][i].x, gb.minX + (want[k][i].x - wb.minX) * s, 1.5) << k << "/" << i;
            EXPECT_NEAR(got[k][i].y, gb.minY + (want[k][i].y - wb.minY) * s, 1.5) << k << "/" << i;
        }
    }
}

TEST(DxfRoundTrip, DrawingConvertedToPltKeepsEveryPoint) {
    const std::string dxf = test::Lines({"0", "SECTION", "2", "ENTITIES", "0", "LWPOLYLINE", "70", "1", "90", "4",
                                         "10", "0", "20", "0", "10", "20", "20", "0", "42", "0.5", "10", "20", "20",
                                         "10", "10", "0", "20", "10", "0", "CIRCLE", "10", "6", "20", "5", "40", "3",
                                         "0", "LINE", "10", "12", "20", "2", "11", "18", "21", "8", "0", "ENDSEC",
                                         "0", "EOF"});
    test::TempDir dir;
    CLoomveilDoc doc;
    test::WriteFile(dir.File("d.dxf"), dxf);
    const test::Rendered drawn = test::RenderPath(doc, dir.File("d.dxf"), 300, 200);
    ASSERT_EQ(drawn.result, 1);
    ASSERT_FALSE(drawn.points.empty());

    doc.m_strFilePath = CString(dir.File("d.plt"));
    ASSERT_TRUE(doc.WritePlt()) << doc.m_strError;
    const std::string plt = test::ReadFile(dir.File("d.plt"));
    const test::Rendered viaReader = test::RenderText("plt", plt, 200, 200);
    ASSERT_EQ(viaReader.result, 1);
    // The pen-up move to the origin before the scale is set is a stroke of
    // one point; the drawing's figures follow it.
    Strokes fromPlt = Split(viaReader.points);
    ASSERT_FALSE(fromPlt.empty());
    EXPECT_EQ(fromPlt.front().size(), 1u);
    fromPlt.erase(fromPlt.begin());
    const Strokes outline = Split(drawn.points);
    EXPECT_GE(outline.size(), 3u); // the polyline, the circle and the line at least
    ASSERT_EQ(fromPlt.size(), outline.size());

    // The larger side spans 1000 plotter units, measured from the first
    // point, truncated to whole units.
    const double s = 1000.0 / BoxOf(outline).Span();
    const _tagREALPT first = outline.front().front();
    for (std::size_t k = 0; k < outline.size(); ++k) {
        ASSERT_EQ(fromPlt[k].size(), outline[k].size()) << k;
        for (std::size_t i = 0; i < outline[k].size(); ++i) {
            EXPECT_NEAR(fromPlt[k][i].x, (outline[k][i].x - first.x) * s, 1.01);
            EXPECT_NEAR(fromPlt[k][i].y, (outline[k][i].y - first.y) * s, 1.01);
        }
    }
}

} // namespace
