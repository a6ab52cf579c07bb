#include "cli/cli_runner.h"
#include "test_support.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

using test::RunCli;

struct Fixture {
    const char* file; // under tests/data
    const char* format;
    int points;
    int strokes;
};

constexpr Fixture kFixtures[] = {
    {"hpgl/shapes.plt", "HPGL", 7, 2},     {"hpgl/square.cqp", "CQP", 7, 2},
    {"qcc/curves.qcc", "QCC", 5, 2},       {"pat/arcs.pat", "PAT", 16, 2},
    {"pat/path.ssd", "SSD", 4, 1},         {"pat/segments.hqf", "HQF", 5, 2},
    {"cmd/pen.cmd", "CMD", 5, 2},          {"txt/points.txt", "TXT", 8, 2},
    {"iqp/two_strokes.iqp", "IQP", 5, 2},  {"iqp/variable_block.iqp", "IQP", 3, 1},
    {"4qb/three_blocks.4qb", "4QB", 7, 3}, {"writers/square.qli", "QLI", 6, 3},
};

TEST(CliReaders, InfoCountsAndRenderDrawsEveryFormat) {
    test::TempDir dir;
    std::vector<std::string> files;
    for (const Fixture& f : kFixtures) files.push_back(test::DataPath(f.file));
    std::vector<std::string> args{"info"};
    args.insert(args.end(), files.begin(), files.end());
    const auto r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const Fixture& f : kFixtures) {
        const std::string line = test::DataPath(f.file) + ": " + f.format + ", " + std::to_string(f.points) +
                                 " points, " + std::to_string(f.strokes) + " strokes, box ";
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    }

    args = {"render"};
    args.insert(args.end(), files.begin(), files.end());
    args.insert(args.end(), {"-d", dir.File("pics"), "--size", "160x120"});
    const auto pics = RunCli(args);
    ASSERT_EQ(pics.exitCode, 0) << pics.err;
    int pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("pics"))) {
        const QImage img(QString::fromStdString(entry.path().string()));
        ASSERT_EQ(img.size(), QSize(160, 120)) << entry.path();
        EXPECT_GT(test::CountNonWhite(img), 100) << entry.path();
        ++pictures;
    }
    EXPECT_EQ(pictures, static_cast<int>(std::size(kFixtures)));
}

} // namespace
