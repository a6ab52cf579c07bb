#include "bench_support.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>
#include <sys/resource.h>

namespace bench {

namespace {
struct Dir {
    std::filesystem::path path;
    Dir() {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() / ("loomveil-bench-" + std::to_string(rd()));
        std::filesystem::create_directories(path);
    }
    ~Dir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};
} // namespace

const std::filesystem::path& WorkDir() {
    static Dir dir;
    return dir.path;
}

void RunSharedGenerator(const std::string& script, const std::string& out, const std::string& args) {
    const std::string cmd = "python3 '" LOOMVEIL_SHARED_BENCH_DIR "/" + script + "' '" + out + "' " + args;
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("generator failed: " + cmd);
}

std::size_t FileSize(const std::string& path) { return static_cast<std::size_t>(std::filesystem::file_size(path)); }

double PeakRssMiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024.0;
}

double StatusMiB(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    double kb = 0;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0) kb = std::strtod(line + n, nullptr);
    std::fclose(f);
    return kb / 1024.0;
}

void ResetPeakRss() {
    // Writing "5" to clear_refs resets the high-water mark.
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

double BareScanParse(std::string_view text) {
    double sum = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* eol = lf ? lf : end;
        while (p < eol) {
            const char c = *p;
            if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
                float v = 0;
                const auto r = std::from_chars(p, eol, v);
                if (r.ec == std::errc()) {
                    sum += v;
                    p = r.ptr;
                    continue;
                }
            }
            ++p;
        }
        p = eol + 1;
    }
    return sum;
}

Canvas::Canvas(int width, int height) {
    bitmap.CreateCompatibleBitmap(nullptr, width, height);
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&bitmap);
}

int RenderInto(CLoomveilDoc& doc, const std::string& path, Canvas& canvas) {
    doc.SetCurrentFile(CString(path));
    return doc.RenderBitmap(&canvas.dc, canvas.width(), canvas.height());
}

void AppendXY(std::string& out, std::string_view command, double x, double y) {
    char buf[64];
    char* p = buf;
    p = std::to_chars(p, buf + sizeof buf, x, std::chars_format::fixed, 4).ptr;
    *p++ = ',';
    p = std::to_chars(p, buf + sizeof buf, y, std::chars_format::fixed, 4).ptr;
    *p++ = '\r';
    *p++ = '\n';
    out.append(command);
    out.append(buf, p);
}

int MainWithFonts(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
