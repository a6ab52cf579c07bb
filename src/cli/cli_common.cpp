#include "cli/cli.h"

#include "resources/dialog_templates.h"

#include <QGuiApplication>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

const std::vector<OptionDef> kCommonOptions = {
    {"--quiet", false, "-q"}, {"--verbose", false, "-v"}, {"--jobs", true, "-j"}, {"--format", true}};

const char* const kCommonHelp =
    "  -j N            work on N files at once (default: one per processor core);\n"
    "                  the output and its order are the same as with -j 1\n"
    "  -q, -v          quiet (only errors) or verbose (a line per file and a summary)\n"
    "  --format EXT    read every input as this format (qli, plt, dxf, ...);\n"
    "                  needed for '-', standard input\n";

namespace {
const OptionDef* FindOption(const std::vector<OptionDef>& options, std::string_view a) {
    for (const std::vector<OptionDef>* list : {&options, &kCommonOptions})
        for (const OptionDef& d : *list)
            if (d.name == a || (!d.alias.empty() && d.alias == a)) return &d;
    return nullptr;
}
} // namespace

std::optional<Args> ParseArgs(int argc, char** argv, int first, const std::vector<OptionDef>& options) {
    Args args;
    bool onlyInputs = false;
    for (int i = first; i < argc; ++i) {
        std::string_view a = argv[i];
        if (onlyInputs || a.size() < 2 || a[0] != '-') {
            args.inputs.emplace_back(a);
            continue;
        }
        if (a == "--") {
            onlyInputs = true;
            continue;
        }
        std::string_view value;
        bool hasInlineValue = false;
        if (const auto eq = a.find('='); a.starts_with("--") && eq != std::string_view::npos) {
            value = a.substr(eq + 1);
            a = a.substr(0, eq);
            hasInlineValue = true;
        }
        const OptionDef* def = FindOption(options, a);
        // "-j4", "-ofile": a short option with its value attached.
        if (!def && !a.starts_with("--") && a.size() > 2) {
            def = FindOption(options, a.substr(0, 2));
            if (def && def->takesValue) {
                value = a.substr(2);
                a = a.substr(0, 2);
                hasInlineValue = true;
            } else {
                def = nullptr;
            }
        }
        if (!def) {
            UsageError("unknown option " + std::string(a) + " (see --help)");
            return std::nullopt;
        }
        if (def->takesValue && !hasInlineValue) {
            if (i + 1 >= argc) {
                UsageError("option " + std::string(a) + " needs a value");
                return std::nullopt;
            }
            value = argv[++i];
        } else if (!def->takesValue && hasInlineValue) {
            UsageError("option " + std::string(a) + " takes no value");
            return std::nullopt;
        }
        args.values[std::string(def->name)] = std::string(value);
    }
    return args;
}

void ReportError(std::string_view file, std::string_view reason) {
    std::fprintf(stderr, "loomveil-cli: %.*s: %.*s\n", static_cast<int>(file.size()), file.data(),
                 static_cast<int>(reason.size()), reason.data());
}

int UsageError(std::string_view message) {
    std::fprintf(stderr, "loomveil-cli: %.*s\n", static_cast<int>(message.size()), message.data());
    return kExitUsage;
}

std::optional<Size> ParseSize(std::string_view text) {
    const auto x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    Size s{};
    const auto parse = [](std::string_view part, int& out) {
        const auto r = std::from_chars(part.data(), part.data() + part.size(), out);
        return r.ec == std::errc() && r.ptr == part.data() + part.size() && out >= 1 &&
               out <= kMaxPictureSide;
    };
    if (!parse(text.substr(0, x), s.width) || !parse(text.substr(x + 1), s.height)) return std::nullopt;
    return s;
}

Size DefaultRenderSize() {
    const auto frame = resources::PictureFrameClientSize(resources::kBaseUnitX96, resources::kBaseUnitY96);
    return {frame.width, frame.height};
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string ExtensionOf(const std::string& path) {
    return Lower(std::filesystem::path(path).extension().string());
}

void EnsureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        // Qt wants a private runtime folder and warns on every run without one.
        const std::string dir = "/tmp/runtime-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        struct stat st {};
        if (stat(dir.c_str(), &st) == 0 && st.st_uid == getuid() && (st.st_mode & 077) == 0)
            setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    static int argc = 1;
    static char name[] = "loomveil-cli";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

double SecondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace cli
