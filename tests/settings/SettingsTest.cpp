#include "Settings.h"
#include "ProfileFile.h"
#include "SafeFile.h"
#include "CannotRun.h"
#include "TempFolder.h"
#include "ToolkitError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

const std::string kIni = "Vorn.ini";

TEST(SettingsLoad, ReadsTheStoredNameOrTheDefault)
{
    struct Case {
        const char* fault;
        std::optional<std::string> file;
        std::string expected;
    } const cases[] = {
        {"no file", std::nullopt, "Tirna 0860"},
        {"no VORN section", "[OTHER]\nFontName=x\n", "Tirna 0860"},
        {"no FontName key", "[VORN]\nFont=x\n", "Tirna 0860"},
        {"empty FontName is not the default", "[VORN]\nFontName=\n", ""},
        {"stored name", "[VORN]\nFontName=Noto Sans Old Hungarian\n", "Noto Sans Old Hungarian"},
        {"names matched without case", "[vorn]\nfontNAME= x \n", "x"},
        {"long name cut to 1,023 bytes", "[VORN]\nFontName=" + std::string(1500, 'n') + "\n",
         std::string(1023, 'n')},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.fault);
        TempFolder folder;
        if (row.file)
            WriteFile(kIni, *row.file);
        AnsiString name = "value on entry is ignored";
        LoadIni(name);
        EXPECT_EQ(name, row.expected);
    }
}

TEST(SettingsSave, LeavesOnlyTheFontName)
{
    struct Case {
        const char* fault;
        std::optional<std::string> file;
        std::string name;
        std::string expected;
    } const cases[] = {
        {"creates the file", std::nullopt, "Tirna 0860", "[VORN]\nFontName=Tirna 0860\n"},
        {"empty name saved as empty", std::nullopt, "", "[VORN]\nFontName=\n"},
        {"other sections and keys erased",
         "[First]\na=1\n\n[VORN]\nFontName=old\nExtra=2\n; note\n[Last]\nb=3\n", "new",
         "[VORN]\nFontName=new\n"},
        {"VORN in another case is erased, not kept", "[vorn]\nfontname=old\n", "new", "[VORN]\nFontName=new\n"},
        {"duplicate sections all erased", "[A]\n[A]\n[VORN]\n[VORN]\n", "x", "[VORN]\nFontName=x\n"},
        {"text before the first section is kept", "; written by hand\n[A]\nk=1\n", "x",
         "; written by hand\n[VORN]\nFontName=x\n"},
        {"same name again still leaves one key", "[VORN]\nFontName=x\n", "x", "[VORN]\nFontName=x\n"},
        {"name longer than 31 bytes saved whole", std::nullopt, std::string(40, 'f'),
         "[VORN]\nFontName=" + std::string(40, 'f') + "\n"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.fault);
        TempFolder folder;
        if (row.file)
            WriteFile(kIni, *row.file);
        SaveIni(row.name);
        EXPECT_EQ(ReadFile(kIni), row.expected);
        EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{kIni});
    }
}

TEST(SettingsSave, RoundTripsUtf8Names)
{
    TempFolder folder;
    const AnsiString saved = "Rovás \xE0\xA1\xA0 0860";
    SaveIni(saved);
    AnsiString loaded;
    LoadIni(loaded);
    EXPECT_EQ(loaded, saved);
}

TEST(SettingsSave, UsesTheWorkingDirectory)
{
    TempFolder first;
    SaveIni("first");
    {
        TempFolder second;
        AnsiString name;
        LoadIni(name);
        EXPECT_EQ(name, "Tirna 0860");
        SaveIni("second");
        EXPECT_EQ(ReadFile(kIni), "[VORN]\nFontName=second\n");
    }
    EXPECT_EQ(ReadFile(kIni), "[VORN]\nFontName=first\n");
}

// "S0000".."S1399" take 6 bytes each in the listing: 1,365 of them and the
// closing zero fill 8,191 bytes, so S1365 and later are not listed.
TEST(SettingsSave, SectionsBeyondTheListingSurvive)
{
    constexpr int kSections = 1400;
    constexpr int kListed = 1365;
    auto sectionText = [](int i) {
        char name[16];
        std::snprintf(name, sizeof name, "S%04d", i);
        return "[" + std::string(name) + "]\nk=" + std::to_string(i) + "\n";
    };
    std::string file;
    std::string survivors;
    for (int i = 0; i < kSections; ++i) {
        file += sectionText(i);
        if (i >= kListed)
            survivors += sectionText(i);
    }
    ASSERT_EQ(ProfileText::Parse(file).SectionNames(8192).size(), std::size_t{kListed});

    TempFolder folder;
    WriteFile(kIni, file);
    SaveIni("x");
    EXPECT_EQ(ReadFile(kIni), survivors + "[VORN]\nFontName=x\n");

    // A VORN beyond the listing is not erased: the key is written into it.
    WriteFile(kIni, file + "[VORN]\nFontName=old\nExtra=1\n");
    SaveIni("y");
    EXPECT_EQ(ReadFile(kIni), survivors + "[VORN]\nFontName=y\nExtra=1\n");
}

TEST(SettingsSave, FailedWriteKeepsTheOldFile)
{
    TempFolder folder;
    const std::string old = "[VORN]\nFontName=old\n[Other]\nk=1\n";
    WriteFile(kIni, old);
    SetWriteLimitForTesting(10);
    try {
        SaveIni("new");
        ADD_FAILURE() << "a failed save was reported as success";
    } catch (const ToolkitError& error) {
        EXPECT_STREQ(error.what(), "Unable to write to ./Vorn.ini");
    }
    SetWriteLimitForTesting(std::nullopt);
    EXPECT_EQ(ReadFile(kIni), old);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{kIni});
}

// Runs a shell command, returning its exit status and its output.
std::pair<int, std::string> RunCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return {-1, "popen failed"};
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// The checkout may sit where only its owner can read, as in root's home: the
// suppressions file that LSAN_OPTIONS names goes with the copy for nobody.
void CopySuppressionsInto(const std::string& folder)
{
    const char* options = std::getenv("LSAN_OPTIONS");
    if (!options)
        return;
    std::string text = options;
    const std::string key = "suppressions=";
    std::size_t value = 0;
    if (text.starts_with(key))
        value = key.size();
    else if (const std::size_t at = text.find(":" + key); at != std::string::npos)
        value = at + 1 + key.size();
    else
        return;
    // The sanitizers take a value in quotes, as a path with a space needs.
    std::size_t end = 0;
    std::string named;
    if (value < text.size() && (text[value] == '"' || text[value] == '\'')) {
        const std::size_t close = text.find(text[value], value + 1);
        if (close == std::string::npos)
            return;
        named = text.substr(value + 1, close - value - 1);
        end = close + 1;
    } else {
        end = std::min(text.find(':', value), text.size());
        named = text.substr(value, end - value);
    }
    const std::string copy = folder + "/lsan.supp";
    std::filesystem::copy_file(named, copy);
    chmod(copy.c_str(), 0644);
    text.replace(value, end - value, "\"" + copy + "\"");
    setenv("LSAN_OPTIONS", text.c_str(), 1);
}

// Root writes read-only files and folders at will, so the read-only cases
// only mean something for an ordinary user: as root, run them as nobody from a
// copy of the helper in a folder that nobody can reach.
TEST(SettingsReadOnly, FileAndFolderAsUnprivilegedUser)
{
    const std::string helper = SETTINGS_READONLY_HELPER;
    if (geteuid() != 0) {
        const auto [status, output] = RunCommand("'" + helper + "'");
        EXPECT_EQ(status, 0) << output;
        return;
    }
    std::string runuser;
    for (const char* candidate : {"/usr/sbin/runuser", "/sbin/runuser", "/usr/bin/runuser"})
        if (access(candidate, X_OK) == 0)
            runuser = candidate;
    if (runuser.empty())
        SKIP_OR_FAIL() << "running as root and runuser is missing: cannot test as an unprivileged user";

    TempFolder folder;
    ASSERT_EQ(chmod(folder.Path().c_str(), 0755), 0);
    const std::string copy = folder.Path() + "/settings_readonly_helper";
    std::filesystem::copy_file(helper, copy);
    ASSERT_EQ(chmod(copy.c_str(), 0755), 0);
    CopySuppressionsInto(folder.Path());

    const std::string asNobody = runuser + " -u nobody -- ";
    const auto [probeStatus, probeOutput] = RunCommand(asNobody + copy + " --gtest_list_tests");
    if (probeStatus != 0)
        SKIP_OR_FAIL() << "user nobody cannot run the helper (" << probeOutput << ")";

    const auto [status, output] = RunCommand(asNobody + copy);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
    EXPECT_NE(output.find("PASSED"), std::string::npos) << output;
}

} // namespace
