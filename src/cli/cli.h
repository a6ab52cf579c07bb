// Shared pieces of loomveil-cli's commands.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Parses argv[first..] against options and the options every command takes
// (kCommonOptions); on a usage error prints it and returns nothing. A lone
// "-" is an input (standard input).
std::optional<Args> ParseArgs(int argc, char** argv, int first, const std::vector<OptionDef>& options);

// -q, -v, -j N and --format EXT, taken by every command.
extern const std::vector<OptionDef> kCommonOptions;
// The help lines that describe them.
extern const char* const kCommonHelp;

// "loomveil-cli: FILE: reason" on stderr.
void ReportError(std::string_view file, std::string_view reason);
// "loomveil-cli: message" on stderr; returns kExitUsage.
int UsageError(std::string_view message);

struct Size {
    int width;
    int height;
};
// Largest side of a picture, in pixels.
constexpr int kMaxPictureSide = 32768;
// "WxH" with both in 1..kMaxPictureSide.
std::optional<Size> ParseSize(std::string_view text);
// The size a render gets without --size: the viewer's picture frame at 96 dpi.
Size DefaultRenderSize();

std::string Lower(std::string s);
// The extension of path's file name, lower case, with its dot ("" without).
std::string ExtensionOf(const std::string& path);

// Makes sure a QGuiApplication exists (fonts, printing); offscreen unless the
// user chose a platform. Call it from the main thread only.
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
