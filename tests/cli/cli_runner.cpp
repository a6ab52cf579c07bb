#include "cli/cli_runner.h"

#include "test_support.h"

#include <cstdlib>
#include <sys/wait.h>

namespace test {

namespace {
std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
} // namespace

CliRun RunCli(const std::vector<std::string>& args) {
    TempDir dir;
    std::string cmd = Quote(LOOMVEIL_CLI_PATH);
    for (const std::string& a : args) cmd += " " + Quote(a);
    cmd += " >" + Quote(dir.File("out")) + " 2>" + Quote(dir.File("err")) + " </dev/null";
    const int status = std::system(cmd.c_str());
    CliRun r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(dir.File("out"));
    r.err = ReadFile(dir.File("err"));
    return r;
}

} // namespace test
