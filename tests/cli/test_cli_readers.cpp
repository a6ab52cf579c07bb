#include "cli/cli_runner.h"
#include "test_support.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

using test::RunCli;

struct Fixture {
    const char* file; // under tests/data
    const char* info; // info's line after the name, up to the box: y as the file has it
};

constexpr Fixture kFixtures[] = {
    {"hpgl/shapes.plt", "HPGL, 7 points, 2 strokes, box (0, 0) to (300, 100)"},
    {"hpgl/square.cqp", "CQP, 7 points, 2 strokes, box (0, 0) to (100, 100)"},
    {"qcc/curves.qcc", "QCC, 5 points, 2 strokes, box (0, 0) to (30, 10)"},
    {"pat/arcs.pat", "PAT, 16 points, 2 strokes, box (-10, 0) to (30, 10)"},
    {"pat/path.ssd", "SSD, 4 points, 1 stroke, box (0, 0) to (10, 10)"},
    {"pat/segments.hqf", "HQF, 5 points, 2 strokes, box (0, 0) to (25, 5)"},
    {"cmd/pen.cmd", "CMD, 5 points, 2 strokes, box (0, 0) to (25, 10)"},
    {"txt/points.txt", "TXT, 8 points, 2 strokes, box (0, 0) to (40, 10)"},
    {"iqp/two_strokes.iqp", "IQP, 5 points, 2 strokes, box (0, 0) to (25, 10)"},
    {"iqp/variable_block.iqp", "IQP, 3 points, 1 stroke, box (0, 0) to (10, 5)"},
    {"4qb/three_blocks.4qb", "4QB, 7 points, 3 strokes, box (0, 0) to (45, 10)"},
    {"writers/square.qli", "QLI, 6 points, 3 strokes, box (0, -2) to (4, 0)"},
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
        const std::string line = test::DataPath(f.file) + ": " + f.info + ", ";
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
