#include "cli/cli_runner.h"
#include "test_support.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using test::RunCli;

const std::string kSample = std::string(LOOMVEIL_SOURCE_DIR) + "/samples/loops.qli";

TEST(CliRender, WritesThePictureAndPrintsItsPathOrSaysWhyNot) {
    test::TempDir dir;
    const std::string png = dir.File("x.png");
    const auto r = RunCli({"render", kSample, "-o", png, "--size", "320x200"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, png + "\n");
    const QImage img(QString::fromStdString(png));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(320, 200));
    EXPECT_GT(test::CountNonWhite(img), 500);

    // The default size is the viewer's picture frame.
    const auto d = RunCli({"render", kSample, "-o", png});
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(540, 516));

    test::WriteFile(dir.File("plain"), "x");
    const auto bad = RunCli({"render", kSample, "-o", dir.File("plain/x.png")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("loomveil-cli: " + dir.File("plain") + ": cannot create folder: "),
              std::string::npos)
        << bad.err;
}

TEST(Cli, UsageErrorsExitWithTwo) {
    // No command, an unknown one, no input, a bad size, one output for two
    // inputs, no format or an unknown one, two formats, an unknown page.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"paint"},
             {"render"},
             {"render", kSample, "--size", "12"},
             {"render", kSample, kSample, "-o", "/tmp/x.png"},
             {"convert"},
             {"convert", kSample},
             {"convert", kSample, "-o", "/tmp/x.png"},
             {"convert", kSample, "--to", "svg"},
             {"convert", kSample, kSample, "--to", "qli", "-o", "/tmp/x.qli"},
             {"print", "-o", "/tmp/x.pdf"},
             {"print", kSample, kSample, "-o", "/tmp/x.pdf"},
             {"print", kSample, "-o", "/tmp/x.pdf", "--page", "A5"},
             {"export", kSample},
             {"export", kSample, "-o", "/tmp/x.png"},
             {"export", kSample, "--svg", "--pdf"},
             {"export", kSample, "--svg", "--page", "A5"},
             {"export", kSample, kSample, "--svg", "-o", "/tmp/x.svg"},
             {"thumbnail", kSample, kSample}, // the second would be written over
             {"thumbnail", kSample, "/tmp/x.png", "--size", "12x12"},
             // A picture type that cannot be written, standard input without
             // a format or twice, job counts, quiet and verbose at once.
             {"render", kSample, "-o", "/tmp/x.xyz"},
             {"render", "-"},
             {"render", "-", "-", "--format", "qli"},
             {"info", kSample, "--format", "xyz"},
             {"render", kSample, "-j", "0"},
             {"render", kSample, "-j4x"},
             {"info", kSample, "-q", "-v"}})
        EXPECT_EQ(RunCli(args).exitCode, 2) << (args.empty() ? "" : args[0]) << " " << args.size();
    const auto help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("render"), std::string::npos);
    EXPECT_NE(help.out.find("print IN... [-o OUT.pdf | -d DIR]"), std::string::npos);
    EXPECT_NE(RunCli({"convert", "--help"}).out.find("--to"), std::string::npos);
    EXPECT_NE(RunCli({"render", kSample, "--size", "100000x100000"}).err.find("1 to 32768"),
              std::string::npos);
    for (const char* flag : {"--version", "-V"}) {
        const auto v = RunCli({flag});
        EXPECT_EQ(v.exitCode, 0);
        EXPECT_EQ(v.out.rfind("loomveil-cli ", 0), 0u);
    }
}

TEST(CliInfo, ReportsCountsAndExtentAsTextAndJson) {
    test::TempDir dir;
    const std::string f = dir.File("p.qli");
    test::WriteFile(f, "#h\nL,0,0\nL,10,0\nBG\nL,10,5\nL,0,5\n");
    const auto t = RunCli({"info", f});
    ASSERT_EQ(t.exitCode, 0) << t.err;
    // The box in the file's coordinates (QLI's y points up), no "-0".
    EXPECT_EQ(t.out.rfind(f + ": QLI, 5 points, 2 strokes, box (0, 0) to (10, 5), 0.25 x 0.13 mm (0.010 x "
                              "0.005 in), read in ",
                          0),
              0u)
        << t.out;

    const auto j = RunCli({"info", "--json", f, dir.File("gone.qli"), test::DataPath("4qb/three_blocks.4qb")});
    EXPECT_EQ(j.exitCode, 1);
    const QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(j.out)).array();
    ASSERT_EQ(all.size(), 3);
    const QJsonObject o = all[0].toObject();
    EXPECT_EQ(o["format"].toString(), "QLI");
    EXPECT_EQ(o["points"].toInt(), 5);
    EXPECT_EQ(o["strokes"].toInt(), 2);
    EXPECT_EQ(o["bbox"].toObject()["maxY"].toDouble(), 5.0);
    EXPECT_FALSE(o["unit"].isNull());
    EXPECT_FALSE(o.contains("colours"));
    EXPECT_TRUE(all[1].toObject().contains("error"));
    // Colours where the format has them, in order of first use.
    EXPECT_EQ(all[2].toObject()["colours"].toArray(), (QJsonArray{"#000000", "#ff0000", "#00ff00"}));
}

} // namespace
