// Shared pieces of loomveil-cli's commands.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class CLoomveilDoc;

namespace cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // at least one input failed
constexpr int kExitUsage = 2;

// One command-line option: "--size" or "-o"; takesValue when it needs one.
struct OptionDef {
    std::string_view name;
    bool takesValue;
    std::string_view alias = {};
};

struct Args {
    std::vector<std::string> inputs;
    std::map<std::string, std::string, std::less<>> values; // by the option's long name
    bool Has(std::string_view name) const { return values.find(name) != values.end(); }
    std::string Get(std::string_view name, std::string fallback = {}) const {
        auto it = values.find(name);
        return it == values.end() ? fallback : it->second;
    }
};

// Parses argv[first..]; on a usage error prints it and returns nothing.
std::optional<Args> ParseArgs(int argc, char** argv, int first, const std::vector<OptionDef>& options);

// "loomveil-cli: FILE: reason" on stderr.
void ReportError(std::string_view file, std::string_view reason);
// "loomveil-cli: message" on stderr; returns kExitUsage.
int UsageError(std::string_view message);

struct Size {
    int width;
    int height;
};
// "WxH" with both in 1..32768.
std::optional<Size> ParseSize(std::string_view text);
// The size a render gets without --size: the viewer's picture frame at 96 dpi.
Size DefaultRenderSize();

// Where the output for each input goes: out when given (one input), else
// dir (or the current folder) with the input's name and the new extension.
// Two inputs that would share a name (a.qli, a.hqv) keep their own
// extension in it (a.qli.png, a.hqv.png).
class OutputNamer {
public:
    OutputNamer(std::string out, std::string dir, std::string newExt)
        : m_out(std::move(out)), m_dir(std::move(dir)), m_ext(std::move(newExt)) {}
    std::string For(const std::string& input);

private:
    std::string m_out, m_dir, m_ext;
    std::vector<std::string> m_used;
};

// A progress bar on stderr while many files are worked through, only when
// stderr is a terminal.
class Progress {
public:
    explicit Progress(std::size_t total);
    ~Progress();
    void Step(std::string_view name);
    // Clears the bar before a line of output.
    void Clear();

private:
    std::size_t m_total;
    std::size_t m_done = 0;
    bool m_enabled;
    bool m_shown = false;
};

// Why one input's work failed: the file the message names (the input, or
// the output that could not be written) and the reason.
struct Failure {
    std::string file;
    std::string reason;
};
// One input's work: reads input into doc and writes the output it takes
// from names; gives the path written or the failure.
using InputJob =
    std::function<std::variant<std::string, Failure>(CLoomveilDoc& doc, const std::string& input, OutputNamer& names)>;

// The loop shared by the commands that make one output per input: checks
// -o and -d (usage errors name the command), creates the folder, shows
// progress, prints each path written and reports each failure on one line.
// Exit status 0 only when every input worked.
int ForEachInput(const Args& args, std::string_view command, std::string newExt, const InputJob& job);

std::string Lower(std::string s);

// Makes sure a QGuiApplication exists (fonts, printing); offscreen unless the
// user chose a platform.
void EnsureGuiApplication();

double SecondsSince(std::chrono::steady_clock::time_point t0);

// Commands.
int RunRender(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunConvert(int argc, char** argv);
int RunPrint(int argc, char** argv);
int RunExport(int argc, char** argv);
int RunThumbnail(int argc, char** argv);

} // namespace cli
