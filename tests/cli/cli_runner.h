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

CliRun RunCli(const std::vector<std::string>& args);

} // namespace test
