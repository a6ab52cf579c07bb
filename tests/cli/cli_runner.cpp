#include "cli/cli_runner.h"

#include "test_support.h"

#include <cstdlib>
#include <sys/wait.h>

namespace test {

CliRun RunCli(const std::vector<std::string>& args, const CliSetting& setting) {
    TempDir dir;
    std::string cmd = ShellQuote(LOOMVEIL_CLI_PATH);
    for (const std::string& a : args) cmd += " " + ShellQuote(a);
    cmd += " >" + ShellQuote(dir.File("out")) + " 2>" + ShellQuote(dir.File("err")) + " <" +
           ShellQuote(setting.stdin.empty() ? "/dev/null" : setting.stdin);
    if (!setting.cwd.empty()) cmd = "cd " + ShellQuote(setting.cwd) + " && " + cmd;
    const int status = std::system(cmd.c_str());
    CliRun r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(dir.File("out"));
    r.err = ReadFile(dir.File("err"));
    return r;
}

} // namespace test
