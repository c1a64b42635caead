// Times building the font catalogue over every installed face against
// `fc-list ':charset=860-89f' family`, which answers the font selector's
// question from fontconfig's cached charsets. Prints both medians and their
// ratio; the catalogue should stay within 3 times fontconfig's time.
//
//   catalogue_bench [runs]      (default 21)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FontPlatform.h"
#include "ScriptFaces.h"
#include "UnicodeList.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One run of fontconfig's query; returns the number of output lines, or -1.
int RunFcList()
{
    FILE* pipe = popen("fc-list ':charset=860-89f' family", "r");
    if (!pipe)
        return -1;
    int lines = 0;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe))
        ++lines;
    return pclose(pipe) == 0 ? lines : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;

    std::vector<double> catalogueTimes, fcListTimes;
    size_t entered = 0, listed = 0, names = 0;
    double firstRun = 0;
    for (int run = 0; run < runs; ++run) {
        // Each run starts from the font database's list afresh, as a new
        // process would (fontconfig's own configuration stays loaded).
        ForgetFontDatabase();
        const auto start = Clock::now();
        const UnicodeList catalogue;
        const std::vector<AnsiString> faces = ListScriptFaces(catalogue);
        const auto stop = Clock::now();
        catalogueTimes.push_back(Milliseconds(start, stop));
        if (run == 0)
            firstRun = catalogueTimes.back();
        entered = catalogue.Faces.size();
        listed = faces.size();
        names = EnumerateFaceNames().size();
    }
    int fcLines = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        fcLines = RunFcList();
        fcListTimes.push_back(Milliseconds(start, Clock::now()));
        if (fcLines < 0) {
            std::fprintf(stderr, "catalogue_bench: fc-list failed\n");
            return 1;
        }
    }

    const double catalogueMedian = Median(catalogueTimes);
    const double fcListMedian = Median(fcListTimes);
    std::printf("runs: %d\n", runs);
    std::printf("catalogue: %zu family names, %zu faces entered, %zu listed for U+0860..U+089F\n", names, entered,
                listed);
    std::printf("fc-list:   %d families cover U+0860..U+089F\n", fcLines);
    std::printf("catalogue median: %.2f ms (first run, fontconfig loading included: %.2f ms)\n", catalogueMedian,
                firstRun);
    std::printf("fc-list median:   %.2f ms\n", fcListMedian);
    std::printf("ratio catalogue / fc-list: %.2f (target <= 3)\n", catalogueMedian / fcListMedian);
    return 0;
}
