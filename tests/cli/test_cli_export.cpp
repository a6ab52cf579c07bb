#include "cli/cli_runner.h"
#include "cli/pdf_raster.h"
#include "model/units.h"
#include "test_support.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace {

using test::RunCli;
namespace fs = std::filesystem;

const std::string kSample = std::string(LOOMVEIL_SOURCE_DIR) + "/samples/loops.qli";
// Twice as wide as high.
constexpr const char* kWideFrame = "#h\nL,0,0\nL,200,0\nL,200,100\nL,0,100\nL,0,0\n";

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::size_t Entries(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

// Some formats' readers arrive separately; their end-to-end checks run
// once the command line reads the file.
bool Readable(const std::string& path) {
    const auto r = RunCli({"render", path, "-o", path + ".png"});
    return r.err.find("no reader for files of type") == std::string::npos;
}

TEST(CliExport, SvgAndPdfForEachInputWithTheFormatFromTheName) {
    test::TempDir dir;
    const auto svg = RunCli({"export", kSample, "--svg", "-o", dir.File("a.svg")});
    ASSERT_EQ(svg.exitCode, 0) << svg.err;
    EXPECT_EQ(svg.out, dir.File("a.svg") + "\n");
    EXPECT_NE(test::ReadFile(dir.File("a.svg")).find("<path stroke=\"#000000\" d=\"M"), std::string::npos);

    const auto inferred = RunCli({"export", kSample, "-o", dir.File("b.PDF")});
    ASSERT_EQ(inferred.exitCode, 0) << inferred.err;
    EXPECT_EQ(test::PdfInfo(dir.File("b.PDF"))["Title"], "loops");

    // Many inputs into a folder; one that fails fails the run.
    const std::string hqv = std::string(LOOMVEIL_SOURCE_DIR) + "/samples/loops.hqv";
    const auto many = RunCli({"export", kSample, dir.File("gone.qli"), hqv, "--pdf", "-d", dir.File("out")});
    EXPECT_EQ(many.exitCode, 1);
    EXPECT_EQ(many.out, dir.File("out/loops.pdf") + "\n" + dir.File("out/loops.hqv.pdf") + "\n");
    EXPECT_NE(many.err.find("loomveil-cli: " + dir.File("gone.qli") + ": No such file or directory"),
              std::string::npos)
        << many.err;
    EXPECT_EQ(Entries(dir.File("out")), 2u);
}

TEST(CliExport, TrueSizeNeedsAKnownUnitAndEmptyPatternsWriteNothing) {
    test::TempDir dir;
    const std::string out = dir.File("p.pdf");
    test::WriteFile(out, "old");
    const auto qli = RunCli({"export", kSample, "--pdf", "--true-size", "-o", out});
    EXPECT_EQ(qli.exitCode, 1);
    EXPECT_EQ(qli.err,
              "loomveil-cli: " + kSample + ": no true size: QLI files do not say what their coordinates measure\n");
    EXPECT_EQ(test::ReadFile(out), "old");

    // A header alone is the single point (0, 0): no stroke.
    const std::string lone = dir.File("lone.qli");
    test::WriteFile(lone, "#header\n");
    const auto empty = RunCli({"export", lone, "--svg", "-o", dir.File("lone.svg")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "loomveil-cli: " + lone + ": nothing to export: the pattern has no strokes\n");
    EXPECT_FALSE(fs::exists(dir.File("lone.svg")));

    const auto full = RunCli({"export", kSample, "--svg", "-o", "/dev/full"});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "loomveil-cli: /dev/full: No space left on device\n");
    EXPECT_EQ(Entries(dir.path()), 2u); // p.pdf, lone.qli
}

TEST(CliExport, UsageErrors) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"export"},
             {"export", kSample},
             {"export", kSample, "-o", "/tmp/x.png"},
             {"export", kSample, "--svg", "--pdf"},
             {"export", kSample, "--svg", "--page", "A5"},
             {"export", kSample, kSample, "--svg", "-o", "/tmp/x.svg"},
             {"thumbnail", kSample},
             {"thumbnail", kSample, "/tmp/x.png", "--size", "0"},
             {"thumbnail", kSample, "/tmp/x.png", "--size", "12x12"}})
        EXPECT_EQ(RunCli(args).exitCode, 2) << args.size() << " " << args.back();
    const std::string help = RunCli({"--help"}).out;
    EXPECT_NE(help.find("export IN..."), std::string::npos);
    EXPECT_NE(help.find("thumbnail IN OUT.png"), std::string::npos);
    EXPECT_NE(RunCli({"export", "--help"}).out.find("--true-size"), std::string::npos);
}

// What a ruler on the printed page would say: a 100 mm line at 254 dpi is
// 1000 pixels plus the line's width (0.25 mm).
void ExpectHundredMillimetreLine(const std::string& pdf, double tolerance) {
    const QImage page = test::RasterisePdf(pdf, 254);
    ASSERT_FALSE(page.isNull());
    const QRect ink = test::InkBox(page);
    EXPECT_NEAR(ink.width(), 1002.5, tolerance);
}

TEST(CliExport, HpglAtTrueSizeMeasuresItsPlotterUnits) {
    test::TempDir dir;
    // 4000 plotter units of 0.025 mm: 100 mm.
    const std::string plt = dir.File("line.plt");
    test::WriteFile(plt, "IN;SP1;PU0,0;PD4000,0;PD4000,400;PU;SP0;\n");
    if (!Readable(plt)) GTEST_SKIP() << "no HPGL reader yet";
    const std::string pdf = dir.File("line.pdf");
    const auto r = RunCli({"export", plt, "--pdf", "--true-size", "-o", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage page = test::RasterisePdf(pdf, 254);
    ASSERT_FALSE(page.isNull());
    const QRect ink = test::InkBox(page);
    EXPECT_NEAR(ink.width(), 1002.5, 2);
    EXPECT_NEAR(ink.height(), 102.5, 2);

    const auto info = RunCli({"info", plt});
    EXPECT_NE(info.out.find(", 100.00 x 10.00 mm (3.937 x 0.394 in)"), std::string::npos) << info.out;
}

// One LINE 100 drawing units long and a short one across it.
std::string Drawing(const char* insunits) {
    std::string s = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n";
    if (insunits) s += std::string("9\n$INSUNITS\n70\n") + insunits + "\n";
    return s + "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n"
               "0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n100\n21\n0\n31\n0\n"
               "0\nLINE\n8\n0\n10\n50\n20\n-10\n30\n0\n11\n50\n21\n10\n31\n0\n"
               "0\nENDSEC\n0\nEOF\n";
}

TEST(CliExport, DxfInfoGivesTheSizeItsUnitsMeasure) {
    test::TempDir dir;
    const std::string mm = dir.File("mm.dxf"), cm = dir.File("cm.dxf"), bare = dir.File("bare.dxf");
    test::WriteFile(mm, Drawing("4"));
    test::WriteFile(cm, Drawing("     5"));
    test::WriteFile(bare, Drawing(nullptr));
    const auto r = RunCli({"info", mm, cm, bare});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("extents (0, -10) to (100, 10), units millimetres, 100.00 x 20.00 mm (3.937 x 0.787 in), "
                         "read in "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("units centimetres, 1000.00 x 200.00 mm (39.370 x 7.874 in)"), std::string::npos);
    EXPECT_NE(r.out.find(bare + ": DXF AC1015 (R2000), 2 entities (LINE 2), 0 layers, 0 blocks, extents (0, -10) to "
                               "(100, 10), read in "),
              std::string::npos)
        << r.out;

    const auto j = RunCli({"info", "--json", mm, bare});
    const QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(j.out)).array();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].toObject()["insunits"].toInt(), 4);
    EXPECT_EQ(all[0].toObject()["units"].toString(), "millimetres");
    EXPECT_DOUBLE_EQ(all[0].toObject()["size"].toObject()["widthMm"].toDouble(), 100.0);
    EXPECT_DOUBLE_EQ(all[0].toObject()["size"].toObject()["heightIn"].toDouble(), 20.0 / 25.4);
    EXPECT_TRUE(all[1].toObject()["insunits"].isNull());
    EXPECT_FALSE(all[1].toObject().contains("size"));
}

TEST(CliExport, DxfAtTrueSizeFollowsItsInsUnits) {
    test::TempDir dir;
    const std::string mm = dir.File("mm.dxf"), bare = dir.File("bare.dxf");
    test::WriteFile(mm, Drawing("4"));
    test::WriteFile(bare, Drawing(nullptr));
    if (!Readable(mm)) GTEST_SKIP() << "no DXF drawing yet";
    const auto r = RunCli({"export", mm, "--pdf", "--true-size", "-o", dir.File("mm.pdf")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The outline is in pixels of a 4096-pixel picture: within a pixel of it.
    ExpectHundredMillimetreLine(dir.File("mm.pdf"), 6);

    const auto none = RunCli({"export", bare, "--svg", "--true-size", "-o", dir.File("bare.svg")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("no $INSUNITS"), std::string::npos) << none.err;
}

TEST(CliRender, JumpsAreDashedLinesBetweenStrokes) {
    // Two upright strokes 100 apart joined by a pen-up move at the top; in
    // 200 x 200 pixels that move runs along row 1 from x = 1 to 198.
    test::TempDir dir;
    const std::string in = dir.File("two.qli");
    test::WriteFile(in, "#h\nBG\nL,0,0\nL,0,100\nBG\nL,100,100\nL,100,0\n");
    ASSERT_EQ(RunCli({"render", in, "-o", dir.File("plain.png"), "--size", "200x200"}).exitCode, 0);
    const auto r = RunCli({"render", in, "-o", dir.File("jumps.png"), "--size", "200x200", "--jumps"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage plain(QString::fromStdString(dir.File("plain.png")));
    const QImage jumps(QString::fromStdString(dir.File("jumps.png")));
    ASSERT_FALSE(jumps.isNull());
    int grey = 0, white = 0;
    for (int x = 5; x < 195; ++x) {
        EXPECT_EQ(plain.pixel(x, 1), qRgb(255, 255, 255));
        grey += jumps.pixel(x, 1) == qRgb(128, 128, 128);
        white += jumps.pixel(x, 1) == qRgb(255, 255, 255);
    }
    EXPECT_NEAR(grey, 190 * 4 / 7, 3);
    EXPECT_EQ(grey + white, 190);
    // The strokes are untouched.
    for (int y = 2; y < 198; ++y) EXPECT_EQ(jumps.pixel(1, y), plain.pixel(1, y));
}

TEST(CliThumbnail, ASquarePictureWithTheAspectKept) {
    test::TempDir dir;
    const std::string in = dir.File("wide.qli");
    test::WriteFile(in, kWideFrame);
    const auto r = RunCli({"thumbnail", in, dir.File("wide.png"), "--size", "100"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const QImage t(QString::fromStdString(dir.File("wide.png")));
    ASSERT_EQ(t.size(), QSize(100, 100));
    const QRect ink = test::InkBox(t);
    // The drawing's extent (side / 1.02) counted in whole pixels.
    EXPECT_NEAR(ink.width(), 100 / 1.02 + 1, 1.5);
    EXPECT_NEAR(ink.height(), 50 / 1.02 + 1, 1.5);
    EXPECT_NEAR(ink.center().y(), 50, 1);

    // Without --size: 256.
    ASSERT_EQ(RunCli({"thumbnail", in, dir.File("big.png")}).exitCode, 0);
    EXPECT_EQ(QImage(QString::fromStdString(dir.File("big.png"))).size(), QSize(256, 256));

    // A file that cannot be drawn, or draws nothing, leaves no picture.
    const std::string lone = dir.File("lone.qli");
    test::WriteFile(lone, "#header\n");
    const auto blank = RunCli({"thumbnail", lone, dir.File("lone.png")});
    EXPECT_EQ(blank.exitCode, 1);
    EXPECT_EQ(blank.err, "loomveil-cli: " + lone + ": nothing to draw\n");
    const auto missing = RunCli({"thumbnail", dir.File("gone.qli"), dir.File("gone.png")});
    EXPECT_EQ(missing.exitCode, 1);
    test::WriteFile(dir.File("odd.xyz"), "1 2\n");
    EXPECT_EQ(RunCli({"thumbnail", dir.File("odd.xyz"), dir.File("odd.png")}).exitCode, 1);
    EXPECT_EQ(Entries(dir.path()), 5u); // wide.qli, wide.png, big.png, lone.qli, odd.xyz
}

// "Key=Value" lines of a desktop key file.
std::map<std::string, std::string> KeyFile(const std::string& path) {
    std::map<std::string, std::string> keys;
    std::istringstream in(test::ReadFile(path));
    for (std::string line; std::getline(in, line);)
        if (const auto eq = line.find('='); eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    return keys;
}

std::set<std::string> SplitTypes(const std::string& list) {
    std::set<std::string> types;
    std::istringstream in(list);
    for (std::string t; std::getline(in, t, ';');)
        if (!t.empty()) types.insert(t);
    return types;
}

// Installs the build into a temporary prefix, then makes a thumbnail the way
// a file manager does: it takes the installed thumbnailer entry of the
// file's type, fills in %i, %o and %s, and runs the command through PATH.
TEST(CliThumbnail, TheInstalledThumbnailerEntryRunsAsAFileManagerRunsIt) {
    const fs::path build = fs::path(LOOMVEIL_CLI_PATH).parent_path().parent_path();
    ASSERT_TRUE(fs::exists(build / "CMakeCache.txt")) << build;
    test::TempDir dir;
    const fs::path prefix = dir.path() / "prefix";
    const std::string log = dir.File("install.log");
    ASSERT_EQ(std::system(("cmake --install " + Quote(build.string()) + " --prefix " + Quote(prefix.string()) +
                           " >" + Quote(log) + " 2>&1")
                              .c_str()),
              0)
        << test::ReadFile(log);
    // The MIME database took the new types without complaint.
    EXPECT_EQ(test::ReadFile(log).find("Error in "), std::string::npos) << test::ReadFile(log);
    const fs::path share = prefix / "share";

    // Every readable extension but .txt has a type, and the thumbnailer and
    // the viewer's menu entry take each of those types.
    const std::string xml = test::ReadFile((share / "mime/packages/loomveil.xml").string());
    std::map<std::string, std::string> typeOfExt;
    for (std::size_t at = 0;;) {
        const std::size_t open = xml.find("<mime-type type=\"", at);
        if (open == std::string::npos) break;
        const std::size_t typeEnd = xml.find('"', open + 17);
        const std::size_t close = xml.find("</mime-type>", typeEnd);
        ASSERT_NE(close, std::string::npos);
        const std::string type = xml.substr(open + 17, typeEnd - open - 17);
        for (std::size_t g = xml.find("<glob pattern=\"*.", typeEnd); g < close; g = xml.find("<glob pattern=\"*.", g + 1))
            typeOfExt[xml.substr(g + 17, xml.find('"', g + 17) - g - 17)] = type;
        at = close;
    }
    const auto thumbnailer = KeyFile((share / "thumbnailers/loomveil.thumbnailer").string());
    const auto desktop = KeyFile((share / "applications/loomveil.desktop").string());
    const std::set<std::string> thumbTypes = SplitTypes(thumbnailer.at("MimeType"));
    EXPECT_EQ(SplitTypes(desktop.at("MimeType")), thumbTypes);
    for (const units::FormatUnit& f : units::FormatUnits()) {
        if (!f.readable) continue;
        const std::string ext(f.ext);
        if (ext == "txt") {
            EXPECT_EQ(typeOfExt.count(ext), 0u) << "text/plain is not claimed";
            continue;
        }
        ASSERT_EQ(typeOfExt.count(ext), 1u) << ext;
        EXPECT_EQ(thumbTypes.count(typeOfExt[ext]), 1u) << ext;
    }
    EXPECT_EQ(desktop.at("Exec"), "loomveil %f");
    EXPECT_EQ(QImage(QString::fromStdString((share / "icons/hicolor/256x256/apps/loomveil.png").string())).size(),
              QSize(256, 256));
    if (fs::exists(share / "mime/globs2")) {
        EXPECT_NE(test::ReadFile((share / "mime/globs2").string()).find(":application/x-quilt-qli:*.qli"),
                  std::string::npos);
    }

    // The file manager's own names: a path with blanks, an output without
    // an extension.
    const std::string in = dir.File("my quilt \xC3\xA9.qli"), out = dir.File("thumbnail-XyZ123");
    test::WriteFile(in, kWideFrame);
    const std::string exec = thumbnailer.at("Exec");
    EXPECT_EQ(thumbnailer.at("TryExec"), "loomveil-cli");
    std::string cmd = "PATH=" + Quote((prefix / "bin").string()) + ":\"$PATH\"";
    std::istringstream words(exec);
    for (std::string w; words >> w;) {
        for (const auto& [key, value] : {std::pair<std::string, std::string>{"%i", in}, {"%o", out}, {"%s", "128"}})
            for (std::size_t at; (at = w.find(key)) != std::string::npos;) w.replace(at, 2, value);
        cmd += " " + Quote(w);
    }
    ASSERT_EQ(std::system((cmd + " 2>" + Quote(dir.File("err"))).c_str()), 0) << test::ReadFile(dir.File("err"));
    QImage thumb;
    ASSERT_TRUE(thumb.load(QString::fromStdString(out), "PNG"));
    EXPECT_EQ(thumb.size(), QSize(128, 128));
    const QRect ink = test::InkBox(thumb);
    EXPECT_NEAR(ink.width(), 128 / 1.02 + 1, 1.5);
    EXPECT_NEAR(ink.height(), 64 / 1.02 + 1, 1.5);
}

} // namespace
