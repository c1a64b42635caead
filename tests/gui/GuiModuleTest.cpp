// The executable links no Qt: the window and the drawing commands come from
// its module (vorn-gui.so beside it), which calls the executable's own
// LoadIni and SaveIni. What the dynamic loader did is read from its own
// report (LD_DEBUG), so nothing here depends on how the files were linked.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "RunVorn.h"
#include "TempFolder.h"

namespace {

namespace fs = std::filesystem;

// The loader's report of one run, written to a file of the folder.
std::string LoaderReport(const TempFolder& folder, const std::vector<std::string>& args, VornRun& run)
{
    const std::string prefix = folder.Path() + "/loader";
    run = RunVorn(args, {"LD_DEBUG=files,bindings", "LD_DEBUG_OUTPUT=" + prefix});
    std::string report;
    for (const auto& entry : fs::directory_iterator(folder.Path()))
        if (entry.path().filename().string().starts_with("loader"))
            report += ReadFile(entry.path().string()).value_or("");
    return report;
}

TEST(GuiModule, OnlyTheWindowAndTheDrawingCommandsLoadQt)
{
    struct Row {
        std::vector<std::string> args;
        bool loadsQt;
    };
    const Row rows[] = {
        {{"fonts"}, false},
        {{"fonts", "--all"}, false},
        {{"fonts", "--coverage", "Vorn Test Sans"}, false},
        {{"--help"}, false},
        {{"render", "--text", "a", "-o", "out.png"}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[0] + (row.args.size() > 1 ? " " + row.args[1] : ""));
        const TempFolder folder;
        VornRun run;
        const std::string report = LoaderReport(folder, row.args, run);
        EXPECT_EQ(run.status, 0) << run.err;
        ASSERT_NE(report.find("file="), std::string::npos) << "no loader report";
        EXPECT_EQ(report.find("libQt6Core.so") != std::string::npos, row.loadsQt);
        EXPECT_EQ(report.find("vorn-gui.so") != std::string::npos, row.loadsQt);
        if (row.loadsQt) {
            // The module's settings are the executable's, not a copy of its own.
            for (const char* symbol : {"LoadIni", "SaveIni"})
                EXPECT_NE(report.find(std::string("vorn-gui.so [0] to ") + VORN_BINARY + " [0]: normal symbol `"
                                      + symbol + "'"),
                          std::string::npos)
                    << symbol;
        }
    }
}

TEST(GuiModule, AMissingModuleIsNamedAndTheFontsCommandStillRuns)
{
    const TempFolder folder;
    const std::string lone = folder.Path() + "/vorn";
    fs::copy_file(VORN_BINARY, lone);
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"render", "-o", "out.png"}}) {
        SCOPED_TRACE(args.empty() ? "window" : args[0]);
        const VornRun run = RunVorn(args, {}, lone);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("vorn: cannot load vorn-gui.so, which the window and the drawing commands need: ", 0),
                  0u)
            << run.err;
        EXPECT_NE(run.err.find(folder.Path() + "/vorn-gui.so"), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(folder.Path() + "/out.png"));
    }
    const VornRun fonts = RunVorn({"fonts"}, {}, lone);
    EXPECT_EQ(fonts.status, 0);
    EXPECT_EQ(fonts.out, RunVorn({"fonts"}).out);
}

} // namespace
