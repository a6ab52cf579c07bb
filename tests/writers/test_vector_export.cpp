#include "cli/pdf_raster.h"
#include "write_helpers.h"
#include "writers/vector_export.h"

#include <charconv>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using test::kM;
using writers::VectorFormat;
using writers::VectorOptions;

// One <path> read back: its stroke colour and its points.
struct SvgPath {
    std::string colour;
    std::vector<std::pair<double, double>> points;
};

// A small checker of the path elements: <path stroke="#rrggbb" d="…"/> with
// data "M x y L x y x y …" (absolute moves and lines only). Fails the test
// on anything else.
std::vector<SvgPath> ReadPaths(const std::string& svg) {
    std::vector<SvgPath> paths;
    const std::string open = "<path stroke=\"", data = "\" d=\"";
    for (auto at = svg.find(open); at != std::string::npos; at = svg.find(open, at + 1)) {
        SvgPath p;
        p.colour = svg.substr(at + open.size(), 7);
        EXPECT_EQ(svg.compare(at + open.size() + 7, data.size(), data), 0);
        const char* s = svg.data() + at + open.size() + 7 + data.size();
        const char* e = svg.data() + svg.find("\"/>", at);
        std::vector<double> numbers;
        for (std::size_t i = 0; s < e; ++i) {
            EXPECT_EQ(*s++, i == 0 ? 'M' : i == 2 ? 'L' : ' ') << svg.substr(at, 60);
            double v = 0;
            const auto r = std::from_chars(s, e, v);
            EXPECT_EQ(r.ec, std::errc()) << svg.substr(at, 60);
            numbers.push_back(v);
            s = r.ptr;
        }
        EXPECT_EQ(numbers.size() % 2, 0u);
        for (std::size_t i = 0; i + 1 < numbers.size(); i += 2)
            p.points.emplace_back(numbers[i], numbers[i + 1]);
        paths.push_back(p);
    }
    return paths;
}

struct Exported {
    BOOL ok = FALSE;
    std::string bytes, error;
    std::size_t files = 0; // in the folder afterwards
};

Exported Export(const std::vector<_tagREALPT>& points, const VectorOptions& options,
                const std::string& name = "pattern.qli", const StrokeColours& colours = {}) {
    test::TempDir dir;
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(dir.File(name)));
    for (const _tagREALPT& p : points) doc.m_PointList.AddTail(p);
    doc.m_StrokeColours = colours;
    const std::string out = dir.File("out");
    const Exported e{writers::ExportVector(doc, CString(out), options), test::ReadFile(out), doc.m_strError,
                     test::Entries(dir.path())};
    EXPECT_EQ(doc.m_strFilePath, CString(dir.File(name))); // the current file stays the opened one
    return e;
}

VectorOptions TrueSize(double mmPerUnit, VectorFormat format = VectorFormat::svg) {
    VectorOptions o;
    o.format = format;
    o.mmPerUnit = mmPerUnit;
    return o;
}

TEST(VectorExport, SvgStrokesReadBackAsTheModelsStrokes) {
    // 100 x 50 units at 1 mm each on A4: the box's centre (50, 25) lands on
    // (105, 148.5). A leading marker, a double marker, a lone point and a
    // point that is not finite draw nothing of their own.
    const std::vector<_tagREALPT> points = {kM,       {0, 0},        {100, 0}, {100, 50},       kM, kM,
                                            {0, 50},  {0, 25},       kM,       {7, 7},          kM, {20, 20},
                                            {30, 20}, {INFINITY, 0}, {40, 40}, {0.0005f, 0.25f}};
    const Exported e = Export(points, TrueSize(1.0), "a&b<c>.qli");
    ASSERT_TRUE(e.ok) << e.error;
    EXPECT_EQ(e.files, 1u);
    EXPECT_NE(e.bytes.find("width=\"210mm\" height=\"297mm\" viewBox=\"0 0 210 297\""), std::string::npos);
    EXPECT_NE(e.bytes.find("<title>a&amp;b&lt;c&gt;</title>"), std::string::npos);

    const std::vector<std::vector<_tagREALPT>> strokes = {{{0, 0}, {100, 0}, {100, 50}},
                                                          {{0, 50}, {0, 25}},
                                                          {{20, 20}, {30, 20}},
                                                          {{40, 40}, {0.0005f, 0.25f}}};
    const std::vector<SvgPath> paths = ReadPaths(e.bytes);
    ASSERT_EQ(paths.size(), strokes.size());
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        EXPECT_EQ(paths[i].colour, "#000000");
        ASSERT_EQ(paths[i].points.size(), strokes[i].size()) << i;
        for (std::size_t k = 0; k < strokes[i].size(); ++k) { // to a thousandth of a millimetre
            EXPECT_NEAR(paths[i].points[k].first, double(strokes[i][k].x) - 50 + 105, 0.0005)
                << i << "," << k;
            EXPECT_NEAR(paths[i].points[k].second, double(strokes[i][k].y) - 25 + 148.5, 0.0005)
                << i << "," << k;
        }
    }
}

TEST(VectorExport, FittedWithinTheMarginsOrAtTrueSizeOnATurnedOrGrownPage) {
    // 200 x 100 units on A4 less 10 mm margins: 190 / 200 sets the scale.
    const auto fit = ReadPaths(Export({{0, 0}, {200, 0}, {200, 100}}, VectorOptions{}).bytes);
    ASSERT_EQ(fit.size(), 1u);
    EXPECT_NEAR(fit[0].points[0].first, 10, 1e-9);
    EXPECT_NEAR(fit[0].points[1].first, 200, 1e-9);
    EXPECT_NEAR(fit[0].points[2].second - fit[0].points[0].second, 95, 1e-9);
    // A straight line, which the window does not draw, is exported: its
    // length sets the scale on a Letter page, 215.9 mm wide.
    VectorOptions letter;
    letter.page = writers::kPageLetter;
    const auto line = ReadPaths(Export({{5, 3}, {15, 3}}, letter).bytes);
    ASSERT_EQ(line.size(), 1u);
    EXPECT_NEAR(line[0].points[1].first - line[0].points[0].first, 195.9, 1e-9);

    std::string why;
    auto page = [&](float w, float h) {
        CPointList list(10);
        list.AddTail({0, 0});
        list.AddTail({w, h});
        const auto l = writers::LayoutStrokes(list, TrueSize(1.0), why);
        return l ? std::to_string(int(l->pageWidthMm)) + "x" + std::to_string(int(l->pageHeightMm)) : "none";
    };
    EXPECT_EQ(page(190, 277), "210x297");
    EXPECT_EQ(page(250, 150), "297x210");
    EXPECT_EQ(page(400, 100), "420x297");
    EXPECT_EQ(page(5061, 10), "none");
    EXPECT_EQ(why, "at true size the pattern is 5061 x 10 mm, larger than the largest page (5080 mm a side)");
    EXPECT_EQ(page(3.0e38f, 10), "none");
}

TEST(VectorExport, NothingToDrawOrAFailedWriteLeavesNoFile) {
    for (const std::vector<_tagREALPT>& points :
         std::vector<std::vector<_tagREALPT>>{{},
                                              {kM, kM},
                                              {{1, 1}, kM, {2, 2}},
                                              {{3, 3}, {3, 3}, kM, {3, 3}, {3, 3}},
                                              {{NAN, 1}, {2, NAN}}}) {
        for (VectorFormat format : {VectorFormat::svg, VectorFormat::pdf}) {
            const Exported e = Export(points, TrueSize(0, format));
            EXPECT_FALSE(e.ok);
            EXPECT_EQ(e.error.rfind("nothing to export: ", 0), 0u) << e.error;
            EXPECT_EQ(e.files, 0u);
        }
    }
    test::TempDir dir;
    const std::string old = dir.File("old.svg");
    test::WriteFile(old, "old picture");
    CLoomveilDoc doc;
    doc.m_PointList.AddTail({1, 1});
    EXPECT_FALSE(writers::ExportVector(doc, CString(old), VectorOptions{}));
    EXPECT_EQ(test::ReadFile(old), "old picture");
    doc.m_PointList.AddTail({2, 2});
    EXPECT_FALSE(writers::ExportVector(doc, CString("/dev/full"), VectorOptions{}));
    EXPECT_EQ(doc.m_strError, std::strerror(ENOSPC));
    ASSERT_TRUE(writers::ExportVector(doc, CString(old), VectorOptions{}));
    EXPECT_EQ(test::ReadFile(old).rfind("<?xml", 0), 0u);
    EXPECT_EQ(test::Entries(dir.path()), 1u);
}

TEST(VectorExport, StrokesTakeTheModelsColours) {
    auto colours = [&](const std::vector<_tagREALPT>& points, const StrokeColours& c) {
        std::string out;
        for (const SvgPath& p : ReadPaths(Export(points, VectorOptions{}, "p.qli", c).bytes))
            out += p.colour + std::to_string(p.points.size()) + " ";
        return out;
    };
    const _tagREALPT a{0, 0}, b{9, 9}, c{9, 0};
    StrokeColours pens;
    EXPECT_EQ(colours({a, b, kM, a, b}, pens), "#0000002 #0000002 ");
    // Red from the second stroke's marker on; blue from its third point, so
    // that stroke splits at the point where the colour changes.
    pens.Set(2, RGB(255, 0, 0));
    pens.Set(5, RGB(0, 0, 255));
    EXPECT_EQ(colours({a, b, kM, a, b, c, a}, pens), "#0000002 #ff00002 #0000ff3 ");
}

TEST(VectorExport, PdfIsOnePageOfVectorsMeasuringTrueMillimetres) {
    // At 4 units to the mm: a 100 mm line, and a 40 mm one 10 mm below it.
    test::TempDir dir;
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(dir.File("Stern\xC3\xA9.4qb")));
    for (const _tagREALPT& p : {kM, {0, 0}, {400, 0}, kM, {0, 40}, {0, 200}}) doc.m_PointList.AddTail(p);
    doc.m_StrokeColours.Set(3, RGB(255, 0, 0));
    VectorOptions o = TrueSize(0.25, VectorFormat::pdf);
    const std::string pdf = dir.File("ruler.pdf");
    ASSERT_TRUE(writers::ExportVector(doc, CString(pdf), o)) << doc.m_strError;

    const std::string bytes = test::ReadFile(pdf);
    EXPECT_EQ(bytes.find("/Image"), std::string::npos);
    const auto black = bytes.find("0.000 0.000 0.000 RG\n"), red = bytes.find("1.000 0.000 0.000 RG\n");
    EXPECT_LT(black, red);
    EXPECT_NE(red, std::string::npos);
    // Every cross-reference entry points at its object.
    const std::size_t xref = std::stoul(bytes.substr(bytes.rfind("startxref\n") + 10));
    ASSERT_EQ(bytes.compare(xref, 9, "xref\n0 7\n"), 0);
    for (int n = 1; n <= 6; ++n) {
        const std::size_t offset = std::stoul(bytes.substr(xref + 9 + 20 * static_cast<std::size_t>(n), 10));
        EXPECT_EQ(bytes.compare(offset, 7, std::to_string(n) + " 0 obj"), 0) << n;
    }
    EXPECT_EQ(std::stoul(bytes.substr(bytes.find("5 0 obj\n") + 8)),
              bytes.find("endstream") - (bytes.find("stream\n") + 7));
    auto info = test::PdfInfo(pdf);
    EXPECT_EQ(info["Pages"], "1");
    EXPECT_EQ(info["Title"], "Stern\xC3\xA9");
    EXPECT_EQ(info["Page size"], "595.276 x 841.89 pts (A4)");

    // At 254 dots per inch a millimetre is 10 pixels; the ink reaches half
    // the line width (0.25 mm) past each end. The box (0, 0)–(100, 50) mm is
    // centred on the page.
    const QImage page = test::RasterisePdf(pdf, 254);
    ASSERT_FALSE(page.isNull());
    const QRect horizontal = test::InkBox(page, QRect(0, 0, page.width(), 1300));
    const QRect vertical = test::InkBox(page, QRect(0, 1300, page.width(), page.height() - 1300));
    EXPECT_NEAR(horizontal.width(), 1000 + 2.5, 2);
    EXPECT_NEAR(vertical.height(), 400 + 2.5, 2);
    EXPECT_NEAR(horizontal.center().x(), 1050, 2);
    EXPECT_NEAR(horizontal.top(), 1485 - 250, 3);
}

} // namespace
