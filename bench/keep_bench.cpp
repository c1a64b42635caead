// What keeping the text costs the window once a second while it changes: the
// kept file of a text of 1,000, 10,000 and 100,000 units written safely
// (temporary file, sync, rename) into a fresh folder under /tmp, or
// $VORN_BENCH_FOLDER. It runs on a timer, never inside a keystroke.
//
//   keep_bench [benchmark options]
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "KeptTexts.h"

namespace {

void KeepText(benchmark::State& state)
{
    const char* base = std::getenv("VORN_BENCH_FOLDER");
    const std::string folder = std::string(base ? base : "/tmp") + "/vorn-keep-bench-" + std::to_string(getpid());
    std::u16string text;
    for (int64_t i = 0; i < state.range(0); ++i)
        text += static_cast<char16_t>(0x0860 + i % 40);
    {
        KeptTexts kept(folder);
        for (auto _ : state)
            if (kept.Keep(text, 0))
                state.SkipWithError("the text could not be kept");
    }
    std::filesystem::remove_all(folder);
}

BENCHMARK(KeepText)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
