// loomveil-cli on a batch of 200 small pattern files, as a whole process,
// with -j 1, 2 and 4: the speed-up parallel jobs give on this machine.
#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>
#include <string>

namespace {

constexpr int kFiles = 200;

// 200 QLI meanders of about 20 KB each, in one folder; their paths as
// command-line arguments.
const std::string& Inputs() {
    static const std::string args = [] {
        std::string list;
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> step(-2.0f, 2.0f);
        for (int i = 0; i < kFiles; ++i) {
            const std::string path =
                bench::Generated("batch" + std::to_string(i) + ".qli", [&](const std::string& p) {
                    std::string out = "#CAD2DMC\r\nCS\r\nVMXY\r\n";
                    float x = 0, y = 0;
                    while (out.size() < 20000) {
                        x += step(rng);
                        y += step(rng);
                        bench::AppendXY(out, "VP ", x, y);
                    }
                    out += "EN\r\n";
                    std::FILE* f = std::fopen(p.c_str(), "wb");
                    std::fwrite(out.data(), 1, out.size(), f);
                    std::fclose(f);
                });
            list += " '" + path + "'";
        }
        return list;
    }();
    return args;
}

// range(0): jobs; the command is the benchmark's argument.
void RunBatch(benchmark::State& state, const char* command) {
    const std::string out = (bench::WorkDir() / "out").string();
    const std::string cmd = std::string("'") + LOOMVEIL_CLI_PATH + "' " + command + Inputs() + " -d '" + out +
                            "' -q -j " + std::to_string(state.range(0)) + " >/dev/null";
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("loomveil-cli failed");
    state.counters["files/s"] = benchmark::Counter(kFiles, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CliRender(benchmark::State& state) {
    RunBatch(state, "render");
}
void BM_CliConvert(benchmark::State& state) {
    RunBatch(state, "convert --to plt");
}
BENCHMARK(BM_CliRender)->Arg(1)->Arg(2)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliConvert)->Arg(1)->Arg(2)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
