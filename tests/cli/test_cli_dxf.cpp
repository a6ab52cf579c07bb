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
    EXPECT_EQ(t.out.rfind(
                  r12 +
                      ": DXF AC1009 (R11/R12), 6 entities (LINE 2, CIRCLE 1, TEXT 1, INSERT 1, POLYLINE 1), "
                      "3 layers (0, WALLS, HIDDEN), 2 blocks ($MODEL_SPACE: 0, DOOR: 2), "
                      "extents (0, 0) to (10, 4.5), read in ",
                  0),
              0u)
        << t.out;

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
    const QJsonArray layers = o["layers"].toArray();
    ASSERT_EQ(layers.size(), 2);
    EXPECT_EQ(layers[1].toObject()["name"].toString(), "Quilt");
    EXPECT_EQ(layers[1].toObject()["color"].toInt(), 5);
    EXPECT_EQ(layers[1].toObject()["lineType"].toString(), "Continuous");
    const QJsonArray blocks = o["blocks"].toArray();
    ASSERT_EQ(blocks.size(), 3);
    EXPECT_EQ(blocks[1].toObject()["name"].toString(), "FEATHER");
    EXPECT_EQ(blocks[1].toObject()["entities"].toInt(), 1);
    EXPECT_EQ(o["extents"].toObject()["maxY"].toDouble(), 10.0);
    EXPECT_EQ(all[1].toObject()["extents"].toObject()["maxX"].toDouble(), 10.0);
}

TEST(CliInfoDxf, DrawingsWithoutHeaderOrEntitiesAndEmptyFiles) {
    test::TempDir dir;
    const std::string bare = dir.File("bare.DXF");
    test::WriteFile(bare, "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
    const std::string empty = dir.File("empty.dxf");
    test::WriteFile(empty, "");
    const auto r = RunCli({"info", bare, empty});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.rfind(bare + ": DXF (version unknown), 0 entities, 0 layers, 0 blocks, read in ", 0), 0u)
        << r.out;
    EXPECT_EQ(r.err, "loomveil-cli: " + empty + ": empty file\n");

    const auto j = RunCli({"info", "--json", bare, empty});
    EXPECT_EQ(j.exitCode, 1);
    const QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(j.out)).array();
    ASSERT_EQ(all.size(), 2);
    EXPECT_TRUE(all[0].toObject()["version"].isNull());
    EXPECT_FALSE(all[0].toObject().contains("extents"));
    EXPECT_EQ(all[1].toObject()["error"].toString(), "empty file");
}

} // namespace
