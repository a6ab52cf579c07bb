#include "cli/batch.h"

#include "cli/output_names.h"
#include "cli/progress.h"
#include "model/formats.h"
#include "model/loomveil_doc.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace cli {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxJobs = 256;
// How standard input is named in messages and output names.
constexpr const char* kStdinName = "stdin";

// A private folder for the copy of standard input and the output bound for
// standard output, removed with everything in it.
class TempFolder {
public:
    TempFolder() = default;
    ~TempFolder() {
        std::error_code ec;
        if (!m_path.empty()) fs::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, made on first use; empty when it cannot be made.
    const std::string& Path() {
        if (m_path.empty()) {
            const char* tmp = std::getenv("TMPDIR");
            std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/loomveil-cli-XXXXXX";
            if (mkdtemp(pattern.data())) m_path = pattern;
        }
        return m_path;
    }

private:
    std::string m_path;
};

// Files by device and inode: the same file under any name or link.
class FileIds {
public:
    void Add(const struct stat& st) { m_ids.insert({st.st_dev, st.st_ino}); }
    void AddPath(const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) Add(st);
    }
    bool Contains(const struct stat& st) const { return m_ids.count({st.st_dev, st.st_ino}) != 0; }

private:
    std::set<std::pair<dev_t, ino_t>> m_ids;
};

struct RunOptions {
    bool quiet = false;
    bool verbose = false;
    int jobs = 1;
    std::string format;
};

std::optional<RunOptions> ParseRunOptions(const Args& args, const std::string& command) {
    RunOptions o;
    o.quiet = args.Has("--quiet");
    o.verbose = args.Has("--verbose");
    if (o.quiet && o.verbose) {
        UsageError(command + ": give -q or -v, not both");
        return std::nullopt;
    }
    const unsigned cores = std::thread::hardware_concurrency();
    o.jobs = cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaxJobs));
    if (args.Has("--jobs")) {
        const std::string text = args.Get("--jobs");
        const auto r = std::from_chars(text.data(), text.data() + text.size(), o.jobs);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size() || o.jobs < 1 || o.jobs > kMaxJobs) {
            UsageError(command + ": -j wants a number of parallel jobs from 1 to " +
                       std::to_string(kMaxJobs));
            return std::nullopt;
        }
    }
    if (args.Has("--format")) {
        o.format = Lower(args.Get("--format"));
        if (o.format.starts_with('.')) o.format.erase(0, 1);
        if (const FileFormat* f = FindFormat(o.format); !f || !f->Reads()) {
            UsageError(command + ": --format names no format that is read: '" + args.Get("--format") + "'");
            return std::nullopt;
        }
    }
    return o;
}

// Everything from the descriptor from onto to; the reason on failure.
std::string CopyAll(int from, int to) {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(from, buf, sizeof buf);
        if (n == 0) return {};
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::strerror(errno);
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buf + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno != EINTR) return std::strerror(errno);
            if (w > 0) done += w;
        }
    }
}

// Standard input, whole, into a new file at path; the reason on failure.
std::string CopyStdin(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return std::strerror(errno);
    std::string why = CopyAll(STDIN_FILENO, fd);
    if (::close(fd) != 0 && why.empty()) why = std::strerror(errno);
    return why;
}

// The file at path onto standard output; the reason on failure.
std::string CopyToStdout(const std::string& path) {
    std::fflush(stdout);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    const std::string why = CopyAll(fd, STDOUT_FILENO);
    ::close(fd);
    return why;
}

// Why input cannot be read, found before any reader runs.
std::optional<std::string> InputProblem(const Input& input) {
    struct stat st {};
    if (::stat(input.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return "is a directory";
    return std::nullopt;
}

// Why output must not be written: it is one of the inputs (by device and
// inode, so also through a link), or a folder.
std::optional<std::string> OutputProblem(const std::string& output, const FileIds& inputs) {
    struct stat st {};
    if (::stat(output.c_str(), &st) != 0) return std::nullopt;
    if (inputs.Contains(st)) return "is an input file; not overwritten";
    if (S_ISDIR(st.st_mode)) return "is a directory";
    return std::nullopt;
}

bool IsPipe(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

} // namespace

int RunBatch(const Args& args, const BatchSpec& spec, const InputJob& job) {
    const std::string command(spec.command);
    const auto options = ParseRunOptions(args, command);
    if (!options) return kExitUsage;
    const bool writes = !spec.outputExt.empty();
    const std::string out = args.Get("--output"), dir = args.Get("--dir");
    if (writes) {
        if (!out.empty() && !dir.empty()) return UsageError(command + ": give -o or -d, not both");
        if (!out.empty() && args.inputs.size() > 1)
            return UsageError(command + ": -o takes one input; use -d DIR for many");
    }
    std::size_t stdinCount = 0;
    for (const std::string& in : args.inputs) stdinCount += in == "-";
    if (stdinCount > 1) return UsageError(command + ": standard input ('-') can be read only once");
    if (stdinCount && options->format.empty())
        return UsageError(command + ": reading standard input ('-') needs --format EXT to choose the reader");
    const bool toStdout = out == "-";

    // Past a file-size limit a write then fails with "File too large" and is
    // cleaned up like a full disk, instead of the signal ending the program
    // with its temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);

    TempFolder temp;
    std::vector<Input> inputs;
    for (const std::string& name : args.inputs) {
        Input in{name, name, options->format};
        if (name == "-") {
            in.name = kStdinName;
            in.path = temp.Path().empty() ? std::string() : temp.Path() + "/" + kStdinName + "." + in.format;
            const std::string why = in.path.empty() ? "cannot make a temporary folder" : CopyStdin(in.path);
            if (!why.empty()) {
                ReportError(kStdinName, why);
                return kExitFailed;
            }
        }
        inputs.push_back(std::move(in));
    }

    std::vector<std::string> outputs(inputs.size());
    FileIds inputIds;
    for (const Input& in : inputs) inputIds.AddPath(in.path);
    if (writes) {
        std::error_code ec;
        const std::string folder = !dir.empty() ? dir
                                   : toStdout   ? std::string()
                                                : fs::path(out).parent_path().string();
        if (!folder.empty() && !fs::create_directories(folder, ec) && ec) {
            ReportError(folder, "cannot create folder: " + ec.message());
            return kExitFailed;
        }
        if (toStdout) {
            struct stat st {};
            if (::fstat(STDOUT_FILENO, &st) == 0 && inputIds.Contains(st)) {
                ReportError("-", "standard output is an input file; not overwritten");
                return kExitFailed;
            }
            if (temp.Path().empty()) {
                ReportError("-", "cannot make a temporary folder");
                return kExitFailed;
            }
            outputs[0] = temp.Path() + "/out" + spec.outputExt;
        } else if (!out.empty()) {
            outputs[0] = out;
        } else {
            std::vector<std::string> names;
            for (const Input& in : inputs) names.push_back(in.name);
            outputs = PlanOutputNames(names, dir, spec.outputExt);
        }
    }

    // Fonts come from the application object, which only the main thread
    // may make.
    bool needsFonts = spec.needsFonts;
    for (const Input& in : inputs)
        needsFonts = needsFonts || (in.format.empty() ? ExtensionOf(in.path) == ".dxf" : in.format == "dxf");
    if (needsFonts) EnsureGuiApplication();

    auto runOne = [&](CLoomveilDoc& doc, std::size_t i) {
        const auto t0 = std::chrono::steady_clock::now();
        Outcome o;
        if (const auto why = InputProblem(inputs[i])) {
            o.failure = Failure{inputs[i].name, *why};
        } else if (const auto whyNot = writes ? OutputProblem(outputs[i], inputIds) : std::nullopt) {
            o.failure = Failure{outputs[i], *whyNot};
        } else {
            o = job(doc, inputs[i], outputs[i]);
            // A pipe is opened without waiting for a reader: none is there.
            if (o.failure && writes && o.failure->file == outputs[i] &&
                o.failure->reason == std::strerror(ENXIO) && IsPipe(outputs[i]))
                o.failure->reason = "is a pipe that no program reads";
        }
        o.seconds = SecondsSince(t0);
        return o;
    };

    const auto t0 = std::chrono::steady_clock::now();
    const bool terminal = isatty(STDERR_FILENO);
    Progress progress(inputs.size(), terminal && !options->quiet);
    std::size_t failed = 0;
    auto deliver = [&](std::size_t i, Outcome& o) {
        progress.Clear();
        if (!o.failure && toStdout) {
            if (const std::string why = CopyToStdout(outputs[i]); !why.empty()) o.failure = Failure{"-", why};
            o.report.clear();
        }
        if (o.failure) {
            ++failed;
            ReportError(o.failure->file, o.failure->reason);
        }
        if (spec.onOutcome) {
            spec.onOutcome(inputs[i], o);
        } else if (!o.failure && !options->quiet && !o.report.empty()) {
            std::printf("%s\n", o.report.c_str());
            std::fflush(stdout);
        }
        if (options->verbose && writes && !o.failure)
            std::fprintf(stderr, "loomveil-cli: %s: wrote %s in %.3f s\n", inputs[i].name.c_str(),
                         toStdout ? "standard output" : outputs[i].c_str(), o.seconds);
    };

    const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(options->jobs), inputs.size());
    if (workers <= 1) {
        CLoomveilDoc doc;
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            Outcome o = runOne(doc, i);
            deliver(i, o);
            progress.Step(inputs[i].name);
        }
    } else {
        // Workers take the inputs in turn; the main thread reports them in
        // input order, so the output is that of one job.
        std::vector<std::optional<Outcome>> results(inputs.size());
        std::mutex mutex;
        std::condition_variable ready;
        std::atomic<std::size_t> next{0};
        std::vector<std::size_t> finished; // in the order they finished, for the progress line
        std::vector<std::jthread> pool;
        for (std::size_t w = 0; w < workers; ++w)
            pool.emplace_back([&] {
                CLoomveilDoc doc;
                for (std::size_t i; (i = next++) < inputs.size();) {
                    Outcome o = runOne(doc, i);
                    const std::lock_guard lock(mutex);
                    results[i] = std::move(o);
                    finished.push_back(i);
                    ready.notify_one();
                }
            });
        std::size_t reported = 0, stepped = 0;
        std::unique_lock lock(mutex);
        while (reported < inputs.size()) {
            ready.wait(lock, [&] { return stepped < finished.size() || results[reported].has_value(); });
            while (reported < inputs.size() && results[reported]) {
                Outcome o = std::move(*results[reported]);
                const std::size_t i = reported++;
                lock.unlock();
                deliver(i, o);
                lock.lock();
            }
            for (; stepped < finished.size(); ++stepped) progress.Step(inputs[finished[stepped]].name);
        }
    }
    progress.Clear();

    if ((terminal && !options->quiet && inputs.size() > 1) || options->verbose) {
        const std::size_t done = inputs.size() - failed;
        std::fprintf(stderr, "%zu %.*s, %zu failed, %.1f s\n", done, static_cast<int>(spec.doneWord.size()),
                     spec.doneWord.data(), failed, SecondsSince(t0));
    }
    return failed ? kExitFailed : kExitOk;
}

} // namespace cli
