// Read-only cases, run by settings_tests as an unprivileged user: a user who
// protects the settings file or its folder must get the message and keep the
// file byte for byte, with no temporary file left behind.
#include "Settings.h"
#include "ProfileFile.h"
#include "TempFolder.h"
#include "ToolkitError.h"

#include <gtest/gtest.h>

namespace {

const std::string kIni = "Vorn.ini";
const std::string kOld = "[VORN]\nFontName=kept\n[Other]\nk=1\n";

class ReadOnly : public ::testing::Test {
protected:
    void SetUp() override
    {
        // As root every write below would succeed and the checks would fail
        // for the wrong reason.
        ASSERT_NE(geteuid(), 0u) << "run this helper as an unprivileged user";
    }
};

void ExpectSaveRefused(const std::string& name)
{
    try {
        SaveIni(name);
        ADD_FAILURE() << "SaveIni reported success";
    } catch (const ToolkitError& error) {
        EXPECT_STREQ(error.what(), "Unable to write to ./Vorn.ini");
    }
}

TEST_F(ReadOnly, FileIsKept)
{
    TempFolder folder;
    WriteFile(kIni, kOld);
    ASSERT_EQ(chmod(kIni.c_str(), 0444), 0);

    ExpectSaveRefused("new");
    EXPECT_THROW(ProfileFile("./Vorn.ini").EraseSection("Other"), ToolkitError);
    EXPECT_THROW(ProfileFile("./Vorn.ini").WriteString("VORN", "FontName", "new"), ToolkitError);

    EXPECT_EQ(ReadFile(kIni), kOld);
    EXPECT_EQ(ModeOf(kIni), 0444u);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{kIni});
    AnsiString name;
    LoadIni(name);
    EXPECT_EQ(name, "kept");
}

TEST_F(ReadOnly, FolderKeepsTheFile)
{
    TempFolder folder;
    WriteFile(kIni, kOld);
    ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);

    ExpectSaveRefused("new");

    EXPECT_EQ(ReadFile(kIni), kOld);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{kIni});
}

TEST_F(ReadOnly, FolderWithoutFileStaysEmpty)
{
    TempFolder folder;
    ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);

    ExpectSaveRefused("new");

    EXPECT_TRUE(FolderEntries(folder.Path()).empty());
}

// A file we may write but not read must not be replaced by one that has lost
// everything it held.
TEST_F(ReadOnly, UnreadableFileIsNotOverwritten)
{
    TempFolder folder;
    WriteFile(kIni, kOld);
    ASSERT_EQ(chmod(kIni.c_str(), 0200), 0);

    ExpectSaveRefused("new");
    AnsiString name;
    LoadIni(name);
    EXPECT_EQ(name, "Tirna 0860");

    ASSERT_EQ(chmod(kIni.c_str(), 0600), 0);
    EXPECT_EQ(ReadFile(kIni), kOld);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{kIni});
}

} // namespace
