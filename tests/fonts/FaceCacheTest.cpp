// The face cache: its file against damage, saves that run at once, folders it
// cannot use, and `vorn fonts` with and without it over a font folder of the
// test's own (FONTCONFIG_FILE and XDG_CACHE_HOME point into a fresh folder).
#include "FaceCache.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <zlib.h>

#include "BigEndianBuilder.h"
#include "RunVorn.h"
#include "TempFolder.h"

namespace {

namespace fs = std::filesystem;

// Faces of varied content under made-up paths, as if stamped from files.
CachedFaces SampleFaces(const std::string& prefix, int count)
{
    CachedFaces faces;
    for (int i = 0; i < count; ++i) {
        CachedFace face;
        face.stamp = FileStamp{uint64_t(1000 + i), uint64_t(i) << 40, uint64_t(i) << 41, uint64_t(i) * 7};
        face.summary.entered = i % 3 != 0;
        if (face.summary.entered) {
            face.summary.scriptCoverage = ~uint64_t(0) >> (i % 64);
            face.summary.coveredCount = 64 + uint32_t(i);
            face.summary.hasOS2 = i % 2 == 0;
            if (face.summary.hasOS2)
                face.summary.os2.assign(size_t(i % 97), uint8_t(i));
        }
        faces[FaceKey{prefix + std::to_string(i) + ".ttf", i % 3}] = face;
    }
    return faces;
}

std::string CachePath(const std::string& folder)
{
    return folder + "/" + FaceCache::FileName;
}

CachedFaces Saved(const std::string& folder)
{
    const auto bytes = ReadFile(CachePath(folder));
    const auto faces = bytes ? DecodeFaceCache(*bytes) : std::nullopt;
    EXPECT_TRUE(faces) << "no readable cache in " << folder;
    return faces.value_or(CachedFaces());
}

void Store(const std::string& folder, const CachedFaces& faces)
{
    fs::create_directories(folder);
    WriteFile(CachePath(folder), EncodeFaceCache(faces));
}

TEST(FaceCacheFile, AnyDamageRefusesTheWholeFile)
{
    const CachedFaces faces = SampleFaces("/fonts/face", 40);
    const std::string good = EncodeFaceCache(faces);
    ASSERT_EQ(DecodeFaceCache(good), faces);

    for (size_t size = 0; size < good.size(); ++size)
        ASSERT_FALSE(DecodeFaceCache(good.substr(0, size))) << "cut to " << size;

    std::mt19937 random(12);
    std::string noise(4096, '\0');
    for (char& byte : noise)
        byte = char(random());
    const auto withByte = [&good](size_t at, uint8_t value) {
        std::string bytes = good;
        bytes[at] = char(value);
        return bytes;
    };
    const auto encodedWith = [](auto change) {
        CachedFaces bad = SampleFaces("/fonts/face", 2);
        change(bad.begin()->second.summary);
        return EncodeFaceCache(bad);
    };
    // A file of whole faces, in the order given, with a header that fits it.
    const auto inOrder = [](std::vector<const char*> files) {
        std::string payload;
        for (const char* file : files)
            payload += EncodeFaceCache({{FaceKey{file, 0}, CachedFace{}}}).substr(24);
        BigEndianBuilder header;
        header.u32(1).u32(uint32_t(files.size())).u32(uint32_t(payload.size()));
        header.u32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(payload.data()), uInt(payload.size()))));
        return "VornFace" + std::string(header.bytes.begin(), header.bytes.end()) + payload;
    };
    ASSERT_TRUE(DecodeFaceCache(inOrder({"/fonts/a.ttf", "/fonts/b.ttf"})));
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"faces_out_of_key_order", inOrder({"/fonts/b.ttf", "/fonts/a.ttf"})},
        {"face_twice", inOrder({"/fonts/a.ttf", "/fonts/a.ttf"})},
        {"random_bytes", noise},
        {"other_magic", withByte(0, 'v')},
        {"other_version", withByte(11, 2)},
        {"count_one_more", withByte(15, uint8_t(good[15] + 1))},  // not covered by the checksum
        {"payload_byte_flipped", withByte(100, uint8_t(good[100] ^ 0x10))},
        {"trailing_byte", good + '\0'},
        {"count_above_all_code_points", encodedWith([](FaceSummary& s) { s.coveredCount = 65537; })},
        {"more_script_bits_than_covered", encodedWith([](FaceSummary& s) { s.coveredCount = 1; })},
        {"os2_bytes_behind_no_os2", encodedWith([](FaceSummary& s) { s.hasOS2 = false; s.os2 = {1}; })},
        {"not_entered_but_covering", encodedWith([](FaceSummary& s) { s.entered = false; })},
    };
    for (const Row& row : rows)
        EXPECT_FALSE(DecodeFaceCache(row.bytes)) << row.name;
}

TEST(FaceCacheFile, UninstalledFacesAreDroppedAndAnUnchangedCacheIsNotRewritten)
{
    const TempFolder temp;
    const std::string folder = temp.Path() + "/made/vorn";  // made on the first save
    const CachedFaces faces = SampleFaces("/fonts/face", 3);
    {
        FaceCache cache(folder);
        for (const auto& [key, face] : faces)
            cache.Put(key, face.stamp, face.summary);
        ASSERT_TRUE(cache.Save());
    }
    ASSERT_EQ(Saved(folder), faces);

    const auto gone = faces.begin();
    {
        FaceCache cache(folder);
        for (const auto& [key, face] : faces) {
            FileStamp touched = face.stamp;
            ++touched.modifiedNs;
            EXPECT_FALSE(cache.Find(key, touched));  // a changed file is read again
            if (key != gone->first) {
                EXPECT_EQ(*cache.Find(key, face.stamp), face.summary);
            }
        }
        EXPECT_TRUE(cache.Save());
    }
    CachedFaces kept = faces;
    kept.erase(gone->first);
    EXPECT_EQ(Saved(folder), kept);

    const ino_t before = InodeOf(CachePath(folder));
    FaceCache cache(folder);
    for (const auto& [key, face] : kept)
        ASSERT_TRUE(cache.Find(key, face.stamp));
    EXPECT_FALSE(cache.Save());
    EXPECT_EQ(InodeOf(CachePath(folder)), before);
}

TEST(FaceCacheFile, TwoProcessesSavingAtOnceLoseNothing)
{
    // Both read the cache before either saves: a save that simply wrote its
    // own view would lose the other's faces.
    const TempFolder temp;
    const std::string folder = temp.Path() + "/vorn";
    const CachedFaces shared = SampleFaces("/fonts/shared", 2);
    Store(folder, shared);
    const FaceKey uninstalled = shared.begin()->first;

    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (const char* prefix : {"/fonts/first", "/fonts/second"}) {
        const pid_t pid = fork();
        if (pid == 0) {
            FaceCache cache(folder);
            for (const auto& [key, face] : shared)
                if (key != uninstalled)
                    cache.Find(key, face.stamp);
            for (const auto& [key, face] : SampleFaces(prefix, 50))
                cache.Put(key, face.stamp, face.summary);
            char byte = 'r';
            const bool signalled = write(ready[1], &byte, 1) == 1 && read(go[0], &byte, 1) == 1;
            _exit(signalled && cache.Save() ? 0 : 1);
        }
        children.push_back(pid);
    }
    char byte = 0;
    for (size_t i = 0; i < children.size(); ++i)
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(write(go[1], "gg", 2), 2);
    for (pid_t child : children) {
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int fd : {ready[0], ready[1], go[0], go[1]})
        close(fd);

    CachedFaces expected = SampleFaces("/fonts/first", 50);
    expected.merge(SampleFaces("/fonts/second", 50));
    for (const auto& [key, face] : shared)
        if (key != uninstalled)
            expected.emplace(key, face);
    EXPECT_EQ(Saved(folder), expected);
}

TEST(FaceCacheFile, AFolderThatCannotBeWrittenIsNoFault)
{
    const TempFolder temp;
    const CachedFaces old = SampleFaces("/fonts/old", 3);
    struct Row {
        const char* name;
        std::string folder;
        const char* blocker;  // made a folder where the cache wants a file
        bool diskFull;        // every write fails with ENOSPC
    };
    WriteFile(temp.Path() + "/file", "");
    const Row rows[] = {
        {"folder_under_a_file", temp.Path() + "/file/vorn", nullptr, false},
        {"lock_cannot_be_opened", temp.Path() + "/lock/vorn", "fonts.lock", false},
        {"temporary_cannot_be_written", temp.Path() + "/temporary/vorn", nullptr, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.blocker || row.diskFull)
            Store(row.folder, old);
        if (row.blocker)
            fs::create_directory(row.folder + "/" + row.blocker);
        FaceCache cache(row.folder);
        for (const auto& [key, face] : SampleFaces("/fonts/new", 3))
            cache.Put(key, face.stamp, face.summary);
        SetWriteLimitForTesting(row.diskFull ? std::optional<size_t>(0) : std::nullopt);
        EXPECT_FALSE(cache.Save());
        SetWriteLimitForTesting(std::nullopt);
        if (row.blocker || row.diskFull) {
            EXPECT_EQ(Saved(row.folder), old);
            // and no temporary file left behind
            EXPECT_EQ(FolderEntries(row.folder), (std::vector<std::string>{"fonts.cache", "fonts.lock"}));
        }
    }
}

// `vorn fonts` over a font folder of the test's own: the shared test faces and
// one face that the tests change.
class FontsCommandCache : public ::testing::Test {
protected:
    TempFolder temp;
    std::string fonts = temp.Path() + "/fonts";
    std::string cacheHome = temp.Path() + "/cache";
    std::string cacheFolder = cacheHome + "/vorn";

    void SetUp() override
    {
        fs::create_directories(fonts);
        for (const auto& entry : fs::directory_iterator(VORN_TEST_FONTS_DIR))
            if (entry.path().extension() == ".ttf")
                fs::copy_file(entry.path(), fonts + "/" + entry.path().filename().string());
        fs::copy_file(VORN_CACHE_FONTS_DIR "/Cached.ttf", fonts + "/Cached.ttf");
        WriteFile(temp.Path() + "/fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" + fonts
                      + "</dir>\n  <cachedir>" + temp.Path() + "/fccache</cachedir>\n</fontconfig>\n");
    }

    VornRun Fonts(std::vector<std::string> args, const std::string& cache = "")
    {
        args.insert(args.begin(), "fonts");
        return RunVorn(args, {"FONTCONFIG_FILE=" + temp.Path() + "/fonts.conf",
                              "XDG_CACHE_HOME=" + (cache.empty() ? cacheHome : cache)});
    }

    // The three outputs read through the cache equal those read without it.
    void ExpectSameWithAndWithoutCache()
    {
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {}, {"--all"}, {"--coverage", "Vorn Test Sans"}, {"--coverage", "Vorn Cached"}}) {
            std::vector<std::string> uncachedArgs = args;
            uncachedArgs.push_back("--no-cache");
            const VornRun cached = Fonts(args);
            const VornRun uncached = Fonts(uncachedArgs);
            EXPECT_EQ(cached.status, 0);
            EXPECT_EQ(cached.err, "");
            EXPECT_EQ(cached.out, uncached.out) << (args.empty() ? "list" : args[0]);
        }
    }

    bool Listed(const std::string& name) { return Fonts({}).out.find(name + "\n") != std::string::npos; }
};

TEST_F(FontsCommandCache, ColdWarmAndUncachedRunsAgree)
{
    ASSERT_EQ(Fonts({"--no-cache"}).status, 0);
    EXPECT_FALSE(fs::exists(cacheFolder));  // --no-cache writes nothing
    ExpectSameWithAndWithoutCache();        // the first run fills the cache
    ExpectSameWithAndWithoutCache();

    // The warm run takes the cache's word for an unchanged file: a doctored
    // entry shows.
    CachedFaces faces = Saved(cacheFolder);
    ASSERT_TRUE(Listed("Vorn Cached"));
    faces.at(FaceKey{fonts + "/Cached.ttf", 0}).summary.scriptCoverage = 0;
    Store(cacheFolder, faces);
    EXPECT_FALSE(Listed("Vorn Cached"));
}

TEST_F(FontsCommandCache, AChangedFileIsReadAgain)
{
    ExpectSameWithAndWithoutCache();
    const std::string path = fonts + "/Cached.ttf";
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    // Written over in place: the same file, with a larger size and a later
    // modification time, whatever the font database makes of it.
    WriteFile(path, *ReadFile(VORN_CACHE_FONTS_DIR "/CachedChanged.ttf"));
    const timespec times[2] = {before.st_atim, {before.st_mtim.tv_sec + 10, before.st_mtim.tv_nsec}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_FALSE(Listed("Vorn Cached"));
    ExpectSameWithAndWithoutCache();
}

TEST_F(FontsCommandCache, ARemovedFileIsDropped)
{
    ExpectSameWithAndWithoutCache();
    ASSERT_TRUE(Saved(cacheFolder).count(FaceKey{fonts + "/Zeta.ttf", 0}));
    fs::remove(fonts + "/Zeta.ttf");
    EXPECT_FALSE(Listed("Zeta"));
    EXPECT_FALSE(Saved(cacheFolder).count(FaceKey{fonts + "/Zeta.ttf", 0}));
    ExpectSameWithAndWithoutCache();
}

TEST_F(FontsCommandCache, ADamagedOrUnusableCacheChangesNothing)
{
    fs::create_directories(cacheFolder);
    WriteFile(CachePath(cacheFolder), std::string(5000, '\x5A'));
    ExpectSameWithAndWithoutCache();
    EXPECT_TRUE(Saved(cacheFolder).count(FaceKey{fonts + "/Zeta.ttf", 0}));  // rebuilt

    // XDG_CACHE_HOME naming a file: no cache folder can be made.
    WriteFile(temp.Path() + "/plain", "");
    const VornRun run = Fonts({}, temp.Path() + "/plain");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, Fonts({"--no-cache"}).out);
}

}  // namespace
