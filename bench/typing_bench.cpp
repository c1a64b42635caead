// The keystroke handling alone, without the redraw: letter key A and
// Backspace in turn at the end of a text of 1,000, 100,000 and 1,000,000
// units, so that the length stays put.
//
//   typing_bench [benchmark options]
//
// Typing at the end must not depend on the length of the text; the medians are
// printed with the ratio of 1,000,000 to 1,000 units (aim: under 2).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "KeybLayout.h"
#include "Keystroke.h"
#include "VirtualKeys.h"

namespace {

void TypeAtTheEnd(benchmark::State& state)
{
    const auto length = static_cast<uint32_t>(state.range(0));
    const KeybLayout Layout;
    OwnWideString TypedText;
    for (uint32_t i = 0; i < length; ++i)
        TypedText.Append(static_cast<char16_t>(0x0860 + i % 40));
    auto CursorPos = static_cast<int32_t>(length);

    bool typeLetter = true;
    for (auto _ : state) {
        unsigned Key = typeLetter ? vk::KEY_A : vk::BACK;
        typeLetter = !typeLetter;
        benchmark::DoNotOptimize(ApplyKeyDown(TypedText, CursorPos, Layout, Key, KeyModifiers{}, false));
    }
    if (TypedText.Length() != length && TypedText.Length() != length + 1)
        state.SkipWithError("the text did not keep its length");
}

BENCHMARK(TypeAtTheEnd)->Arg(1000)->Arg(100000)->Arg(1000000)->Repetitions(5)->ReportAggregatesOnly(true);

class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medians;  // run name -> CPU nanoseconds

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.str()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto small = reporter.medians.find("TypeAtTheEnd/1000/repeats:5");
    const auto large = reporter.medians.find("TypeAtTheEnd/1000000/repeats:5");
    if (small != reporter.medians.end() && large != reporter.medians.end())
        std::printf("\nratio 1000000/1000: %.2f CPU (aim < 2)\n", large->second / small->second);
    return 0;
}
