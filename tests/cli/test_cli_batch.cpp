// What every command shares: output names, -j, standard input and output,
// -q / -v and the progress line.
#include "cli/cli_runner.h"
#include "cli/output_names.h"
#include "cli/progress.h"
#include "test_support.h"
#include "writers/write_helpers.h"

#include <QImage>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

using test::RunCli;
namespace fs = std::filesystem;

const std::string kSample = std::string(LOOMVEIL_SOURCE_DIR) + "/samples/loops.qli";
constexpr const char* kFrame = "#h\nL,0,0\nL,200,0\nL,200,100\nL,0,100\nL,0,0\n";

TEST(CliBatch, OutputNamesDoNotDependOnTheOrderOfTheInputs) {
    const std::vector<std::string> inputs{"p/a.qli", "a.hqv", "b.qli", "one/x.qli", "two/x.qli", "b.qli"};
    const std::vector<std::string> expected{"D/a.qli.png",   "D/a.hqv.png",   "D/b.png",
                                            "D/x.qli-1.png", "D/x.qli-2.png", "D/b.png"};
    EXPECT_EQ(cli::PlanOutputNames(inputs, "D", ".png"), expected);
    const std::vector<std::string> reversed(inputs.rbegin(), inputs.rend());
    EXPECT_EQ(cli::PlanOutputNames(reversed, "D", ".png"),
              std::vector<std::string>(expected.rbegin(), expected.rend()));
    EXPECT_EQ(cli::PlanOutputNames({"a.qli"}, "", ".png"), std::vector<std::string>{"a.png"});
}

TEST(CliBatch, ProgressNamesAreShortenedInTheMiddle) {
    EXPECT_EQ(cli::ShortenMiddle("short.qli", 40), "short.qli");
    const std::string shown =
        cli::ShortenMiddle("/home/user/patterns/autumn/feathers-and-leaves-border.qli", 30);
    EXPECT_EQ(shown.size(), 30u);
    EXPECT_EQ(shown, "/home/use...-leaves-border.qli");
    // A character of several bytes is kept whole or left out.
    EXPECT_EQ(cli::ShortenMiddle("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9.qli", 10),
              "\xc3\xa9....qli");
    EXPECT_EQ(cli::FormatDuration(7.4), "0:07");
    EXPECT_EQ(cli::FormatDuration(3723), "1:02:03");
}

TEST(CliBatch, ParallelJobsGiveTheOutputOfOne) {
    test::TempDir dir;
    std::vector<std::string> inputs;
    for (int i = 0; i < 12; ++i) {
        const std::string f = dir.File("p" + std::to_string(i) + ".qli");
        test::WriteFile(f, "#h\nL,0,0\nL," + std::to_string(10 + i) + ",0\nL,5,9\n");
        inputs.push_back(f);
    }
    inputs.insert(inputs.begin() + 3, dir.File("gone.qli"));
    inputs.insert(inputs.begin() + 7, dir.File("bad.xyz"));
    test::WriteFile(dir.File("bad.xyz"), "x");
    inputs.push_back(test::DataPath("dxf/r12.dxf"));
    for (const std::string command : {"convert", "render", "info"}) {
        std::vector<test::CliRun> runs;
        for (const char* jobs : {"1", "4"}) {
            std::vector<std::string> args{command};
            args.insert(args.end(), inputs.begin(), inputs.end());
            if (command == "convert") args.insert(args.end(), {"--to", "plt"});
            const std::string out = dir.File(command + jobs);
            if (command != "info") args.insert(args.end(), {"-d", out});
            args.insert(args.end(), {"-j", jobs});
            runs.push_back(RunCli(args));
            // Paths and read times differ between the runs.
            for (std::string* s : {&runs.back().out, &runs.back().err})
                for (std::size_t at; (at = s->find(out)) != std::string::npos;)
                    s->replace(at, out.size(), "OUT");
            if (command == "info")
                for (std::size_t at = 0; (at = runs.back().out.find("read in ", at)) != std::string::npos;
                     at += 9)
                    runs.back().out.replace(at + 8, 5, "T");
        }
        EXPECT_EQ(runs[0].exitCode, 1) << command;
        EXPECT_EQ(runs[1].exitCode, runs[0].exitCode) << command;
        EXPECT_EQ(runs[1].out, runs[0].out) << command;
        EXPECT_EQ(runs[1].err, runs[0].err) << command;
        if (command == "info") continue;
        EXPECT_EQ(test::Entries(dir.File(command + "1")), 13u);
        for (const auto& e : fs::directory_iterator(dir.File(command + "1")))
            EXPECT_EQ(test::ReadFile(e.path().string()),
                      test::ReadFile(dir.File(command + "4/" + e.path().filename().string())))
                << e.path();
    }
}

TEST(CliBatch, StandardInputAndOutput) {
    test::TempDir dir;
    const std::string png = dir.File("x.png");
    const auto pic = RunCli({"render", "-", "--format", "qli", "-o", "-"}, {.stdin = kSample});
    ASSERT_EQ(pic.exitCode, 0) << pic.err;
    test::WriteFile(png, pic.out);
    EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(540, 516));

    const auto viaStdout = RunCli({"convert", kSample, "--to", "plt", "-o", "-"});
    const auto viaFile = RunCli({"convert", "-", "--format", ".QLI", "--to", "plt", "-o", dir.File("y.plt")},
                                {.stdin = kSample});
    ASSERT_EQ(viaStdout.exitCode, 0) << viaStdout.err;
    ASSERT_EQ(viaFile.exitCode, 0) << viaFile.err;
    EXPECT_EQ(viaStdout.out, test::ReadFile(dir.File("y.plt")));

    const auto info = RunCli({"info", "-", "--format", "qli"}, {.stdin = kSample});
    EXPECT_EQ(info.out.rfind("stdin: QLI, ", 0), 0u) << info.out;
    // --format also reads a file whose name says nothing.
    test::WriteFile(dir.File("pattern"), kFrame);
    EXPECT_EQ(RunCli({"info", dir.File("pattern"), "--format", "qli"}).exitCode, 0);
}

TEST(CliBatch, QuietVerboseAndWhatEachInputGives) {
    test::TempDir dir;
    fs::create_directories(dir.File("folder.qli"));
    const auto quiet = RunCli({"render", kSample, dir.File("folder.qli"), "-d", dir.File("q"), "-q"});
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "loomveil-cli: " + dir.File("folder.qli") + ": is a directory\n");

    const auto verbose = RunCli({"render", kSample, dir.File("gone.qli"), "-d", dir.File("v"), "-v"});
    EXPECT_NE(verbose.err.find("loomveil-cli: " + kSample + ": wrote " + dir.File("v/loops.png") + " in "),
              std::string::npos)
        << verbose.err;
    EXPECT_NE(verbose.err.find("\n1 written, 1 failed, "), std::string::npos) << verbose.err;

    // The picture format follows -o, into a folder made for it.
    for (const auto& [name, magic] :
         {std::pair{"a.jpg", std::string("\xff\xd8")}, {"a.BMP", "BM"}, {"a", "\x89PNG"}}) {
        const std::string out = dir.File(std::string("new/") + name);
        ASSERT_EQ(RunCli({"render", kSample, "-o", out}).exitCode, 0) << name;
        EXPECT_EQ(test::ReadFile(out).substr(0, magic.size()), magic) << name;
    }
    // print and thumbnail take many inputs.
    const std::string frame = dir.File("frame.qli");
    test::WriteFile(frame, kFrame);
    for (const std::string command : {"print", "thumbnail"}) {
        const auto r = RunCli({command, kSample, frame, "-d", dir.File(command)});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(test::Entries(dir.File(command)), 2u);
    }
}

} // namespace
