// Runs the built loomveil-cli as a user would and captures what it says.
#pragma once

#include <string>
#include <vector>

namespace test {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct CliSetting {
    std::string cwd = {};   // folder to run in (the test's own when empty)
    std::string stdin = {}; // file for standard input (/dev/null when empty)
};

CliRun RunCli(const std::vector<std::string>& args, const CliSetting& setting = {});

} // namespace test
