// The program's outputs as a careless or hostile user meets them: pictures
// written to FIFOs, devices, folders, standard output and a full disk;
// standard output that cannot be written; absurd scales; entries planted in
// the cache folder; and the face cache rewritten and truncated while
// `vorn fonts` runs. The faces are the shared test fonts (FONTCONFIG_FILE).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <random>
#include <thread>

#include "FaceCache.h"
#include "FullDisk.h"
#include "RunVorn.h"
#include "CannotRun.h"
#include "TempFolder.h"

extern char** environ;

namespace {

const std::string kPngStart = "\x89PNG\r\n\x1A\n";

VornRun Render(const std::string& output, const std::string& scale = "2")
{
    return RunVorn({"render", "--keys", "A,B,C", "--crop", "--scale", scale, "-o", output});
}

mode_t TypeOf(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

// Runs the program with its standard output on a pipe whose reader is gone
// and SIGPIPE ignored, so that every write to it fails with EPIPE; answers the
// exit status (-1 when a signal ended it) and what it said on stderr.
std::pair<int, std::string> RunWithClosedOutput(const std::vector<std::string>& args, const std::string& errFile)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {-1, "no pipe"};
    close(pipeEnds[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv{const_cast<char*>(VORN_BINARY)};
    for (const std::string& word : args)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    // An ignored signal stays ignored across exec.
    const auto previous = signal(SIGPIPE, SIG_IGN);
    pid_t child = -1;
    const int spawned = posix_spawn(&child, VORN_BINARY, &actions, nullptr, argv.data(), environ);
    signal(SIGPIPE, previous);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    int status = 0;
    if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return {-1, ReadFile(errFile).value_or("")};
    return {WEXITSTATUS(status), ReadFile(errFile).value_or("")};
}

TEST(CommandOutput, AWriteErrorOnStandardOutputIsSaidAndExitsWithOne)
{
    const TempFolder temp;
    const std::vector<std::vector<std::string>> commands = {
        {"fonts"},
        {"fonts", "--all"},
        {"fonts", "--coverage", "Vorn Test Sans"},
        {"fonts", "--help"},
        {"--help"},
        {"--version"},
        {"render", "--help"},
        {"layout", "--help"},
        {"render", "--keys", "A,B,C", "-o", "-"},
        {"layout", "-o", "-"},
    };
    for (const std::vector<std::string>& args : commands) {
        std::string line;
        for (const std::string& word : args)
            line += word + " ";
        SCOPED_TRACE(line);
        const auto [status, err] = RunWithClosedOutput(args, temp.Path() + "/err");
        EXPECT_EQ(status, 1);
        EXPECT_NE(err.find("cannot write to standard output: Broken pipe\n"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

TEST(PictureOutput, AFifoADeviceAndStandardOutputAreWrittenToAndStay)
{
    const TempFolder temp;
    const std::string fifo = temp.Path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::future<std::optional<std::string>> reader = std::async(std::launch::async, [&] { return ReadFile(fifo); });
    const VornRun toFifo = Render(fifo);
    EXPECT_EQ(toFifo.status, 0) << toFifo.err;
    EXPECT_TRUE(reader.get().value_or("").starts_with(kPngStart));
    EXPECT_EQ(TypeOf(fifo), mode_t(S_IFIFO));

    const VornRun toOut = Render("-");
    EXPECT_EQ(toOut.status, 0) << toOut.err;
    EXPECT_TRUE(toOut.out.starts_with(kPngStart));
    EXPECT_FALSE(std::filesystem::exists("-"));

    // The null device's numbers, under a name of the test's own.
    const std::string null = temp.Path() + "/null";
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        SKIP_OR_FAIL() << "cannot make a device node (needs root): " << std::strerror(errno);
    EXPECT_EQ(Render(null).status, 0);
    EXPECT_EQ(TypeOf(null), mode_t(S_IFCHR));
}

TEST(PictureOutput, AFailedWriteSaysWhyAndLeavesTheOldPicture)
{
    const TempFolder temp;
    std::filesystem::create_directory(temp.Path() + "/folder");
    const VornRun toFolder = Render(temp.Path() + "/folder");
    EXPECT_EQ(toFolder.status, 1);
    EXPECT_EQ(toFolder.err, "vorn render: cannot write \"" + temp.Path() + "/folder\": Is a directory\n");

    FullDisk disk(temp.Path() + "/disk");
    if (!disk.mounted())
        SKIP_OR_FAIL() << "no full disk to test on: " << disk.reason();
    const std::string keep = disk.folder() + "/keep.png";
    WriteFile(keep, "the old picture");
    disk.Fill();
    for (const std::string& name : {keep, disk.folder() + "/new.png"}) {
        SCOPED_TRACE(name);
        const VornRun run = Render(name);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "vorn render: cannot write \"" + name + "\": No space left on device\n");
    }
    EXPECT_EQ(ReadFile(keep), "the old picture");
    EXPECT_EQ(FolderEntries(disk.folder()), (std::vector<std::string>{"filler", "keep.png"}));
}

TEST(PictureOutput, AnAbsurdScaleIsRefusedWithSaneNumbers)
{
    const TempFolder temp;
    struct Row {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string side = "larger than 32767 pixels a side";
    const Row rows[] = {
        {{"render", "--keys", "A,B,C", "--crop", "--scale", "1e308", "-o", "x.png"},
         "vorn render: At scale 1e+308 the picture would be " + side + ".\n"},
        {{"render", "--keys", "A,B,C", "--crop", "--scale", "1e9", "-o", "x.png"},
         "vorn render: At scale 1e+09 the picture would be " + side + ".\n"},
        {{"render", "--keys", "A,B,C", "--crop", "--scale", "1000", "-o", "x.png"},
         "vorn render: At scale 1000 the picture would be " + side + ".\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[5]);
        const VornRun run = RunVorn(row.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, row.message);
        EXPECT_FALSE(std::filesystem::exists("x.png"));
    }
}

// `vorn fonts` with a cache folder of the test's own.
class CacheFolder : public ::testing::Test {
protected:
    TempFolder temp;
    std::string folder = temp.Path() + "/cache/vorn";
    std::string cache = folder + "/" + FaceCache::FileName;
    std::string expected = RunVorn({"fonts", "--no-cache"}).out;

    VornRun Fonts() { return RunVorn({"fonts"}, {"XDG_CACHE_HOME=" + temp.Path() + "/cache"}); }

    void ExpectCacheSaved()
    {
        const std::optional<std::string> bytes = ReadFile(cache);
        EXPECT_EQ(TypeOf(cache), mode_t(S_IFREG));
        EXPECT_TRUE(bytes && DecodeFaceCache(*bytes)) << "no good cache saved";
    }
};

TEST_F(CacheFolder, APlantedEntryNeitherHangsNorIsWrittenThroughNorStopsSaving)
{
    ASSERT_NE(expected, "");
    const std::string victim = temp.Path() + "/victim";
    struct Row {
        const char* name;
        const char* entry;
        std::function<int(const std::string&)> plant;
    };
    const Row rows[] = {
        {"cache_as_fifo", FaceCache::FileName, [](const std::string& path) { return mkfifo(path.c_str(), 0600); }},
        {"temporary_as_fifo", "fonts.cache.tmp",
         [](const std::string& path) { return mkfifo(path.c_str(), 0600); }},
        {"temporary_as_hard_link", "fonts.cache.tmp",
         [&](const std::string& path) { return link(victim.c_str(), path.c_str()); }},
        {"temporary_as_symlink", "fonts.cache.tmp",
         [&](const std::string& path) { return symlink(victim.c_str(), path.c_str()); }},
        {"temporary_as_folder", "fonts.cache.tmp", [](const std::string& path) { return mkdir(path.c_str(), 0700); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        WriteFile(victim, "not the cache");
        ASSERT_EQ(row.plant(folder + "/" + row.entry), 0);
        for (int run = 0; run < 2; ++run) {
            const VornRun fonts = Fonts();
            EXPECT_EQ(fonts.status, 0);
            EXPECT_EQ(fonts.out, expected);
            ExpectCacheSaved();
        }
        EXPECT_EQ(ReadFile(victim), "not the cache");
    }
}

TEST_F(CacheFolder, ACacheRewrittenAndTruncatedWhileReadNeverKillsOrMisleads)
{
    ASSERT_NE(expected, "");
    ASSERT_EQ(Fonts().status, 0);
    const std::string good = ReadFile(cache).value_or("");
    ASSERT_FALSE(good.empty());
    std::string damaged = good;
    damaged[damaged.size() / 2] ^= 0x55;
    std::string noise(good.size(), '\0');
    std::mt19937 random(18);
    for (char& byte : noise)
        byte = char(random());

    // Written into the file in place, as cp or dd conv=notrunc do, or cut
    // short; whatever file is under the name at the moment.
    std::atomic<bool> stop = false;
    std::thread rewriter([&] {
        const std::string* contents[] = {&damaged, &good, &noise, &good};
        for (unsigned step = 0; !stop; ++step) {
            if (step % 3 == 2) {
                // The name may have no file under it at this moment.
                [[maybe_unused]] const int cut = truncate(cache.c_str(), off_t(good.size() / (step % 2 + 2)));
                continue;
            }
            const int fd = open(cache.c_str(), O_WRONLY);
            if (fd < 0)
                continue;
            const std::string& bytes = *contents[step % 4];
            [[maybe_unused]] const ssize_t wrote = pwrite(fd, bytes.data(), bytes.size(), 0);
            close(fd);
        }
    });
    constexpr int kRuns = 60;
    int wrong = 0;
    for (int run = 0; run < kRuns; ++run) {
        const VornRun fonts = Fonts();
        // -1: ended by a signal, or still running after two minutes.
        EXPECT_EQ(fonts.status, 0) << "run " << run << ": " << fonts.err;
        wrong += fonts.out != expected;
    }
    stop = true;
    rewriter.join();
    EXPECT_EQ(wrong, 0) << "runs with a wrong list";
}

} // namespace
