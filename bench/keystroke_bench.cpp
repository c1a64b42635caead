// One keystroke as the window handles it: ApplyKeyDown on the text, then the
// full redraw of the line into a 476 x 268 scroll box (a 476 x 1072 bitmap),
// at text lengths of 1,000, 10,000 and 100,000 units, with the insertion point
// at the end of the text or in its middle, on a screen with one and with two
// device pixels to a pixel (a 952 x 2144 bitmap).
//
//   keystroke_bench [--face NAME] [benchmark options]
//
// The text is made of the layout's letters, so it is drawn with whatever
// glyphs the face has for them (the missing glyph when it has none). Each
// iteration alternates typing A and Backspace, so that the length stays put.
// At the end the medians are printed, scale 1 beside scale 2, with the ratio
// of 100,000 to 1,000 units; the aim is a ratio under 1.5 and every median
// under 2 ms. At scale 1 the keystroke runs once more as the window runs it,
// recording its step in the edit history, which must cost it nothing that
// shows beside the redraw.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "EditHistory.h"
#include "KeybLayout.h"
#include "Keystroke.h"
#include "LineRenderer.h"
#include "SizedFace.h"
#include "VirtualKeys.h"

namespace {

AnsiString faceName = "Noto Sans Old Hungarian";

constexpr int ScrollBoxWidth = 476;
constexpr int ScrollBoxHeight = 268;

void KeystrokeWithRedraw(benchmark::State& state)
{
    const auto length = static_cast<uint32_t>(state.range(0));
    const bool middle = state.range(1) != 0;
    const auto scale = static_cast<double>(state.range(2));
    const bool withHistory = state.range(3) != 0;
    EditHistory history;

    const KeybLayout Layout;
    OwnWideString TypedText;
    int32_t CursorPos = 0;
    // Build the text the way typing would leave it, without typing 100,000
    // keys: the letters U+0860.. cycling, with a space pair now and then.
    for (uint32_t i = 0; i < length; ++i)
        TypedText.Append(i % 9 == 8 ? char16_t(0x0020) : static_cast<char16_t>(0x0860 + i % 40));
    CursorPos = middle ? static_cast<int32_t>(length / 2) : static_cast<int32_t>(length);

    DrawingCanvas canvas;
    RenderLine(canvas, TypedText, CursorPos, faceName, ScrollBoxWidth, ScrollBoxHeight, TextPixelSize, scale);

    bool typeLetter = true;
    for (auto _ : state) {
        unsigned Key = typeLetter ? vk::KEY_A : vk::BACK;
        typeLetter = !typeLetter;
        const bool redraw = withHistory ? ApplyKeyDown(TypedText, CursorPos, Layout, Key, KeyModifiers{}, false, history)
                                        : ApplyKeyDown(TypedText, CursorPos, Layout, Key, KeyModifiers{}, false);
        if (redraw)
            RenderLine(canvas, TypedText, CursorPos, faceName, ScrollBoxWidth, ScrollBoxHeight, TextPixelSize, scale);
        benchmark::DoNotOptimize(canvas.bitmap.constBits());
    }
    state.counters["length"] = length;
}

BENCHMARK(KeystrokeWithRedraw)
    ->ArgNames({"length", "middle", "scale", "history"})
    ->ArgsProduct({{1000, 10000, 100000}, {0, 1}, {1, 2}, {0}})
    ->ArgsProduct({{1000, 10000, 100000}, {0, 1}, {1}, {1}})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// Collects the medians while the console shows the usual table.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    // run name -> (wall, CPU) microseconds; on a shared machine the CPU time
    // shows the work itself when the wall time includes waiting for a core.
    std::map<std::string, std::pair<double, double>> medians;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--face" && i + 1 < argc)
            faceName = argv[++i];
        else
            rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());

    const auto face = ResolveFace(faceName);
    std::printf("face \"%s\" -> %s\n", faceName.c_str(), face ? face->file.c_str() : "(none)");

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nmedians in microseconds, wall / CPU, at scale 1 and at scale 2:\n");
    const auto median = [&reporter](const char* length, const char* where, const char* scale,
                                    const char* history = "0") {
        const auto found = reporter.medians.find(std::string("KeystrokeWithRedraw/length:") + length + "/middle:"
                                                 + where + "/scale:" + scale + "/history:" + history
                                                 + "/repeats:9");
        return found == reporter.medians.end() ? std::pair<double, double>{0, 0} : found->second;
    };
    for (const char* where : {"0", "1"}) {
        const char* cursor = *where == '1' ? "middle" : "end";
        for (const char* length : {"1000", "10000", "100000"}) {
            const auto one = median(length, where, "1"), two = median(length, where, "2");
            std::printf("  cursor %-6s length %6s: %8.1f / %8.1f   %8.1f / %8.1f\n", cursor, length, one.first,
                        one.second, two.first, two.second);
        }
        for (const char* scale : {"1", "2"}) {
            const auto small = median("1000", where, scale), large = median("100000", where, scale);
            if (small.first > 0 && large.first > 0)
                std::printf("  cursor %-6s scale %s ratio 100000/1000: %.2f wall, %.2f CPU (aim < 1.5); "
                            "100000 at %.2f ms wall (aim < 2)\n",
                            cursor, scale, large.first / small.first, large.second / small.second,
                            large.first / 1000.0);
        }
    }
    std::printf("\nat scale 1, medians in microseconds, wall / CPU, without and with the edit history:\n");
    for (const char* where : {"0", "1"})
        for (const char* length : {"1000", "10000", "100000"}) {
            const auto without = median(length, where, "1"), with = median(length, where, "1", "1");
            std::printf("  cursor %-6s length %6s: %8.1f / %8.1f   %8.1f / %8.1f\n", *where == '1' ? "middle" : "end",
                        length, without.first, without.second, with.first, with.second);
        }
    return 0;
}
