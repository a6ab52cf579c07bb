#include "cli/cli.h"

#include "resources/dialog_templates.h"

#include <QGuiApplication>
#include "model/loomveil_doc.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

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
        const OptionDef* def = nullptr;
        for (const OptionDef& s : options)
            if (s.name == a || (!s.alias.empty() && s.alias == a)) def = &s;
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
        return r.ec == std::errc() && r.ptr == part.data() + part.size() && out >= 1 && out <= 32768;
    };
    if (!parse(text.substr(0, x), s.width) || !parse(text.substr(x + 1), s.height)) return std::nullopt;
    return s;
}

Size DefaultRenderSize() {
    const auto frame =
        resources::PictureFrameClientSize(resources::kBaseUnitX96, resources::kBaseUnitY96);
    return {frame.width, frame.height};
}

std::string OutputNamer::For(const std::string& input) {
    if (!m_out.empty()) return m_out;
    const std::filesystem::path name = std::filesystem::path(input).filename();
    const std::filesystem::path folder = m_dir.empty() ? std::filesystem::path() : std::filesystem::path(m_dir);
    std::filesystem::path stem = name;
    std::string path = (folder / stem.replace_extension(m_ext)).string();
    if (std::find(m_used.begin(), m_used.end(), path) != m_used.end())
        path = (folder / (name.string() + m_ext)).string();
    m_used.push_back(path);
    return path;
}

int ForEachInput(const Args& args, std::string_view command, std::string newExt, const InputJob& job) {
    const std::string out = args.Get("--output"), dir = args.Get("--dir");
    const std::string name(command);
    if (!out.empty() && !dir.empty()) return UsageError(name + ": give -o or -d, not both");
    if (!out.empty() && args.inputs.size() > 1)
        return UsageError(name + ": -o takes one input; use -d DIR for many");
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            ReportError(dir, "cannot create folder: " + ec.message());
            return kExitFailed;
        }
    }
    // Past a file-size limit a write then fails with "File too large" and is
    // cleaned up like a full disk, instead of the signal ending the program
    // with its temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);

    int status = kExitOk;
    Progress progress(args.inputs.size());
    OutputNamer names(out, dir, std::move(newExt));
    CLoomveilDoc doc;
    for (const std::string& input : args.inputs) {
        progress.Step(input);
        const std::variant<std::string, Failure> done = job(doc, input, names);
        progress.Clear();
        if (const Failure* f = std::get_if<Failure>(&done)) {
            ReportError(f->file, f->reason);
            status = kExitFailed;
            continue;
        }
        std::printf("%s\n", std::get<std::string>(done).c_str());
        std::fflush(stdout);
    }
    return status;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

Progress::Progress(std::size_t total) : m_total(total), m_enabled(total > 1 && isatty(STDERR_FILENO)) {}

Progress::~Progress() { Clear(); }

void Progress::Step(std::string_view name) {
    ++m_done;
    if (!m_enabled) return;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(m_done * kWidth / m_total);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, ' ');
    if (name.size() > 40) name = name.substr(name.size() - 40);
    std::fprintf(stderr, "\r\033[K[%s] %zu/%zu %.*s", bar.c_str(), m_done, m_total, static_cast<int>(name.size()),
                 name.data());
    std::fflush(stderr);
    m_shown = true;
}

void Progress::Clear() {
    if (!m_shown) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    m_shown = false;
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
