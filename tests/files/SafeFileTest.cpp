// The file layer: a replace that fails anywhere leaves the old file and no
// temporary behind and says why; reads never wait on a FIFO; outputs that are
// FIFOs or devices are written to and stay.
#include "SafeFile.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>
#include <string>
#include <vector>

#include "FullDisk.h"
#include "CannotRun.h"
#include "TempFolder.h"

namespace {

// Bytes that differ from the old file in every place and in size.
const std::string kOld(20000, 'o');
const std::string kNew(30000, 'n');

class WriteLimit {
public:
    explicit WriteLimit(std::size_t bytes) { SetWriteLimitForTesting(bytes); }
    ~WriteLimit() { SetWriteLimitForTesting(std::nullopt); }
};

// Reads the FIFO to its end on another thread, as a reader process would.
std::future<std::string> ReadFifo(const std::string& path)
{
    return std::async(std::launch::async, [path] { return ReadFile(path).value_or("<unreadable>"); });
}

mode_t TypeOf(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

TEST(ReplaceFile, AWriteThatFailsAnywhereLeavesTheOldFileAndNoTemporary)
{
    const TempFolder temp;
    struct Row {
        const char* name;
        bool exists;
        std::size_t limit;  // bytes written before ENOSPC
    };
    const Row rows[] = {
        {"at_the_first_byte", true, 0},
        {"after_one_byte", true, 1},
        {"in_the_middle", true, kNew.size() / 2},
        {"at_the_last_byte", true, kNew.size() - 1},
        {"of_a_new_file", false, 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = temp.Path() + "/" + row.name;
        if (row.exists)
            WriteFile(path, kOld);
        const WriteLimit limit(row.limit);
        const FileResult result = ReplaceFile(path, kNew);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.error, "No space left on device");
        EXPECT_EQ(ReadFile(path), row.exists ? std::optional<std::string>(kOld) : std::nullopt);
        EXPECT_EQ(FolderEntries(temp.Path()).size(), std::size_t(row.exists ? 1 : 0)) << "a temporary is left";
        std::filesystem::remove(path);
    }
}

TEST(ReplaceFile, ANonRegularEntryIsRefusedUnlessTheCallerReplacesAnyEntry)
{
    const TempFolder temp;
    const std::string fifo = temp.Path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const FileResult refused = ReplaceFile(fifo, kNew);
    EXPECT_EQ(refused.error, "not a regular file");
    EXPECT_EQ(TypeOf(fifo), mode_t(S_IFIFO));

    ReplaceOptions cache;
    cache.replaceNonRegular = true;
    cache.followSymlinks = false;
    EXPECT_TRUE(ReplaceFile(fifo, kNew, cache));
    EXPECT_EQ(TypeOf(fifo), mode_t(S_IFREG));
    EXPECT_EQ(ReadFile(fifo), kNew);

    // A folder is never replaced, whatever the options.
    std::filesystem::create_directory(temp.Path() + "/folder");
    EXPECT_EQ(ReplaceFile(temp.Path() + "/folder", kNew, cache).error, "Is a directory");
}

TEST(ReplaceFile, AFullDiskLeavesTheOldFile)
{
    const TempFolder temp;
    FullDisk disk(temp.Path() + "/disk");
    if (!disk.mounted())
        SKIP_OR_FAIL() << "no full disk to test on: " << disk.reason();
    const std::string path = disk.folder() + "/keep";
    WriteFile(path, kOld);
    disk.Fill();
    // Small enough for any write buffer: the fault can only show at the
    // write itself, the sync or the close.
    for (const std::string& bytes : {std::string("n"), kNew}) {
        for (const bool output : {false, true}) {
            SCOPED_TRACE(std::to_string(bytes.size()) + (output ? " bytes as an output" : " bytes"));
            const FileResult result = output ? WriteOutput(path, bytes) : ReplaceFile(path, bytes);
            EXPECT_EQ(result.error, "No space left on device");
            EXPECT_EQ(ReadFile(path), kOld);
            EXPECT_EQ(FolderEntries(disk.folder()), (std::vector<std::string>{"filler", "keep"}));
        }
    }
}

// The mask is only read: a thread creating files meanwhile must never find
// it cleared.
TEST(ReplaceFile, ANewFileTakesTheUmaskWhichStaysAsItWas)
{
    const TempFolder temp;
    const mode_t before = umask(027);
    const FileResult result = ReplaceFile(temp.Path() + "/new", "n");
    const mode_t after = umask(before);
    EXPECT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(after, 027u);
    EXPECT_EQ(ModeOf(temp.Path() + "/new"), 0640u);
}

TEST(ReadWholeFile, OnlyARegularFileIsReadAndAFifoIsNeverWaitedOn)
{
    const TempFolder temp;
    WriteFile(temp.Path() + "/file", "bytes");
    ASSERT_EQ(mkfifo((temp.Path() + "/fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(temp.Path() + "/folder");
    struct Row {
        const char* name;
        std::uint64_t limit;
        ReadStatus status;
        std::string bytes;
    };
    const Row rows[] = {
        {"file", 5, ReadStatus::Ok, "bytes"},
        {"file", 4, ReadStatus::TooLarge, ""},
        {"missing", 100, ReadStatus::Missing, ""},
        {"fifo", 100, ReadStatus::NotRegular, ""},
        {"folder", 100, ReadStatus::NotRegular, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " limit " + std::to_string(row.limit));
        const ReadResult read = ReadWholeFile(temp.Path() + "/" + row.name, row.limit);
        EXPECT_EQ(read.status, row.status);
        EXPECT_EQ(read.bytes, row.bytes);
    }
}

TEST(WriteOutput, AFifoOrADeviceIsWrittenToAndStays)
{
    const TempFolder temp;
    const std::string fifo = temp.Path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::future<std::string> reader = ReadFifo(fifo);
    EXPECT_TRUE(WriteOutput(fifo, kNew));
    EXPECT_EQ(reader.get(), kNew);
    EXPECT_EQ(TypeOf(fifo), mode_t(S_IFIFO));

    // The null device's numbers, under a name of the test's own.
    const std::string null = temp.Path() + "/null";
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        SKIP_OR_FAIL() << "cannot make a device node (needs root): " << std::strerror(errno);
    EXPECT_TRUE(WriteOutput(null, kNew));
    EXPECT_EQ(TypeOf(null), mode_t(S_IFCHR));
}

TEST(WriteOutput, AFolderSocketOrBlockDeviceIsAnErrorAndStays)
{
    const TempFolder temp;
    std::filesystem::create_directory(temp.Path() + "/folder");
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = temp.Path() + "/socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const bool block = mknod((temp.Path() + "/block").c_str(), S_IFBLK | 0600, makedev(7, 200)) == 0;

    struct Row {
        const char* name;
        mode_t type;
        const char* error;
    };
    const Row rows[] = {
        {"folder", S_IFDIR, "Is a directory"},
        {"socket", S_IFSOCK, "not a file, FIFO or character device"},
        {"block", S_IFBLK, "not a file, FIFO or character device"},
    };
    for (const Row& row : rows) {
        if (row.type == S_IFBLK && !block)
            continue;  // no root: the other rows still hold
        SCOPED_TRACE(row.name);
        const std::string path = temp.Path() + "/" + row.name;
        EXPECT_EQ(WriteOutput(path, kNew).error, row.error);
        EXPECT_EQ(TypeOf(path), row.type);
    }
    close(listener);
}

TEST(WriteOutput, ARegularFileIsReplacedAndALinkStays)
{
    const TempFolder temp;
    const std::string file = temp.Path() + "/file";
    WriteFile(file, kOld);
    std::filesystem::create_symlink("file", temp.Path() + "/link");
    EXPECT_TRUE(WriteOutput(temp.Path() + "/link", kNew));
    EXPECT_EQ(ReadFile(file), kNew);
    EXPECT_EQ(TypeOf(temp.Path() + "/link"), mode_t(S_IFLNK));
}

} // namespace
