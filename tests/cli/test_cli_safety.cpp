// No command may write over one of its inputs, under any name, nor hang on
// an output that is not a regular file.
#include "cli/cli_runner.h"
#include "test_support.h"
#include "writers/write_helpers.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using test::RunCli;
namespace fs = std::filesystem;

constexpr const char* kFrame = "#h\nL,0,0\nL,200,0\nL,200,100\nL,0,100\nL,0,0\n";

TEST(CliSafety, NoCommandWritesOverAnInput) {
    test::TempDir dir;
    const std::string q = dir.File("q.qli"), plt = dir.File("b.plt");
    test::WriteFile(q, kFrame);
    test::WriteFile(plt, "IN;PU0,0;PD100,0;PD100,100;\n");
    fs::create_symlink(q, dir.File("link.plt"));
    fs::create_hard_link(q, dir.File("hard.png"));
    const struct {
        std::vector<std::string> args;
        std::string refused; // the output named in the message
    } cases[] = {
        // No -o: the output beside it in the current folder is the input.
        {{"convert", "q.qli", "--to", "qli"}, "q.qli"},
        {{"print", "q.qli", "-o", "./q.qli"}, "./q.qli"},
        {{"export", q, "--svg", "-o", q}, q},
        {{"thumbnail", q, "-o", q}, q},
        // Through a symbolic and a hard link.
        {{"convert", q, "-o", dir.File("link.plt")}, dir.File("link.plt")},
        {{"render", q, "-o", dir.File("hard.png")}, dir.File("hard.png")},
        // Another input's name: that input stays, the others are written.
        {{"convert", "q.qli", "b.plt", "--to", "plt", "-d", "."}, "./b.plt"},
    };
    for (const auto& c : cases) {
        const auto r = RunCli(c.args, {.cwd = dir.path().string()});
        EXPECT_EQ(r.exitCode, 1) << c.args[0];
        EXPECT_NE(r.err.find("loomveil-cli: " + c.refused + ": is an input file; not overwritten\n"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(test::ReadFile(q), kFrame) << c.args[0];
        EXPECT_EQ(test::ReadFile(plt), "IN;PU0,0;PD100,0;PD100,100;\n") << c.args[0];
    }
    EXPECT_TRUE(fs::exists(dir.File("q.plt"))); // the last case's other input
    // Standard output that is an input.
    const auto out = RunCli({"convert", q, "--to", "qli", "-o", "-"}, {});
    EXPECT_EQ(out.exitCode, 0) << out.err;
    const std::string shell =
        "'" LOOMVEIL_CLI_PATH "' convert '" + q + "' --to qli -o - >>'" + q + "' 2>/dev/null";
    EXPECT_NE(std::system(shell.c_str()), 0);
    EXPECT_EQ(test::ReadFile(q), kFrame);
}

TEST(CliSafety, APipeIsWrittenWhenReadAndRefusedAtOnceWhenNot) {
    test::TempDir dir;
    const std::string q = dir.File("q.qli"), fifo = dir.File("pipe.plt");
    test::WriteFile(q, kFrame);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto t0 = std::chrono::steady_clock::now();
    const auto c = RunCli({"convert", q, "--to", "plt", "-o", fifo});
    EXPECT_EQ(c.exitCode, 1);
    EXPECT_EQ(c.err, "loomveil-cli: " + fifo + ": is a pipe that no program reads\n");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));

    const std::string shell = "cat '" + fifo + "' >'" + dir.File("got") +
                              "' & '" LOOMVEIL_CLI_PATH "' convert '" + q + "' --to plt -o '" + fifo +
                              "' >/dev/null; s=$?; wait; exit $s";
    EXPECT_EQ(std::system(shell.c_str()), 0);
    EXPECT_EQ(test::ReadFile(dir.File("got")).substr(0, 3), "IN;");
    struct stat st {};
    ASSERT_EQ(stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)); // still the pipe, not replaced by a file
}

} // namespace
