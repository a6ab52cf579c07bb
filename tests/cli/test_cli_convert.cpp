#include "cli/cli_runner.h"
#include "writers/write_helpers.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using test::Entries;
using test::RunCli;

const std::string kSample = std::string(LOOMVEIL_SOURCE_DIR) + "/samples/loops.qli";

TEST(CliConvert, EachFormatMatchesTheHandCheckedBytes) {
    test::TempDir dir;
    // Fitted to each format's fixed span.
    for (const char* ext : {"dxf", "hqf", "plt", "qcc", "qli"}) {
        const std::string out = dir.File(std::string("square.") + ext);
        const auto r =
            RunCli({"convert", test::DataPath("writers/square.qli"), "--to", ext, "--fit", "-o", out});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, out + "\n");
        EXPECT_EQ(test::ReadFile(out),
                  test::ReadFile(test::DataPath(std::string("writers/cli_square.") + ext)))
            << ext;
    }
    // Without --to the format is the output's extension.
    const auto r = RunCli({"convert", test::DataPath("writers/line.qli"), "--fit", "-o", dir.File("x.EXP")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::ReadFile(dir.File("x.EXP")), test::ReadFile(test::DataPath("writers/cli_line.exp")));
    // Without --fit a pattern whose unit is known keeps its size: QLI's
    // thousandths of an inch are written as they stand.
    ASSERT_EQ(RunCli({"convert", test::DataPath("writers/square.qli"), "-o", dir.File("kept.qli")}).exitCode,
              0);
    EXPECT_NE(test::ReadFile(dir.File("kept.qli")).find("VP 4,0\r\nVP 4,-2\r\n"), std::string::npos);
}

// Render, convert and export share one loop over the inputs.
TEST(CliConvert, ManyInputsIntoAFolderAndOneFailureFailsTheRun) {
    test::TempDir dir;
    const std::string hqv = std::string(LOOMVEIL_SOURCE_DIR) + "/samples/loops.hqv",
                      bad = dir.File("bad.xyz");
    test::WriteFile(bad, "nothing");
    const auto r =
        RunCli({"convert", kSample, dir.File("gone.qli"), bad, hqv, "--to", "exp", "-d", dir.File("out")});
    EXPECT_EQ(r.exitCode, 1);
    // loops.qli and loops.hqv would share a name: both keep their own extension.
    EXPECT_EQ(r.out, dir.File("out/loops.qli.exp") + "\n" + dir.File("out/loops.hqv.exp") + "\n");
    EXPECT_NE(r.err.find("loomveil-cli: " + dir.File("gone.qli") + ": " + std::strerror(ENOENT) + "\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("loomveil-cli: " + bad + ": no reader for files of type \"xyz\"\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(test::ReadFile(dir.File("out/loops.qli.exp")).substr(0, 2), "\x80\x04");
    EXPECT_EQ(Entries(dir.File("out")), 2u);
}

TEST(CliConvert, FailedWritesSayWhyAndLeaveTheOldFile) {
    test::TempDir dir;
    const auto full = RunCli({"convert", kSample, "--to", "dxf", "-o", "/dev/full"});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "loomveil-cli: /dev/full: " + std::string(std::strerror(ENOSPC)) + "\n");

    test::WriteFile(dir.File("plain"), "x");
    const auto notDir = RunCli({"convert", kSample, "--to", "plt", "-o", dir.File("plain/x.plt")});
    EXPECT_EQ(notDir.exitCode, 1);
    EXPECT_EQ(notDir.err, "loomveil-cli: " + dir.File("plain") +
                              ": cannot create folder: " + std::strerror(ENOTDIR) + "\n");

    // A file-size limit fails the write part-way, as a full disk does.
    const std::string old = dir.File("old.dxf");
    test::WriteFile(old, "the old drawing");
    const std::string cmd = "ulimit -f 4; '" LOOMVEIL_CLI_PATH "' convert '" + kSample + "' -o '" + old +
                            "' 2>'" + dir.File("err") + "'";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_EQ(test::ReadFile(dir.File("err")), "loomveil-cli: " + old + ": " + std::strerror(EFBIG) + "\n");
    EXPECT_EQ(test::ReadFile(old), "the old drawing");
    EXPECT_EQ(Entries(dir.path()), 3u); // plain, old.dxf, err
}

} // namespace
