// RenderDxf as the viewer, the printer and the command line use it.
#include "cli/cli_runner.h"
#include "cli/pdf_raster.h"
#include "test_support.h"

#include <QImage>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr COLORREF kGrey = RGB(0xD0, 0xD0, 0xD0);

COLORREF At(const QImage& image, int x, int y) {
    return ColourFromPixel(image.pixel(x, y));
}
bool Ink(const QImage& image, int x, int y) {
    const COLORREF c = At(image, x, y);
    return c != kGrey && c != RGB(255, 255, 255);
}

TEST(RenderDxf, DrawsTheDrawingOnGreyAndTakesItsOutlineAsThePattern) {
    CLoomveilDoc doc;
    const test::Rendered r = test::RenderPath(doc, test::DataPath("dxf/r2000.dxf"), 200, 150);
    ASSERT_EQ(r.result, 1) << doc.m_strError;
    EXPECT_EQ(At(r.image, 0, 0), RGB(255, 255, 255)); // the frame's edge
    EXPECT_EQ(At(r.image, 3, 3), kGrey);
    int green = 0, ink = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            green += At(r.image, x, y) == RGB(0, 255, 0); // the hatch
            ink += Ink(r.image, x, y);
        }
    EXPECT_GT(green, 50);
    EXPECT_GT(ink, green + 200);

    // The pattern: device pixels of what was drawn, figures between break
    // markers, the first marker in front.
    ASSERT_GT(r.points.size(), 50u);
    EXPECT_EQ(r.points.front().x, FLT_MAX);
    int figures = 0;
    for (const _tagREALPT& p : r.points) {
        if (p.x == FLT_MAX) {
            ++figures;
            continue;
        }
        EXPECT_GE(p.x, 0.0f);
        EXPECT_LE(p.x, 220.0f); // the bulge bows out past the vertices' extents
        EXPECT_GE(p.y, 0.0f);
        EXPECT_LE(p.y, 150.0f);
    }
    EXPECT_GE(figures, 5);
}

TEST(RenderDxf, FailuresAndEmptyDrawings) {
    test::TempDir dir;
    CLoomveilDoc doc;
    const std::string empty = dir.File("empty.dxf"), cut = dir.File("cut.dxf"), blank = dir.File("blank.dxf");
    test::WriteFile(empty, "");
    test::WriteFile(cut, "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n1\n20\n1\n11\n5\n");
    test::WriteFile(blank, "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
    EXPECT_EQ(test::RenderPath(doc, empty).result, 0);
    EXPECT_EQ(doc.m_strError, "empty file");
    EXPECT_EQ(test::RenderPath(doc, dir.File("gone.dxf")).result, 0);
    EXPECT_FALSE(doc.m_strError.empty());
    // A drawing cut short shows what was read before the cut.
    const test::Rendered partial = test::RenderPath(doc, cut, 60, 40);
    EXPECT_EQ(partial.result, 1);
    EXPECT_EQ(partial.points.size(), 3u);

    // Nothing to draw: the grey picture, no pattern, and a failure that says so.
    const test::Rendered r = test::RenderPath(doc, blank, 60, 40);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(doc.m_strError, "nothing to draw in the drawing");
    EXPECT_TRUE(r.points.empty());
    EXPECT_EQ(At(r.image, 30, 20), kGrey);
}

TEST(RenderDxf, KeepsToThePictureWhereTheOriginPutsIt) {
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(test::DataPath("dxf/r2000.dxf")));
    test::Canvas canvas(300, 200);
    CDC& dc = canvas.dc;
    dc.SetViewportOrg(40, 30);
    ASSERT_EQ(doc.RenderBitmap(&dc, 200, 100), 1);
    EXPECT_EQ(dc.GetViewportOrg(), CPoint(40, 30));
    const QImage& img = canvas.Image();
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool inside = x >= 40 && x < 240 && y >= 30 && y < 130;
            if (!inside) {
                ASSERT_EQ(At(img, x, y), RGB(255, 255, 255)) << x << "," << y;
            }
        }
    EXPECT_EQ(At(img, 45, 35), kGrey);
    // The pattern is in the device's pixels, offset with the picture.
    for (const _tagREALPT& p : doc.m_PointList) {
        if (p.x == FLT_MAX) continue;
        EXPECT_GE(p.y, 30.0f);
    }
}

// A paint device (as a printer is) gets the same picture as a bitmap, the
// lines drawn by the painter instead of pixel by pixel.
TEST(RenderDxf, PaintDevicesGetThePictureABitmapGets) {
    CLoomveilDoc doc;
    const test::Rendered bitmap = test::RenderPath(doc, test::DataPath("dxf/r2000.dxf"), 240, 180);
    ASSERT_EQ(bitmap.result, 1);
    QImage device(240, 180, QImage::Format_RGB32);
    device.fill(Qt::white);
    {
        CDC dc;
        dc.AttachDevice(&device, false);
        EXPECT_EQ(doc.RenderBitmap(&dc, 240, 180), 1);
        dc.DeleteDC();
    }
    int ink = 0, matched = 0;
    for (int y = 2; y < 178; ++y)
        for (int x = 2; x < 238; ++x) {
            if (!Ink(bitmap.image, x, y)) continue;
            ++ink;
            bool near = false;
            for (int dy = -2; dy <= 2 && !near; ++dy)
                for (int dx = -2; dx <= 2 && !near; ++dx) near = Ink(device, x + dx, y + dy);
            matched += near;
        }
    EXPECT_GT(ink, 300);
    EXPECT_GE(matched, ink * 95 / 100);
    EXPECT_EQ(At(device, 5, 5), kGrey);
}

TEST(RenderDxf, CommandLineRendersPrintsAndConverts) {
    test::TempDir dir;
    const std::string in = test::DataPath("dxf/r2000.dxf");
    const std::string png = dir.File("d.png"), pdf = dir.File("d.pdf"), plt = dir.File("d.plt");
    auto r = test::RunCli({"render", in, "-o", png, "--size", "320x240"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.width(), 320);
    EXPECT_EQ(At(image, 10, 10), kGrey);

    r = test::RunCli({"print", in, "-o", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const test::PrintedPage page = test::ReadPrintedPage(pdf, 50);
    ASSERT_FALSE(page.image.isNull());
    EXPECT_FALSE(page.header.isEmpty());
    ASSERT_FALSE(page.pattern.isEmpty());
    EXPECT_GT(page.pattern.width(), page.image.width() / 2); // the drawing spans the picture's width

    r = test::RunCli({"convert", in, "--to", "plt", "-o", plt});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = test::ReadFile(plt);
    EXPECT_EQ(text.rfind("IN;\r\n", 0), 0u);
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 50);
    EXPECT_NE(text.find("PU"), std::string::npos);
    EXPECT_NE(text.find("PD1000,"), std::string::npos); // the drawing's width spans 1000
}

// Every real drawing of the shared corpus loads and draws, with its
// outline as the pattern.
TEST(RenderDxf, EveryCorpusDrawingRenders) {
    const std::filesystem::path dir =
        std::filesystem::path(LOOMVEIL_SOURCE_DIR) / ".." / "shared" / "corpus" / "dxf";
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".dxf") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    int drawn = 0;
    for (const auto& path : files) {
        CLoomveilDoc doc;
        const test::Rendered r = test::RenderPath(doc, path.string(), 160, 120);
        // A few hold nothing in model space, and say so.
        if (r.result == 0) {
            EXPECT_EQ(doc.m_strError, "nothing to draw in the drawing") << path;
        }
        drawn += r.result == 1 && !r.points.empty();
    }
    EXPECT_GE(drawn * 10, static_cast<int>(files.size()) * 9);
}

} // namespace
