// A save removes only what it made: its own temporary file when it fails,
// and at a later start the temporary files that killed saves left, proven
// abandoned by the lock their writers held; never a file merely named like
// one, nor the temporary file of a save still under way in another PID
// namespace, where process ids mean nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "AnsiString.h"
#include "Files.h"
#include "HeldSave.h"
#include "Outputs.h"
#include "CannotRun.h"
#include "RunVorn.h"
#include "Settings.h"
#include "TempFolder.h"

namespace {

const std::string kPngStart = "\x89PNG\r\n\x1A\n";

VornRun Render(const std::string& output, bool newPidNamespace)
{
    std::vector<std::string> args = {"render", "--keys", "A,B", "-o", output};
    if (!newPidNamespace)
        return RunVorn(args);
    args.insert(args.begin(), {"--pid", "--fork", VORN_BINARY});
    return RunVorn(args, {}, "/usr/bin/unshare");
}

TEST(Temporaries, AKilledSavesTemporaryGoesAtTheNextSaveALookAlikeStays)
{
    const TempFolder temp;
    const std::string picture = temp.Path() + "/photo.png";
    // Named as temporary files are, or were before; the user's own.
    const std::string lookAlikes[] = {".photo.png.31999.backup", ".photo.png.12345.tmp", ".photo.png.tmp"};
    for (const std::string& name : lookAlikes)
        WriteFile(temp.Path() + "/" + name, "backup");
    HeldSave killed([&] { return WriteOutput(picture, "half").ok(); });
    ASSERT_FALSE(killed.temporary().empty()) << killed.failure();
    killed.Kill();
    ASSERT_TRUE(std::filesystem::exists(killed.temporary()));

    const VornRun run = Render(picture, false);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadFile(picture).value_or("").starts_with(kPngStart));
    EXPECT_FALSE(std::filesystem::exists(killed.temporary()));
    for (const std::string& name : lookAlikes)
        EXPECT_EQ(ReadFile(temp.Path() + "/" + name), "backup") << name;
}

// The held save and the other one are each, in turn, in a PID namespace of
// their own; both succeed, and the held one, renamed last, is what stays.
TEST(Temporaries, SavesInTwoPidNamespacesAtOnceBothSucceed)
{
    const TempFolder temp;
    const std::string picture = temp.Path() + "/photo.png";
    for (const bool heldInNew : {false, true}) {
        SCOPED_TRACE(heldInNew ? "held in a new namespace" : "held in this one");
        {
            const auto saveSettings = [](const char* name) {
                return [name] {
                    try {
                        SaveIni(AnsiString(name));
                        return true;
                    } catch (...) {
                        return false;
                    }
                };
            };
            HeldSave held(saveSettings("Held Face"), heldInNew);
            // A PID namespace is made only by root.
            if (!held.failure().empty())
                SKIP_OR_FAIL() << held.failure();
            ASSERT_FALSE(held.temporary().empty());
            HeldSave other(saveSettings("Other Face"), !heldInNew, false);
            if (!other.failure().empty())
                SKIP_OR_FAIL() << other.failure();
            EXPECT_TRUE(other.Finish());
            EXPECT_TRUE(std::filesystem::exists(held.temporary()));
            EXPECT_TRUE(held.Finish());
            EXPECT_EQ(ReadFile(temp.Path() + "/Vorn.ini"), "[VORN]\nFontName=Held Face\n");
        }
        {
            HeldSave held([&] { return WriteOutput(picture, "held").ok(); }, heldInNew);
            ASSERT_FALSE(held.temporary().empty()) << held.failure();
            const VornRun run = Render(picture, !heldInNew);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_TRUE(ReadFile(picture).value_or("").starts_with(kPngStart));
            EXPECT_TRUE(std::filesystem::exists(held.temporary()));
            EXPECT_TRUE(held.Finish());
            EXPECT_EQ(ReadFile(picture), "held");
        }
    }
}

}  // namespace
