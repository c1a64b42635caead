// Helper for the settings fault tests, run in the folder whose Vorn.ini it
// writes:
//   settings_save_loop loop    saves the long and the short name in turn until killed
//   settings_save_loop short   saves the short name once
//   settings_save_loop long    saves the long name once
//   settings_save_loop cycle   times four rounds of long and short saves and
//                              prints the microseconds that one round takes
// Exit status: 0 saved, 3 the save raised the write error (its message on
// stderr), 2 bad arguments.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>

#include "SaveNames.h"
#include "Settings.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const AnsiString shortName = ShortSaveName();
    const AnsiString longName = LongSaveName();
    try {
        if (std::strcmp(argv[1], "short") == 0) {
            SaveIni(shortName);
        } else if (std::strcmp(argv[1], "long") == 0) {
            SaveIni(longName);
        } else if (std::strcmp(argv[1], "cycle") == 0) {
            constexpr int kRounds = 4;
            const auto start = std::chrono::steady_clock::now();
            for (int round = 0; round < kRounds; ++round) {
                SaveIni(longName);
                SaveIni(shortName);
            }
            const auto took = std::chrono::steady_clock::now() - start;
            std::printf("%lld\n", static_cast<long long>(
                std::chrono::duration_cast<std::chrono::microseconds>(took).count() / kRounds));
        } else if (std::strcmp(argv[1], "loop") == 0) {
            // Tell the test that saving has begun, so that its kills land in
            // saves rather than in the start-up of the process.
            std::fputs("saving\n", stdout);
            std::fflush(stdout);
            for (unsigned round = 0;; ++round)
                SaveIni(round % 2 == 0 ? longName : shortName);
        } else {
            return 2;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    }
    return 0;
}
