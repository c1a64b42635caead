#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Files.h"
#include "HeldSave.h"
#include "KeepWriter.h"
#include "KeptTexts.h"
#include "NoReadOverride.h"
#include "TempFolder.h"

namespace {

// A window that keeps text and then ends as a kill would end it: no
// destructor runs, only the system lets its lock go.
void KilledWindow(const std::string& folder, const std::u16string& text, int32_t cursor)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto* kept = new KeptTexts(folder);
        _exit(kept->Keep(text, cursor) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

std::vector<std::u16string> TakeAll(KeptTexts& kept)
{
    std::vector<std::u16string> taken;
    while (const auto text = kept.TakeLeftText())
        taken.push_back(text->units);
    return taken;
}

TEST(KeptTexts, ARunningWindowsTextIsNotOfferedItsEndedOneIs)
{
    TempFolder temp;
    const std::string folder = temp.Path() + "/state/vorn";
    auto first = std::make_unique<KeptTexts>(folder);
    KeptTexts second(folder);
    ASSERT_FALSE(first->Keep(u"\u0860\u0861", 1));
    EXPECT_FALSE(second.HasLeftText());
    first.reset();
    ASSERT_TRUE(second.HasLeftText());
    const auto text = second.TakeLeftText();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->units, u"\u0860\u0861");
    EXPECT_EQ(text->cursor, 1);
    // Taken, it is the taker's own text now, and offered to no one else.
    EXPECT_FALSE(second.HasLeftText());
    EXPECT_FALSE(KeptTexts(folder).HasLeftText());
    EXPECT_EQ(ModeOf(folder), 0700u);
}

// Taken, a text is the taker's own file: once the taker ends it is all that
// is left, and it comes back whole.
TEST(KeptTexts, ATakenTextIsKeptAsTheTakersOwn)
{
    TempFolder temp;
    KilledWindow(temp.Path(), u"left", 2);
    {
        KeptTexts taker(temp.Path());
        ASSERT_TRUE(taker.TakeLeftText());
    }
    const std::vector<std::string> entries = FolderEntries(temp.Path());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries.front().ends_with(".text")) << entries.front();
    KeptTexts later(temp.Path());
    const auto text = later.TakeLeftText();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->units, u"left");
    EXPECT_EQ(text->cursor, 2);
}

TEST(KeptTexts, TwoKilledWindowsEachGiveTheirTextNewestFirst)
{
    TempFolder temp;
    KilledWindow(temp.Path(), u"older", 5);
    // File systems may keep coarse modification times: the older text is
    // made ten seconds older.
    for (const std::string& name : FolderEntries(temp.Path()))
        if (name.ends_with(".text")) {
            const timespec times[2] = {{time(nullptr) - 10, 0}, {time(nullptr) - 10, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, (temp.Path() + "/" + name).c_str(), times, 0), 0);
        }
    KilledWindow(temp.Path(), u"newer\xD800", 2);
    KeptTexts kept(temp.Path());
    EXPECT_EQ(TakeAll(kept), (std::vector<std::u16string>{u"newer\xD800", u"older"}));
}

TEST(KeptTexts, AnEmptyTextLeavesNothing)
{
    TempFolder temp;
    {
        KeptTexts kept(temp.Path());
        ASSERT_FALSE(kept.Keep(u"abc", 3));
        ASSERT_FALSE(kept.Keep(u"", 0));
    }
    KilledWindow(temp.Path(), u"", 0);
    EXPECT_FALSE(KeptTexts(temp.Path()).HasLeftText());
}

TEST(KeptTexts, OnlyTheNewestFewEndedTextsStay)
{
    TempFolder temp;
    for (int i = 0; i < KeptTexts::MaxLeftTexts + 3; ++i)
        KilledWindow(temp.Path(), u"text", 0);
    KeptTexts kept(temp.Path());
    // Its own lock, and the texts: the ended windows' locks are gone too.
    EXPECT_EQ(FolderEntries(temp.Path()).size(), KeptTexts::MaxLeftTexts + 1u);
    EXPECT_EQ(TakeAll(kept).size(), std::size_t(KeptTexts::MaxLeftTexts));
}

TEST(KeptTexts, EntriesThatAreNotTextsAreSkippedOrLeftAlone)
{
    TempFolder temp;
    KilledWindow(temp.Path(), u"good", 0);
    const std::string id = "1-0123456789abcdef";
    // A FIFO under a text's name would hang a plain read.
    ASSERT_EQ(mkfifo((temp.Path() + "/" + id + ".text").c_str(), 0600), 0);
    WriteFile(temp.Path() + "/2-0123456789abcdef.text", "not a kept text");
    WriteFile(temp.Path() + "/notes.txt", "the user's own");
    KeptTexts kept(temp.Path());
    EXPECT_EQ(TakeAll(kept), (std::vector<std::u16string>{u"good"}));
    EXPECT_EQ(ReadFile(temp.Path() + "/notes.txt"), "the user's own");
}

// A save killed before its rename leaves a temporary file that nobody will
// finish once its window has ended; a running window's is still being
// written, and stays.
TEST(KeptTexts, AnEndedWindowsHalfWrittenTextGoesARunningOnesStays)
{
    TempFolder temp;
    const auto keep = [&] { return !KeptTexts(temp.Path()).Keep(u"half", 0); };
    HeldSave ended(keep);
    HeldSave running(keep);
    ASSERT_FALSE(ended.temporary().empty()) << ended.failure();
    ASSERT_FALSE(running.temporary().empty()) << running.failure();
    ended.Kill();
    KeptTexts later(temp.Path());
    EXPECT_FALSE(std::filesystem::exists(ended.temporary()));
    EXPECT_TRUE(std::filesystem::exists(running.temporary()));
    EXPECT_FALSE(later.HasLeftText());
    EXPECT_TRUE(running.Finish());
}

// Five newer files that are no texts never cost the one text its place: the
// damaged go, the unreadable stay, neither is offered.
TEST(KeptTexts, FiveNewerFilesThatAreNoTextsLeaveTheOneText)
{
    const std::string good = EncodeKeptText(u"\u0860", 1);
    const std::string damaged[] = {
        good.substr(0, good.find('\n')),                           // no line end
        good.substr(0, good.size() - 1),                           // odd length
        "",                                                        // empty
        EncodeKeptText(std::u16string(u"a\0b", 3), 0),             // a unit 0
        std::string("VORN KEPT TEXT 1 cursor=4294967296\na\0", 37),  // cursor past 32 bits
    };
    for (const bool readable : {true, false}) {
        SCOPED_TRACE(readable ? "damaged" : "unreadable");
        TempFolder temp;
        KilledWindow(temp.Path(), u"good", 0);
        for (const std::string& name : FolderEntries(temp.Path())) {
            const timespec times[2] = {{time(nullptr) - 10, 0}, {time(nullptr) - 10, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, (temp.Path() + "/" + name).c_str(), times, 0), 0);
        }
        std::vector<std::string> newer;
        for (int i = 0; i < 5; ++i) {
            newer.push_back(temp.Path() + "/" + std::to_string(i + 1) + "-0123456789abcdef.text");
            WriteFile(newer.back(), readable ? damaged[i] : good);
            if (!readable) {
                ASSERT_EQ(chmod(newer.back().c_str(), 0), 0);
            }
        }
        const NoReadOverride noOverride;
        ASSERT_EQ(noOverride.failure(), "");
        ASSERT_EQ(ReadFile(newer.front()).has_value(), readable);
        for (int start = 0; start < 2; ++start) {
            KeptTexts kept(temp.Path());
            for (const std::string& path : newer)
                EXPECT_EQ(std::filesystem::exists(path), !readable) << path;
            ASSERT_EQ(kept.LeftTexts().size(), 1u);
        }
        KeptTexts kept(temp.Path());
        EXPECT_EQ(TakeAll(kept), (std::vector<std::u16string>{u"good"}));
    }
}

// A read that fails says nothing of the text: the file stays for a later
// try and the next text is taken. Too large to read is the failure that
// root cannot read past.
TEST(KeptTexts, ATextThatCannotBeReadStaysAndTheNextIsTaken)
{
    TempFolder temp;
    KilledWindow(temp.Path(), u"good", 0);
    const std::string large = temp.Path() + "/1-0123456789abcdef.text";
    constexpr std::uintmax_t LargeSize = std::uintmax_t{257} << 20;  // past the 256 MiB read
    WriteFile(large, EncodeKeptText(u"large", 0));
    ASSERT_EQ(truncate(large.c_str(), off_t(LargeSize)), 0);  // sparse: no disk used
    {
        KeptTexts kept(temp.Path());
        EXPECT_EQ(TakeAll(kept), (std::vector<std::u16string>{u"good"}));
    }
    const std::vector<std::string> entries = FolderEntries(temp.Path());
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                            [&](const std::string& name) {
                                return std::filesystem::file_size(temp.Path() + "/" + name) == LargeSize;
                            }),
              1);
}

TEST(KeptTexts, AFolderThatCannotBeMadeFailsEveryKeepWithTheReason)
{
    TempFolder temp;
    WriteFile(temp.Path() + "/file", "");
    KeptTexts kept(temp.Path() + "/file/vorn");
    const auto fault = kept.Keep(u"abc", 0);
    ASSERT_TRUE(fault);
    EXPECT_EQ(*fault, "Not a directory");
    EXPECT_FALSE(kept.HasLeftText());
    EXPECT_FALSE(kept.TakeLeftText());
}

TEST(KeptTexts, DecodingRefusesWhatIsNotAKeptText)
{
    const std::string good = EncodeKeptText(u"ab", 1);
    EXPECT_EQ(good, std::string("VORN KEPT TEXT 1 cursor=1\na\0b\0", 30));
    const struct {
        std::string bytes;
        bool taken;
        int32_t cursor;
    } rows[] = {
        {good, true, 1},
        {EncodeKeptText(u"ab", 7), true, 2},                             // cursor past the end: at the end
        {good.substr(0, good.size() - 1), false, 0},                     // odd byte count
        {"VORN KEPT TEXT 1 cursor=x\na\0", false, 0},                    // cursor not a number
        {"VORN KEPT TEXT 2 cursor=0\na\0", false, 0},                    // another format
        {std::string("VORN KEPT TEXT 1 cursor=0\n\0\0", 28), false, 0},  // a unit 0
    };
    for (const auto& row : rows) {
        const auto text = DecodeKeptText(row.bytes);
        EXPECT_EQ(bool(text), row.taken) << row.bytes;
        if (text) {
            EXPECT_EQ(text->cursor, row.cursor);
        }
    }
}

// Whatever the writer's thread was doing, the text posted last is the one
// kept once it finishes.
TEST(KeepWriter, TheTextPostedLastIsKept)
{
    TempFolder temp;
    {
        KeptTexts kept(temp.Path());
        KeepWriter writer(kept, [](const std::string& why) { ADD_FAILURE() << why; });
        for (int i = 1; i <= 200; ++i)
            writer.Post(std::u16string(static_cast<std::size_t>(i), u'a'), i);
        EXPECT_FALSE(writer.Finish());
        // Finished, it takes no more.
        writer.Post(u"late", 0);
    }
    KeptTexts later(temp.Path());
    const auto text = later.TakeLeftText();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->units, std::u16string(200, u'a'));
    EXPECT_EQ(text->cursor, 200);
}

TEST(KeepWriter, AFailedWriteIsReported)
{
    TempFolder temp;
    WriteFile(temp.Path() + "/file", "");
    KeptTexts kept(temp.Path() + "/file/vorn");
    std::mutex mutex;
    std::condition_variable reported;
    std::vector<std::string> faults;
    KeepWriter writer(kept, [&](const std::string& why) {
        const std::lock_guard lock(mutex);
        faults.push_back(why);
        reported.notify_one();
    });
    writer.Post(u"a", 0);
    std::unique_lock lock(mutex);
    ASSERT_TRUE(reported.wait_for(lock, std::chrono::seconds(60), [&] { return !faults.empty(); }));
    EXPECT_EQ(faults.front(), "Not a directory");
    lock.unlock();
    // The second text fails on the thread or in Finish, whichever takes it;
    // either way it is told.
    writer.Post(u"b", 0);
    const auto last = writer.Finish();
    lock.lock();
    EXPECT_EQ(faults.size() + (last ? 1 : 0), 2u);
    EXPECT_EQ(last.value_or(faults.back()), "Not a directory");
}

}  // namespace
