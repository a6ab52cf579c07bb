#include "cli/cli_runner.h"
#include "cli/pdf_raster.h"
#include "model/formats.h"
#include "writers/write_helpers.h"

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace {

using test::Entries;
using test::RunCli;
using test::ShellQuote;
namespace fs = std::filesystem;

const std::string kSample = std::string(LOOMVEIL_SOURCE_DIR) + "/samples/loops.qli";
// Twice as wide as high.
constexpr const char* kWideFrame = "#h\nL,0,0\nL,200,0\nL,200,100\nL,0,100\nL,0,0\n";

// The horizontal extent of the ink of page 1, in pixels at 254 dpi (10 per mm).
int InkWidthAt254Dpi(const std::string& pdf) {
    const QImage page = test::RasterisePdf(pdf, 254);
    return page.isNull() ? -1 : test::InkBox(page).width();
}

TEST(CliExport, FormatsNamesTrueSizeAndFailures) {
    test::TempDir dir;
    const auto svg = RunCli({"export", kSample, "--svg", "-o", dir.File("a.svg")});
    ASSERT_EQ(svg.exitCode, 0) << svg.err;
    EXPECT_EQ(svg.out, dir.File("a.svg") + "\n");
    EXPECT_NE(test::ReadFile(dir.File("a.svg")).find("<path stroke=\"#000000\" d=\"M"), std::string::npos);
    ASSERT_EQ(RunCli({"export", kSample, "-o", dir.File("b.PDF")}).exitCode, 0); // the format from the name
    EXPECT_EQ(test::PdfInfo(dir.File("b.PDF"))["Title"], "loops");

    // No true size without a unit, no file without strokes; the old file stays.
    test::WriteFile(dir.File("p.pdf"), "old");
    const std::string iqp = test::DataPath("iqp/two_strokes.iqp");
    const auto noUnit = RunCli({"export", iqp, "--pdf", "--true-size", "-o", dir.File("p.pdf")});
    EXPECT_EQ(noUnit.exitCode, 1);
    EXPECT_EQ(noUnit.err, "loomveil-cli: " + iqp +
                              ": no true size: IQP files do not say what their coordinates measure\n");
    const std::string lone = dir.File("lone.qli");
    test::WriteFile(lone, "#header\n"); // the single point (0, 0)
    const auto empty = RunCli({"export", lone, "--pdf", "-o", dir.File("p.pdf")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "loomveil-cli: " + lone + ": no stitch data found\n");
    EXPECT_EQ(test::ReadFile(dir.File("p.pdf")), "old");
    const std::string cdr = test::DataPath("cdr/zip_png.cdr");
    EXPECT_EQ(RunCli({"export", cdr, "--svg", "-o", dir.File("c.svg")}).err,
              "loomveil-cli: " + cdr + ": a CDR file holds only a preview picture, no strokes to export\n");
    EXPECT_EQ(Entries(dir.path()), 4u); // a.svg, b.PDF, p.pdf, lone.qli
}

// A LINE 100 drawing units long and a short one across it.
std::string Drawing(const char* insunits) {
    std::string s = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n";
    if (insunits) s += std::string("9\n$INSUNITS\n70\n") + insunits + "\n";
    return s +
           "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n100\n21\n0\n31\n0\n"
           "0\nLINE\n8\n0\n10\n50\n20\n-10\n30\n0\n11\n50\n21\n10\n31\n0\n0\nENDSEC\n0\nEOF\n";
}

TEST(CliExport, TrueSizesFollowPlotterUnitsAndInsUnits) {
    test::TempDir dir;
    const std::string plt = dir.File("line.plt"), mm = dir.File("mm.dxf"), cm = dir.File("cm.dxf"),
                      bare = dir.File("bare.dxf");
    test::WriteFile(plt, "IN;SP1;PU0,0;PD4000,0;PD4000,400;PU;SP0;\n"); // 100 mm, then 10 mm
    test::WriteFile(mm, Drawing("4"));
    test::WriteFile(cm, Drawing("     5"));
    test::WriteFile(bare, Drawing(nullptr));
    const auto info = RunCli({"info", plt, mm, cm, bare});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    for (const std::string& line :
         {std::string(", 100.00 x 10.00 mm (3.937 x 0.394 in)"),
          std::string("(100, 10), units millimetres, 100.00 x 20.00 mm (3.937 x 0.787 in), 2 entities"),
          std::string("units centimetres, 1000.00 x 200.00 mm (39.370 x 7.874 in)"),
          bare + ": DXF AC1015 (R2000), 4 points, 2 strokes, box (0, -10) to (100, 10), 2 entities, "})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;

    // 100 mm is 1000 pixels at 254 dpi, plus half the 0.25 mm line at each
    // end. The DXF outline is in pixels of a 4096-pixel picture: within a
    // pixel of it.
    ASSERT_EQ(RunCli({"export", plt, "--pdf", "--true-size", "-o", dir.File("plt.pdf")}).exitCode, 0);
    EXPECT_NEAR(InkWidthAt254Dpi(dir.File("plt.pdf")), 1002.5, 2);
    ASSERT_EQ(RunCli({"export", mm, "--pdf", "--true-size", "-o", dir.File("mm.pdf")}).exitCode, 0);
    EXPECT_NEAR(InkWidthAt254Dpi(dir.File("mm.pdf")), 1002.5, 6);
    EXPECT_NE(RunCli({"export", bare, "--svg", "--true-size"}).err.find("no $INSUNITS"), std::string::npos);
}

// path rendered at 200 x 200, with or without the jumps.
QImage Rendered(const test::TempDir& dir, const std::string& path, bool jumps) {
    const std::string png = dir.File(jumps ? "jumps.png" : "plain.png");
    std::vector<std::string> args{"render", path, "-o", png, "--size", "200x200"};
    if (jumps) args.push_back("--jumps");
    EXPECT_EQ(RunCli(args).exitCode, 0) << path;
    return QImage(QString::fromStdString(png));
}

TEST(CliRender, JumpsAreDashedLinesBetweenStrokes) {
    // Two upright strokes 100 apart joined by a pen-up move at the top; in
    // 200 x 200 pixels that move runs along row 1 from x = 1 to 198.
    test::TempDir dir;
    const std::string in = dir.File("two.qli");
    test::WriteFile(in, "#h\nBG\nL,0,0\nL,0,100\nBG\nL,100,100\nL,100,0\n");
    const QImage plain = Rendered(dir, in, false), jumps = Rendered(dir, in, true);
    int grey = 0, white = 0;
    for (int x = 5; x < 195; ++x) {
        EXPECT_EQ(plain.pixel(x, 1), qRgb(255, 255, 255));
        grey += jumps.pixel(x, 1) == qRgb(128, 128, 128);
        white += jumps.pixel(x, 1) == qRgb(255, 255, 255);
    }
    EXPECT_NEAR(grey, 190 * 4 / 7, 3); // dashes of 4 on, 3 off
    EXPECT_EQ(grey + white, 190);
    for (int y = 2; y < 198; ++y) EXPECT_EQ(jumps.pixel(1, y), plain.pixel(1, y)); // the strokes stay

    // The same two strokes as DXF lines: the jump runs over the drawing's
    // grey background, along the top of the fitted picture.
    const std::string dxf = dir.File("two.dxf");
    test::WriteFile(dxf, "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n0\n21\n100\n"
                         "0\nLINE\n10\n100\n20\n100\n11\n100\n21\n0\n0\nENDSEC\n0\nEOF\n");
    const QImage dplain = Rendered(dir, dxf, false), djumps = Rendered(dir, dxf, true);
    int changed = 0, changedToJump = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            if (djumps.pixel(x, y) == dplain.pixel(x, y)) continue;
            ++changed;
            changedToJump += djumps.pixel(x, y) == qRgb(128, 128, 128) && y < 15;
        }
    EXPECT_GT(changed, 80);
    EXPECT_EQ(changedToJump, changed);
}

TEST(CliThumbnail, FilesThatDrawNothingGiveNoPicture) {
    test::TempDir dir;
    test::WriteFile(dir.File("lone.qli"), "#header\n");
    const auto blank = RunCli({"thumbnail", dir.File("lone.qli"), dir.File("lone.png")});
    EXPECT_EQ(blank.exitCode, 1);
    EXPECT_EQ(blank.err, "loomveil-cli: " + dir.File("lone.qli") + ": no stitch data found\n");
    EXPECT_EQ(RunCli({"thumbnail", dir.File("gone.qli"), dir.File("gone.png")}).exitCode, 1);
    EXPECT_EQ(Entries(dir.path()), 1u);
    ASSERT_EQ(RunCli({"thumbnail", kSample, dir.File("t.png")}).exitCode, 0);
    EXPECT_EQ(QImage(QString::fromStdString(dir.File("t.png"))).size(), QSize(256, 256));
}

// "Key=Value" lines of a desktop key file.
std::map<std::string, std::string> KeyFile(const fs::path& path) {
    std::map<std::string, std::string> keys;
    std::istringstream in(test::ReadFile(path.string()));
    for (std::string line; std::getline(in, line);)
        if (const auto eq = line.find('='); eq != std::string::npos)
            keys[line.substr(0, eq)] = line.substr(eq + 1);
    return keys;
}

std::set<std::string> Types(const std::string& list) {
    std::set<std::string> types;
    std::istringstream in(list);
    for (std::string t; std::getline(in, t, ';');)
        if (!t.empty()) types.insert(t);
    return types;
}

// Installs the build into a temporary prefix, then makes a thumbnail as a
// file manager does: it takes the thumbnailer entry of the file's type,
// fills in %i, %o and %s, and runs the command through PATH.
TEST(CliThumbnail, TheInstalledThumbnailerRunsAsAFileManagerRunsIt) {
    const fs::path build = fs::path(LOOMVEIL_CLI_PATH).parent_path().parent_path();
    ASSERT_TRUE(fs::exists(build / "CMakeCache.txt")) << build;
    test::TempDir dir;
    const fs::path prefix = dir.path() / "prefix", share = prefix / "share";
    const std::string log = dir.File("install.log");
    ASSERT_EQ(std::system(("cmake --install " + ShellQuote(build.string()) + " --prefix " +
                           ShellQuote(prefix.string()) + " >" + ShellQuote(log) + " 2>&1")
                              .c_str()),
              0)
        << test::ReadFile(log);
    EXPECT_EQ(test::ReadFile(log).find("Error in "), std::string::npos)
        << test::ReadFile(log); // MIME database

    // Every readable extension but .txt has a type, which the thumbnailer
    // and the viewer's menu entry both take.
    const std::string xml = test::ReadFile((share / "mime/packages/loomveil.xml").string());
    std::map<std::string, std::string> typeOfExt;
    const std::string typeTag = "<mime-type type=\"", globTag = "<glob pattern=\"*.";
    for (auto at = xml.find(typeTag); at != std::string::npos; at = xml.find(typeTag, at + 1)) {
        const auto name = at + typeTag.size(), close = xml.find("</mime-type>", at);
        for (auto g = xml.find(globTag, at); g < close; g = xml.find(globTag, g + 1))
            typeOfExt[xml.substr(g + globTag.size(),
                                 xml.find('"', g + globTag.size()) - g - globTag.size())] =
                xml.substr(name, xml.find('"', name) - name);
    }
    const auto thumbnailer = KeyFile(share / "thumbnailers/loomveil.thumbnailer");
    const auto desktop = KeyFile(share / "applications/loomveil.desktop");
    const std::set<std::string> types = Types(thumbnailer.at("MimeType"));
    EXPECT_EQ(Types(desktop.at("MimeType")), types);
    for (const FileFormat& f : FileFormats()) {
        for (const std::string_view e : f.exts) {
            if (!f.Reads() || e.empty()) continue;
            const std::string ext(e);
            const bool claimed = ext != "txt"; // a TXT pattern cannot be told from other text
            EXPECT_EQ(typeOfExt.count(ext), claimed ? 1u : 0u) << ext;
            EXPECT_EQ(types.count(typeOfExt[ext]), claimed ? 1u : 0u) << ext;
        }
    }
    if (fs::exists(share / "mime/globs2")) {
        EXPECT_NE(test::ReadFile((share / "mime/globs2").string()).find(":application/x-quilt-qli:*.qli"),
                  std::string::npos);
    }
    EXPECT_EQ(
        QImage(QString::fromStdString((share / "icons/hicolor/256x256/apps/loomveil.png").string())).size(),
        QSize(256, 256));

    // A path with blanks, an output named without an extension.
    const std::string in = dir.File("my quilt \xC3\xA9.qli"), out = dir.File("thumbnail-XyZ123");
    test::WriteFile(in, kWideFrame);
    EXPECT_EQ(thumbnailer.at("TryExec"), "loomveil-cli");
    std::string cmd = "PATH=" + ShellQuote((prefix / "bin").string()) + ":\"$PATH\"";
    std::istringstream words(thumbnailer.at("Exec"));
    for (std::string w; words >> w;) {
        for (const auto& [key, value] :
             {std::pair<std::string, std::string>{"%i", in}, {"%o", out}, {"%s", "128"}})
            for (std::size_t at; (at = w.find(key)) != std::string::npos;) w.replace(at, 2, value);
        cmd += " " + ShellQuote(w);
    }
    ASSERT_EQ(std::system((cmd + " 2>" + ShellQuote(dir.File("err"))).c_str()), 0)
        << test::ReadFile(dir.File("err"));
    QImage thumb;
    ASSERT_TRUE(thumb.load(QString::fromStdString(out), "PNG"));
    EXPECT_EQ(thumb.size(), QSize(128, 128));
    // Aspect kept: the drawing's extent (side / 1.02) in whole pixels.
    const QRect ink = test::InkBox(thumb);
    EXPECT_NEAR(ink.width(), 128 / 1.02 + 1, 1.5);
    EXPECT_NEAR(ink.height(), 64 / 1.02 + 1, 1.5);
}

} // namespace
