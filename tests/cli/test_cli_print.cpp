#include "cli/cli_runner.h"
#include "cli/pdf_raster.h"
#include "test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

namespace {

using test::RunCli;

constexpr int kDpi = 100; // of the rasterised page

// A frame twice as wide as high: on a portrait page its width sets the
// scale, so it spans the picture's width and sits mid-page.
constexpr const char* kWideFrame = "#h\nL,0,0\nL,200,0\nL,200,100\nL,0,100\nL,0,0\n";

// The page checks shared by A4 and Letter (sizes in inches).
void ExpectPrintedLayout(const std::string& pdf, double pageW, double pageH) {
    const test::PrintedPage page = test::ReadPrintedPage(pdf, kDpi);
    ASSERT_FALSE(page.image.isNull());
    EXPECT_NEAR(page.image.width(), pageW * kDpi, 1);
    EXPECT_NEAR(page.image.height(), pageH * kDpi, 1);

    // The header: centred, in the band around the one-inch line (its top a
    // quarter of its 16-point height above it), clear of the picture.
    ASSERT_FALSE(page.header.isEmpty());
    EXPECT_NEAR(page.header.center().x(), pageW * kDpi / 2, 2);
    EXPECT_GT(page.header.top(), 0.8 * kDpi);
    EXPECT_LT(page.header.bottom(), 1.25 * kDpi);

    // The pattern fills the picture's width within the one-inch margins
    // (less the 1% the drawing leaves on each side) and is centred below.
    ASSERT_FALSE(page.pattern.isEmpty());
    const double pictureW = (pageW - 2) * kDpi;
    EXPECT_GE(page.pattern.left(), kDpi - 1);
    EXPECT_LE(page.pattern.right(), (pageW - 1) * kDpi + 1);
    EXPECT_NEAR(page.pattern.width(), pictureW / 1.02, 3);
    EXPECT_NEAR(page.pattern.height(), pictureW / 1.02 / 2, 3);
    EXPECT_GT(page.pattern.top(), page.header.bottom());
    EXPECT_LE(page.pattern.bottom(), (pageH - 1) * kDpi);
}

TEST(CliPrint, PrintsOnePageWithTheNameAboveThePattern) {
    const struct {
        const char* name;
        const char* title;
        std::vector<std::string> page;
        const char* pageSize;
        double width, height; // inches
    } cases[] = {{"frame.qli", "frame", {}, "595 x 842 pts (A4)", 210 / 25.4, 297 / 25.4},
                 {"a.b.qli", "a.b", {"--page", "Letter"}, "612 x 792 pts (letter)", 8.5, 11}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pageSize);
        test::TempDir dir;
        const std::string in = dir.File(c.name), pdf = dir.File("out.pdf");
        test::WriteFile(in, kWideFrame);
        std::vector<std::string> args{"print", in, "-o", pdf};
        args.insert(args.end(), c.page.begin(), c.page.end());
        const auto r = RunCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, pdf + "\n");
        auto info = test::PdfInfo(pdf);
        EXPECT_EQ(info["Pages"], "1");
        EXPECT_EQ(info["Title"], c.title);
        EXPECT_EQ(info["Page size"], c.pageSize);
        ExpectPrintedLayout(pdf, c.width, c.height);
    }
}

TEST(CliPrint, AFileThatCannotBeReadLeavesNoPdf) {
    test::TempDir dir;
    const std::string pdf = dir.File("x.pdf");
    test::WriteFile(pdf, "old");
    const auto missing = RunCli({"print", dir.File("gone.qli"), "-o", pdf});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("loomveil-cli: " + dir.File("gone.qli") + ": "), std::string::npos)
        << missing.err;
    EXPECT_EQ(test::ReadFile(pdf), "old");

    const std::string odd = dir.File("p.xyz");
    test::WriteFile(odd, "nothing");
    EXPECT_EQ(RunCli({"print", odd, "-o", pdf}).exitCode, 1);
    EXPECT_EQ(test::ReadFile(pdf), "old");
}

TEST(CliPrint, TrueSizeTilesPagesWhereTheUnitIsKnown) {
    test::TempDir dir;
    // 24 × 4 inches of HPGL (1016 units to the inch): 4 sheets across on A4.
    const std::string plt = dir.File("panto.plt"), pdf = dir.File("panto.pdf");
    test::WriteFile(plt, "IN;PU0,0;PD24384,0,24384,4064,0,4064,0,0;");
    const auto r = RunCli({"print", "--true-size", plt, "-o", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::PdfInfo(pdf)["Pages"], "5"); // the cover, then the sheets

    const std::string cqp = dir.File("frame.cqp");
    test::WriteFile(cqp, "PU\nM0,0\nD200,0\nD200,100\nD0,100\nD0,0\n");
    const auto unknown = RunCli({"print", "--true-size", cqp, "-o", dir.File("frame.pdf")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no true size: "), std::string::npos) << unknown.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("frame.pdf")));
}

} // namespace
