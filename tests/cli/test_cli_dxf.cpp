#include "cli/cli_runner.h"
#include "test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using test::RunCli;

TEST(CliInfoDxf, ReportsVersionEntitiesLayersBlocksAndExtents) {
    const std::string r12 = test::DataPath("dxf/r12.dxf");
    const auto t = RunCli({"info", r12});
    ASSERT_EQ(t.exitCode, 0) << t.err;
    EXPECT_EQ(t.out.rfind(r12 + ": DXF AC1009 (R11/R12), 102 points, 20 strokes, box (0, 0) to (10, 4.5), "
                                "6 entities, 3 layers, 2 blocks, read in ",
                          0),
              0u)
        << t.out;
    // The lists only with -v.
    const auto v = RunCli({"info", r12, "-v"});
    EXPECT_NE(v.out.find(
                  "\n  entities: LINE 2, CIRCLE 1, TEXT 1, INSERT 1, POLYLINE 1\n  layers: 0, WALLS, HIDDEN\n"
                  "  blocks: $MODEL_SPACE (0), DOOR (2)\n"),
              std::string::npos)
        << v.out;

    const std::string r2000 = test::DataPath("dxf/r2000.dxf");
    const auto j = RunCli({"info", "--json", r2000, r12});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    const QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(j.out)).array();
    ASSERT_EQ(all.size(), 2);
    const QJsonObject o = all[0].toObject();
    EXPECT_EQ(o["format"].toString(), "DXF");
    EXPECT_EQ(o["version"].toString(), "AC1015");
    EXPECT_EQ(o["release"].toString(), "R2000");
    EXPECT_EQ(o["entities"].toInt(), 5);
    EXPECT_EQ(o["entityTypes"].toObject()["POLYLINE"].toInt(), 1);
    EXPECT_EQ(o["entityTypes"].toObject()["HATCH"].toInt(), 1);
    EXPECT_EQ(o["layerCount"].toInt(), 2);
    const QJsonArray layers = o["layers"].toArray();
    ASSERT_EQ(layers.size(), 2);
    EXPECT_EQ(layers[1].toObject()["name"].toString(), "Quilt");
    EXPECT_EQ(layers[1].toObject()["color"].toInt(), 5);
    EXPECT_EQ(layers[1].toObject()["lineType"].toString(), "Continuous");
    const QJsonArray blocks = o["blocks"].toArray();
    ASSERT_EQ(blocks.size(), 3);
    EXPECT_EQ(blocks[1].toObject()["name"].toString(), "FEATHER");
    EXPECT_EQ(blocks[1].toObject()["entities"].toInt(), 1);
    EXPECT_EQ(o["bbox"].toObject()["maxY"].toDouble(), 10.0);
    EXPECT_EQ(o["extents"], o["bbox"]);
    EXPECT_EQ(all[1].toObject()["bbox"].toObject()["maxX"].toDouble(), 10.0);
}

TEST(CliInfoDxf, DrawingsWithoutHeaderOrEntitiesAndEmptyFiles) {
    test::TempDir dir;
    const std::string bare = dir.File("bare.DXF");
    test::WriteFile(bare, "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
    const std::string empty = dir.File("empty.dxf");
    test::WriteFile(empty, "");
    // A drawing with nothing to draw is a failure with its reason, as an
    // empty file is.
    const auto r = RunCli({"info", bare, empty});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "loomveil-cli: " + bare + ": nothing to draw in the drawing\nloomveil-cli: " + empty +
                         ": empty file\n");

    const auto j = RunCli({"info", "--json", bare, empty});
    EXPECT_EQ(j.exitCode, 1);
    const QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(j.out)).array();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].toObject()["error"].toString(), "nothing to draw in the drawing");
    EXPECT_FALSE(all[0].toObject().contains("bbox"));
    EXPECT_EQ(all[1].toObject()["error"].toString(), "empty file");
}

} // namespace
