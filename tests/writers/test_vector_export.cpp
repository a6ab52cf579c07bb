#include "cli/pdf_raster.h"
#include "write_helpers.h"
#include "writers/vector_export.h"

#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

using test::kM;
using writers::VectorFormat;
using writers::VectorOptions;

// One <path> of an SVG file read back: its stroke colour and its points.
struct SvgPath {
    std::string colour;
    std::vector<std::pair<double, double>> points;
};
struct Svg {
    std::map<std::string, std::string> root; // attributes of <svg>
    std::string title;
    std::vector<SvgPath> paths;
    std::string error;
};

// The text between open and close from at on; at moves past close. Empty
// with at = npos when either is missing.
std::string Between(const std::string& s, std::size_t& at, std::string_view open, std::string_view close) {
    const std::size_t a = s.find(open, at);
    const std::size_t b = a == std::string::npos ? a : s.find(close, a + open.size());
    if (b == std::string::npos) {
        at = std::string::npos;
        return {};
    }
    at = b + close.size();
    return s.substr(a + open.size(), b - a - open.size());
}

// A small checker for what the export writes: the attributes of <svg>, and
// path data "M x y L x y x y …" (absolute moves and lines only).
Svg ParseSvg(const std::string& text) {
    Svg svg;
    std::size_t at = 0;
    const std::string attrs = Between(text, at, "<svg ", ">");
    if (at == std::string::npos) {
        svg.error = "no <svg>";
        return svg;
    }
    for (std::size_t a = 0;;) {
        const std::size_t eq = attrs.find("=\"", a);
        if (eq == std::string::npos) break;
        const std::size_t nameStart = attrs.rfind(' ', eq);
        const std::string name = attrs.substr(nameStart == std::string::npos ? 0 : nameStart + 1,
                                              eq - (nameStart == std::string::npos ? 0 : nameStart + 1));
        a = eq + 1;
        svg.root[name] = Between(attrs, a, "\"", "\"");
    }
    std::size_t t = 0;
    svg.title = Between(text, t, "<title>", "</title>");
    for (std::size_t p = at;;) {
        SvgPath path;
        path.colour = Between(text, p, "<path stroke=\"", "\"");
        if (p == std::string::npos) break;
        const std::string d = Between(text, p, " d=\"", "\"/>");
        if (path.colour.size() != 7 || path.colour[0] != '#') svg.error = "bad colour " + path.colour;
        const char* s = d.data();
        const char* e = s + d.size();
        std::vector<double> numbers;
        for (int index = 0; s < e;) {
            if ((index == 0 && *s != 'M') || (index == 2 && *s != 'L')) {
                svg.error = "unexpected path data: " + d.substr(0, 40);
                return svg;
            }
            if (index == 0 || index == 2 || *s == ' ') ++s;
            double v = 0;
            const auto r = std::from_chars(s, e, v);
            if (r.ec != std::errc()) {
                svg.error = "bad number in: " + d.substr(0, 40);
                return svg;
            }
            numbers.push_back(v);
            s = r.ptr;
            ++index;
        }
        for (std::size_t i = 0; i + 1 < numbers.size(); i += 2) path.points.emplace_back(numbers[i], numbers[i + 1]);
        if (numbers.size() % 2) svg.error = "odd number count";
        svg.paths.push_back(path);
    }
    return svg;
}

struct Exported {
    BOOL ok = FALSE;
    std::string bytes, error;
    std::size_t files = 0; // in the folder afterwards
};

Exported Export(const std::vector<_tagREALPT>& points, const VectorOptions& options,
                const std::string& name = "pattern.qli") {
    test::TempDir dir;
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(dir.File(name)));
    for (const _tagREALPT& p : points) doc.m_PointList.AddTail(p);
    const std::string out = dir.File(options.format == VectorFormat::svg ? "out.svg" : "out.pdf");
    Exported e;
    e.ok = writers::ExportVector(doc, CString(out), options);
    e.bytes = test::ReadFile(out);
    e.error = doc.m_strError;
    e.files = test::Entries(dir.path());
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
    // 100 x 50 units at 1 mm each, centred on A4: the box's centre (50, 25)
    // lands on (105, 148.5). A leading marker, a double marker, a lone point
    // and a point that is not finite all draw nothing of their own.
    const std::vector<_tagREALPT> points = {kM, {0, 0},  {100, 0}, {100, 50}, kM,         kM,       {0, 50},
                                            {0, 25},     kM,       {7, 7},    kM,         {20, 20}, {30, 20},
                                            {INFINITY, 0}, {40, 40}, {50, 40}, {0.0005f, 0.25f}};
    const Exported e = Export(points, TrueSize(1.0), "a&b<c>.qli");
    ASSERT_TRUE(e.ok) << e.error;
    EXPECT_EQ(e.files, 1u);
    const Svg svg = ParseSvg(e.bytes);
    ASSERT_EQ(svg.error, "");
    EXPECT_EQ(svg.root.at("width"), "210mm");
    EXPECT_EQ(svg.root.at("height"), "297mm");
    EXPECT_EQ(svg.root.at("viewBox"), "0 0 210 297");
    EXPECT_EQ(svg.title, "a&amp;b&lt;c&gt;");

    const std::vector<std::vector<_tagREALPT>> strokes = {
        {{0, 0}, {100, 0}, {100, 50}}, {{0, 50}, {0, 25}}, {{20, 20}, {30, 20}}, {{40, 40}, {50, 40}, {0.0005f, 0.25f}}};
    ASSERT_EQ(svg.paths.size(), strokes.size());
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        EXPECT_EQ(svg.paths[i].colour, "#000000");
        ASSERT_EQ(svg.paths[i].points.size(), strokes[i].size()) << i;
        for (std::size_t k = 0; k < strokes[i].size(); ++k) {
            // Three decimals of a millimetre.
            EXPECT_NEAR(svg.paths[i].points[k].first, double(strokes[i][k].x) - 50 + 105, 0.0005) << i << "," << k;
            EXPECT_NEAR(svg.paths[i].points[k].second, double(strokes[i][k].y) - 25 + 148.5, 0.0005) << i << "," << k;
        }
    }
}

TEST(VectorExport, FittedToThePageWithinItsMargins) {
    // 200 x 100 units on A4 less 10 mm margins: 190 / 200 limits the scale.
    const Exported e = Export({{0, 0}, {200, 0}, {200, 100}}, VectorOptions{});
    ASSERT_TRUE(e.ok) << e.error;
    const Svg svg = ParseSvg(e.bytes);
    ASSERT_EQ(svg.paths.size(), 1u);
    const auto& p = svg.paths[0].points;
    EXPECT_NEAR(p[0].first, 10, 1e-9);
    EXPECT_NEAR(p[1].first, 200, 1e-9);
    EXPECT_NEAR(p[2].second - p[0].second, 95, 1e-9);
    EXPECT_NEAR((p[0].second + p[2].second) / 2, 148.5, 1e-9);

    // A straight horizontal line, which the window does not draw, is still
    // exported: its length sets the scale. Letter pages are 215.9 mm wide.
    VectorOptions letter;
    letter.page = writers::kPageLetter;
    const Svg line = ParseSvg(Export({{5, 3}, {15, 3}}, letter).bytes);
    ASSERT_EQ(line.paths.size(), 1u);
    EXPECT_EQ(line.root.at("width"), "215.9mm");
    EXPECT_NEAR(line.paths[0].points[1].first - line.paths[0].points[0].first, 195.9, 1e-9);
    EXPECT_NEAR(line.paths[0].points[0].second, 139.7, 1e-9);
}

TEST(VectorExport, TrueSizeTurnsOrGrowsThePage) {
    std::string why;
    auto layout = [&](float w, float h) {
        CPointList list(10);
        list.AddTail({0, 0});
        list.AddTail({w, h});
        return writers::LayoutStrokes(list, TrueSize(1.0), why);
    };
    const auto portrait = layout(190, 277);
    ASSERT_TRUE(portrait);
    EXPECT_EQ(portrait->pageWidthMm, 210);
    const auto landscape = layout(250, 150);
    ASSERT_TRUE(landscape);
    EXPECT_EQ(landscape->pageWidthMm, 297);
    EXPECT_EQ(landscape->pageHeightMm, 210);
    const auto grown = layout(400, 100);
    ASSERT_TRUE(grown);
    EXPECT_EQ(grown->pageWidthMm, 420);
    EXPECT_EQ(grown->pageHeightMm, 297);
    EXPECT_EQ(grown->X(0), 10);
    EXPECT_FALSE(layout(5061, 10));
    EXPECT_EQ(why, "at true size the pattern is 5061 x 10 mm, larger than the largest page (5080 mm a side)");
    EXPECT_FALSE(layout(3.0e38f, 10));
}

TEST(VectorExport, NothingToDrawWritesNoFileAndLeavesTheOldOne) {
    for (const std::vector<_tagREALPT>& points : std::vector<std::vector<_tagREALPT>>{
             {}, {kM, kM}, {{1, 1}, kM, {2, 2}}, {{3, 3}, {3, 3}, kM, {3, 3}, {3, 3}}, {{NAN, 1}, {2, NAN}}}) {
        for (VectorFormat format : {VectorFormat::svg, VectorFormat::pdf}) {
            VectorOptions o;
            o.format = format;
            const Exported e = Export(points, o);
            EXPECT_FALSE(e.ok) << points.size();
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
    EXPECT_FALSE(writers::ExportVector(doc, CString(dir.File("missing/x.svg")), VectorOptions{}));
    EXPECT_EQ(doc.m_strError, "No such file or directory");
    EXPECT_FALSE(writers::ExportVector(doc, CString("/dev/full"), VectorOptions{}));
    EXPECT_EQ(doc.m_strError, "No space left on device");
    ASSERT_TRUE(writers::ExportVector(doc, CString(old), VectorOptions{}));
    EXPECT_EQ(test::ReadFile(old).rfind("<?xml", 0), 0u);
    EXPECT_EQ(test::Entries(dir.path()), 1u);
}

TEST(VectorExport, StrokeColoursFollowTheViewersPens) {
    const COLORREF* table = writers::ViewerStrokeColours(CString("4qb"));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(writers::ViewerStrokeColours(CString("qli")), nullptr);
    VectorOptions o;
    o.colours = table;
    auto colours = [&](const std::vector<_tagREALPT>& points) {
        std::vector<std::string> out;
        for (const SvgPath& p : ParseSvg(Export(points, o, "p.4qb").bytes).paths) out.push_back(p.colour);
        return out;
    };
    // The first marker selects the first colour; a lone point still uses up
    // its marker's colour.
    const _tagREALPT a{0, 0}, b{9, 9};
    EXPECT_EQ(colours({kM, a, b, kM, a, b, kM, a, b, kM, a, b, kM, a, b, kM, a}),
              (std::vector<std::string>{"#000000", "#ff0000", "#00ff00", "#0000ff", "#000000"}));
    EXPECT_EQ(colours({a, b, kM, a, b, kM, kM, a, b, kM, a, kM, a, b}),
              (std::vector<std::string>{"#000000", "#000000", "#00ff00", "#000000"}));
}

// The offset of every object in the cross-reference table must be where
// that object begins.
void ExpectCrossReferences(const std::string& pdf) {
    const auto startxref = pdf.rfind("startxref\n");
    ASSERT_NE(startxref, std::string::npos);
    const std::size_t xref = std::stoul(pdf.substr(startxref + 10));
    ASSERT_EQ(pdf.compare(xref, 9, "xref\n0 7\n"), 0);
    for (int n = 1; n <= 6; ++n) {
        const std::size_t entry = xref + 9 + 20 * static_cast<std::size_t>(n);
        ASSERT_EQ(pdf.substr(entry + 10, 10), " 00000 n\r\n") << n;
        const std::size_t offset = std::stoul(pdf.substr(entry, 10));
        EXPECT_EQ(pdf.compare(offset, std::to_string(n).size() + 6, std::to_string(n) + " 0 obj"), 0) << n;
    }
    // The stream's length object says how many bytes lie between "stream"
    // and "endstream".
    const auto begin = pdf.find("stream\n") + 7, end = pdf.find("endstream");
    const auto length = pdf.find("5 0 obj\n");
    EXPECT_EQ(std::stoul(pdf.substr(length + 8)), end - begin);
}

TEST(VectorExport, PdfIsOnePageOfVectorsMeasuringTrueMillimetres) {
    // A 100 mm line and a 40 mm one at right angles, 4 units to the mm.
    test::TempDir dir;
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(dir.File("ruler.plt")));
    for (const _tagREALPT& p : {_tagREALPT{0, 0}, {400, 0}, kM, {0, 40}, {0, 200}}) doc.m_PointList.AddTail(p);
    const std::string pdf = dir.File("ruler.pdf");
    ASSERT_TRUE(writers::ExportVector(doc, CString(pdf), TrueSize(0.25, VectorFormat::pdf))) << doc.m_strError;

    const std::string bytes = test::ReadFile(pdf);
    EXPECT_EQ(bytes.rfind("%PDF-1.4\n", 0), 0u);
    EXPECT_EQ(bytes.find("/Image"), std::string::npos);
    EXPECT_EQ(bytes.find("/XObject"), std::string::npos);
    ExpectCrossReferences(bytes);
    auto info = test::PdfInfo(pdf);
    EXPECT_EQ(info["Pages"], "1");
    EXPECT_EQ(info["Title"], "ruler");
    EXPECT_EQ(info["Page size"], "595.276 x 841.89 pts (A4)");

    // At 254 dots per inch a millimetre is 10 pixels; the ink of a line
    // reaches half the line's width (0.25 mm) past each end.
    const QImage page = test::RasterisePdf(pdf, 254);
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 2100, 1);
    const QRect horizontal = test::InkBox(page, QRect(0, 0, page.width(), 1300));
    const QRect vertical = test::InkBox(page, QRect(0, 1300, page.width(), page.height() - 1300));
    EXPECT_NEAR(horizontal.width(), 1000 + 2.5, 2);
    EXPECT_NEAR(vertical.height(), 400 + 2.5, 2);
    // Centred: the box (0, 0)–(100, 50) mm has its centre mid-page.
    EXPECT_NEAR(horizontal.center().x(), 1050, 2);
    EXPECT_NEAR(horizontal.top(), 1485 - 250, 3);
}

TEST(VectorExport, PdfColoursAndTitles) {
    VectorOptions o;
    o.format = VectorFormat::pdf;
    o.colours = writers::ViewerStrokeColours(CString("4qb"));
    const std::string bytes = Export({kM, {0, 0}, {1, 1}, kM, {2, 2}, {3, 1}}, o, "Stern\xC3\xA9.4qb").bytes;
    const auto black = bytes.find("0.000 0.000 0.000 RG\n"), red = bytes.find("1.000 0.000 0.000 RG\n");
    ASSERT_NE(black, std::string::npos);
    ASSERT_NE(red, std::string::npos);
    EXPECT_LT(black, red);
    EXPECT_EQ(bytes.find("RG", red + 20), std::string::npos);
    // The title in UTF-16, big-endian, with its byte-order mark.
    EXPECT_NE(bytes.find("/Title <FEFF0053007400650072006E00E9>"), std::string::npos);
    ExpectCrossReferences(bytes);
}

} // namespace
