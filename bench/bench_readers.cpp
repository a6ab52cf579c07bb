// The pattern readers on generated 10 MB and 100 MB inputs.
//
// For every format, in one run:
//   bare/<fmt>/<MB>    the bare scan-and-parse loop over the text in memory
//                      (text formats only: the yardstick)
//   parse/<fmt>/<MB>   the reader's parser building the model from the text
//                      in memory
//   read/<fmt>/<MB>    reading the file and building the model
//   render/<fmt>/<MB>  the whole render: read, model and draw into the
//                      viewer's picture size
// Targets: parse at least half the bare loop's MB/s for the text formats,
// at least 200 MB/s for IQP, 4QB, EXP and DST. Peak memory is process-wide: run one
// benchmark alone (--benchmark_filter=render/plt/100) to see its own. MB/s
// are per CPU second, which a shared machine disturbs least.
#include "bench_support.h"
#include "readers/pattern_parsers.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <stdexcept>

namespace {

// A smooth meander of stitch runs inside 0..40000, like the plotter files.
class Walk {
public:
    explicit Walk(unsigned seed) : m_rng(seed) {}
    // Starts a new run somewhere near the last one; returns its length.
    int NewRun() {
        m_x = Clamp(m_x + Uniform(-3000, 3000));
        m_y = Clamp(m_y + Uniform(-3000, 3000));
        return static_cast<int>(Uniform(200, 3000));
    }
    void Step() {
        m_heading += Uniform(-0.35, 0.35);
        const double step = Uniform(8, 60);
        m_x = Clamp(m_x + step * std::cos(m_heading));
        m_y = Clamp(m_y + step * std::sin(m_heading));
    }
    double x() const { return m_x; }
    double y() const { return m_y; }
    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(m_rng); }

private:
    static double Clamp(double v) { return v < 0 ? 0 : v > 40000 ? 40000 : v; }
    std::mt19937 m_rng;
    double m_x = 20000, m_y = 20000, m_heading = 0;
};

// Text or bytes collected in memory and written out in large pieces.
class Writer {
public:
    explicit Writer(const std::string& path) : m_file(std::fopen(path.c_str(), "wb")) {
        if (!m_file) throw std::runtime_error("cannot write " + path);
    }
    ~Writer() {
        Drain();
        std::fclose(m_file);
    }
    Writer& operator<<(std::string_view s) {
        m_buf += s;
        m_written += s.size();
        if (m_buf.size() > (1u << 20)) Drain();
        return *this;
    }
    // A number with three decimals, as the writers print coordinates.
    Writer& Num(double v) {
        char tmp[32];
        const auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, 3);
        return *this << std::string_view(tmp, static_cast<std::size_t>(r.ptr - tmp));
    }
    Writer& Int(long long v) {
        char tmp[24];
        const auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
        return *this << std::string_view(tmp, static_cast<std::size_t>(r.ptr - tmp));
    }
    Writer& U32(std::uint32_t v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        return *this << std::string_view(b, 4);
    }
    Writer& F32(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return U32(bits);
    }
    Writer& Zeros(std::size_t n) { return *this << std::string(n, '\0'); }
    std::size_t Written() const { return m_written; }

private:
    void Drain() {
        std::fwrite(m_buf.data(), 1, m_buf.size(), m_file);
        m_buf.clear();
    }
    std::FILE* m_file;
    std::string m_buf;
    std::size_t m_written = 0;
};

// Writes runs of the walk until the file holds about target bytes: start(w)
// begins a run at the walk's position, point(w) writes each further point.
void WriteRuns(const std::string& path, std::size_t target, const std::function<void(Writer&)>& head,
               const std::function<void(Writer&, Walk&)>& start,
               const std::function<void(Writer&, Walk&)>& point) {
    Writer w(path);
    Walk walk(7);
    head(w);
    while (w.Written() < target) {
        const int n = walk.NewRun();
        start(w, walk);
        for (int i = 0; i < n && w.Written() < target; ++i) {
            walk.Step();
            point(w, walk);
        }
    }
}

void MakeText(const std::string& ext, const std::string& path, std::size_t target) {
    if (ext == "plt") {
        bench::RunSharedGenerator("gen_hpgl.py", path,
                                  "--size-mb " + std::to_string(target / 1000000) + " >/dev/null");
    } else if (ext == "qcc") {
        WriteRuns(
            path, target, [](Writer& w) { w << "c s\r\nc e s\r\n"; },
            [](Writer& w, Walk&) { w << "c e e\r\nc s\r\nc e s\r\n"; },
            [](Writer& w, Walk& k) {
                w << "p X";
                w.Num(k.x()) << " Y";
                w.Num(k.y()) << "\r\n";
            });
    } else if (ext == "pat") {
        long long line = 0;
        WriteRuns(
            path, target, [](Writer&) {},
            [&](Writer& w, Walk& k) {
                w << "N";
                w.Int(++line) << "G0X";
                w.Num(k.x()) << "Y";
                w.Num(k.y()) << "\n";
            },
            [&](Writer& w, Walk& k) {
                // One move in fifty is a counter-clockwise arc about a centre
                // near the stitch.
                const bool arc = line % 50 == 0;
                w << "N";
                w.Int(++line) << (arc ? "G3X" : "G1X");
                w.Num(k.x()) << "Y";
                w.Num(k.y());
                if (arc) {
                    w << "I";
                    w.Num(k.x() + 20) << "J";
                    w.Num(k.y() - 15);
                }
                w << "\n";
            });
    } else if (ext == "ssd") {
        WriteRuns(
            path, target, [](Writer& w) { w << ":SSD\r\n"; }, [](Writer& w, Walk&) { w << ":SECTION\r\n"; },
            [](Writer& w, Walk& k) {
                w.Num(k.x()) << " ";
                w.Num(k.y()) << "\r\n";
            });
    } else if (ext == "hqf") {
        double px = 0, py = 0;
        WriteRuns(
            path, target, [](Writer&) {},
            [&](Writer&, Walk& k) {
                px = k.x();
                py = k.y();
            },
            [&](Writer& w, Walk& k) {
                w.Num(px) << " ";
                w.Num(py) << " ";
                w.Num(k.x()) << " ";
                w.Num(k.y()) << "\r\n";
                px = k.x();
                py = k.y();
            });
    } else if (ext == "cmd") {
        WriteRuns(
            path, target, [](Writer&) {}, [](Writer& w, Walk&) { w << "PU\r\n"; },
            [](Writer& w, Walk& k) {
                w << "X";
                w.Num(k.x()) << " Y";
                w.Num(k.y()) << "\r\n";
            });
    } else if (ext == "txt") {
        WriteRuns(
            path, target, [](Writer&) {}, [](Writer& w, Walk&) { w << "jump position\r\n"; },
            [](Writer& w, Walk& k) {
                w.Num(k.x()) << " ";
                w.Num(k.y()) << "\r\n";
            });
    } else {
        throw std::runtime_error("no generator for " + ext);
    }
}

void MakeIqp(const std::string& path, std::size_t target) {
    const std::uint32_t records = static_cast<std::uint32_t>((target - 104) / 8);
    Writer w(path);
    w << "StitchV1";
    w.Zeros(88).U32(records).Zeros(4);
    Walk walk(11);
    std::uint32_t done = 0;
    while (done < records) {
        const int n = walk.NewRun();
        w.F32(12000).F32(12000);
        ++done;
        for (int i = 0; i < n && done < records; ++i, ++done) {
            walk.Step();
            w.F32(static_cast<float>(walk.x())).F32(static_cast<float>(walk.y()));
        }
    }
}

// 4QB counts its blocks in one byte: 255 long blocks fill the file.
void Make4qb(const std::string& path, std::size_t target) {
    constexpr int kBlocks = 255;
    const std::uint32_t perBlock = static_cast<std::uint32_t>(target / kBlocks / 8);
    Writer w(path);
    w << "%4qb%";
    w.U32(9) << std::string_view("\xFF\x10\x01\x01\x00", 5);
    Walk walk(13);
    for (int b = 0; b < kBlocks; ++b) {
        walk.NewRun();
        w.U32(44 + 8 * perBlock + 8).Zeros(44);
        for (std::uint32_t i = 0; i < perBlock; ++i) {
            walk.Step();
            w.F32(static_cast<float>(walk.x())).F32(static_cast<float>(walk.y()));
        }
        w.Zeros(4);
    }
    w.Zeros(4);
}

// Embroidery stitches: the walk in whole units, each run reached by a jump
// cut into moves the format can hold; rec writes one record.
void MakeStitches(const std::string& path, std::size_t target, std::string_view header, long most,
                  const std::function<void(Writer&, long, long, bool)>& rec) {
    Writer w(path);
    w << header;
    long x = 0, y = 0;
    auto moveTo = [&](long tx, long ty, bool jump) {
        while (x != tx || y != ty) {
            const long dx = std::clamp(tx - x, -most, most), dy = std::clamp(ty - y, -most, most);
            rec(w, dx, dy, jump);
            x += dx;
            y += dy;
        }
    };
    Walk walk(17);
    while (w.Written() < target) {
        const int n = walk.NewRun();
        moveTo(std::lround(walk.x()), std::lround(walk.y()), true);
        for (int i = 0; i < n && w.Written() < target; ++i) {
            walk.Step();
            moveTo(std::lround(walk.x()), std::lround(walk.y()), false);
        }
    }
}

void MakeExp(const std::string& path, std::size_t target) {
    MakeStitches(path, target, "", 127, [](Writer& w, long dx, long dy, bool jump) {
        if (jump) w << std::string_view("\x80\x04", 2);
        const char b[2] = {static_cast<char>(dx), static_cast<char>(dy)};
        w << std::string_view(b, 2);
    });
}

// Balanced ternary: each of the five digits of a move adds or takes away
// its step through one of two bits.
void MakeDst(const std::string& path, std::size_t target) {
    struct Bit {
        int byte, plus, minus;
    };
    static constexpr Bit kX[5] = {{0, 0, 1}, {1, 0, 1}, {0, 2, 3}, {1, 2, 3}, {2, 2, 3}};
    static constexpr Bit kY[5] = {{0, 7, 6}, {1, 7, 6}, {0, 5, 4}, {1, 5, 4}, {2, 5, 4}};
    MakeStitches(path, target, "LA:bench\r" + std::string(503, ' '), 121,
                 [](Writer& w, long dx, long dy, bool jump) {
                     unsigned char b[3] = {0, 0, static_cast<unsigned char>(jump ? 0x83 : 0x03)};
                     for (auto [v, bits] : {std::pair{dx, kX}, std::pair{dy, kY}}) {
                         for (int d = 0; d < 5; ++d) {
                             const long r = ((v % 3) + 4) % 3 - 1; // the digit: -1, 0 or 1
                             if (r)
                                 b[bits[d].byte] |=
                                     static_cast<unsigned char>(1 << (r > 0 ? bits[d].plus : bits[d].minus));
                             v = (v - r) / 3;
                         }
                     }
                     w << std::string_view(reinterpret_cast<const char*>(b), 3);
                 });
}

std::string Input(const std::string& ext, int mb) {
    return bench::Generated("input" + std::to_string(mb) + "." + ext, [&](const std::string& path) {
        const std::size_t target = static_cast<std::size_t>(mb) * 1000000;
        if (ext == "iqp")
            MakeIqp(path, target);
        else if (ext == "4qb")
            Make4qb(path, target);
        else if (ext == "exp")
            MakeExp(path, target);
        else if (ext == "dst")
            MakeDst(path, target);
        else
            MakeText(ext, path, target);
    });
}

void Parse(const std::string& ext, const FileBuffer& file, CPointList& out) {
    if (ext == "plt") ParseHpgl(file.text(), HpglDialect::plt, out);
    if (ext == "qcc") ParseQcc(file.text(), out);
    if (ext == "pat") ParsePat(file.text(), PatDialect::pat, out);
    if (ext == "ssd") ParsePat(file.text(), PatDialect::ssd, out);
    if (ext == "hqf") ParsePat(file.text(), PatDialect::hqf, out);
    if (ext == "cmd") ParseCmd(file.text(), out);
    if (ext == "txt") ParseTxt(file.text(), out);
    if (ext == "iqp") ParseIqp(file.bytes(), out);
    if (ext == "4qb") Parse4qb(file.bytes(), out);
    if (ext == "exp") ParseExp(file.bytes(), out);
    if (ext == "dst") ParseDst(file.bytes(), out);
}

// The file in memory, read once per input for the in-memory benchmarks.
const FileBuffer& Loaded(const std::string& path) {
    static std::map<std::string, FileBuffer> cache;
    FileBuffer& b = cache[path];
    if (b.empty()) {
        CLoomveilDoc doc;
        doc.SetCurrentFile(CString(path));
        if (!doc.ReadWholeFile(b)) throw std::runtime_error("cannot read " + path);
    }
    return b;
}

void Report(benchmark::State& state, std::size_t bytes, const CPointList& list) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["points"] = static_cast<double>(list.size());
    state.counters["peak_MiB"] = bench::PeakRssMiB();
}

void Bare(benchmark::State& state, const std::string& ext, int mb) {
    const FileBuffer& file = Loaded(Input(ext, mb));
    for (auto _ : state) benchmark::DoNotOptimize(bench::BareScanParse(file.text()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void ParseOnly(benchmark::State& state, const std::string& ext, int mb) {
    const FileBuffer& file = Loaded(Input(ext, mb));
    CPointList list;
    for (auto _ : state) {
        list.RemoveAll();
        Parse(ext, file, list);
        benchmark::DoNotOptimize(list.size());
    }
    Report(state, file.size(), list);
}

void ReadAndModel(benchmark::State& state, const std::string& ext, int mb) {
    const std::string path = Input(ext, mb);
    CLoomveilDoc doc;
    doc.SetCurrentFile(CString(path));
    for (auto _ : state) {
        FileBuffer file;
        doc.m_PointList.RemoveAll();
        if (!doc.ReadWholeFile(file)) state.SkipWithError("cannot read the input");
        Parse(ext, file, doc.m_PointList);
    }
    Report(state, bench::FileSize(path), doc.m_PointList);
}

void Render(benchmark::State& state, const std::string& ext, int mb) {
    const std::string path = Input(ext, mb);
    CLoomveilDoc doc;
    bench::Canvas canvas(540, 559);
    for (auto _ : state)
        if (!bench::RenderInto(doc, path, canvas)) state.SkipWithError(doc.m_strError.c_str());
    Report(state, bench::FileSize(path), doc.m_PointList);
}

const int kRegistered = [] {
    const char* const kText[] = {"plt", "qcc", "pat", "ssd", "hqf", "cmd", "txt"};
    const char* const kBinary[] = {"iqp", "4qb", "exp", "dst"};
    for (int mb : {10, 100}) {
        auto add = [&](const char* kind, const std::string& ext,
                       void (*fn)(benchmark::State&, const std::string&, int)) {
            const std::string name = std::string(kind) + "/" + ext + "/" + std::to_string(mb);
            benchmark::RegisterBenchmark(name.c_str(), fn, ext, mb)->Unit(benchmark::kMillisecond);
        };
        for (const char* ext : kText) {
            add("bare", ext, Bare);
            add("parse", ext, ParseOnly);
            add("read", ext, ReadAndModel);
            add("render", ext, Render);
        }
        for (const char* ext : kBinary) {
            add("parse", ext, ParseOnly);
            add("read", ext, ReadAndModel);
            add("render", ext, Render);
        }
    }
    return 0;
}();

} // namespace
