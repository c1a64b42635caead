#include "KeptTexts.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <random>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SafeFile.h"

namespace {

constexpr std::string_view Header = "VORN KEPT TEXT 1 cursor=";
constexpr std::string_view TextSuffix = ".text";
constexpr std::string_view TakenSuffix = ".taken";
constexpr std::string_view LockSuffix = ".lock";
// More than any text typed or opened (16 MiB of UTF-8) and typed on.
constexpr std::size_t MaxKeptBytes = std::size_t{256} << 20;

// The id an entry belongs to, "<pid>-<16 hex digits>", or nothing for a name
// that is not the store's: those are never touched. A save's temporary file,
// ".<id>.text.<pid>.XXXXXX", is its window's too, so that one left by a kill
// goes with that window's other entries.
std::optional<std::string> IdOf(std::string_view name)
{
    if (name.starts_with('.'))
        name.remove_prefix(1);
    const std::string_view id = name.substr(0, name.find('.'));
    const std::size_t dash = id.find('-');
    if (dash == 0 || dash == std::string_view::npos || id.size() - dash - 1 != 16)
        return std::nullopt;
    if (id.substr(0, dash).find_first_not_of("0123456789") != std::string_view::npos
        || id.substr(dash + 1).find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return std::nullopt;
    return std::string(id);
}

struct LeftText {
    std::string name;
    timespec modified;
};

}  // namespace

std::string EncodeKeptText(std::u16string_view units, int32_t cursor)
{
    std::string bytes(Header);
    bytes += std::to_string(cursor);
    bytes += '\n';
    bytes.reserve(bytes.size() + units.size() * 2);
    for (const char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::optional<KeptTexts::Text> DecodeKeptText(std::string_view bytes)
{
    if (!bytes.starts_with(Header))
        return std::nullopt;
    const std::size_t lineEnd = bytes.find('\n');
    if (lineEnd == std::string_view::npos)
        return std::nullopt;
    KeptTexts::Text text;
    const char* first = bytes.data() + Header.size();
    const char* last = bytes.data() + lineEnd;
    const auto [end, error] = std::from_chars(first, last, text.cursor);
    const std::string_view units = bytes.substr(lineEnd + 1);
    if (error != std::errc() || end != last || units.size() % 2 != 0)
        return std::nullopt;
    text.units.reserve(units.size() / 2);
    for (std::size_t i = 0; i < units.size(); i += 2) {
        const auto unit =
            static_cast<char16_t>(static_cast<unsigned char>(units[i]) | static_cast<unsigned char>(units[i + 1]) << 8);
        // A unit 0 would end the text early.
        if (unit == 0)
            return std::nullopt;
        text.units += unit;
    }
    text.cursor = std::clamp<int32_t>(text.cursor, 0, static_cast<int32_t>(text.units.size()));
    return text;
}

std::string KeptTexts::DefaultFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/vorn";
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : "/";
    }
    return std::string(home) + "/.local/state/vorn";
}

namespace {

// The window of id is running while the lock of its lock file is held.
bool OwnerRunning(const std::string& folder, const std::string& id)
{
    const int fd =
        open((folder + "/" + id + std::string(LockSuffix)).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

// Texts and entries of windows no longer running; texts newest first.
void ListLeft(const std::string& folder, const std::string& ownId, std::vector<LeftText>& texts,
              std::vector<std::string>* others)
{
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        const auto id = IdOf(name);
        if (!id || *id == ownId || OwnerRunning(folder, *id))
            continue;
        struct stat info { };
        // A hidden entry is a half-written file, never a text to offer.
        const bool isText = !name.starts_with('.') && (name.ends_with(TextSuffix) || name.ends_with(TakenSuffix))
            && lstat((folder + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
        if (isText)
            texts.push_back({name, info.st_mtim});
        else if (others)
            others->push_back(name);
    }
    closedir(listing);
    std::sort(texts.begin(), texts.end(), [](const LeftText& a, const LeftText& b) {
        if (a.modified.tv_sec != b.modified.tv_sec)
            return a.modified.tv_sec > b.modified.tv_sec;
        if (a.modified.tv_nsec != b.modified.tv_nsec)
            return a.modified.tv_nsec > b.modified.tv_nsec;
        return a.name < b.name;
    });
}

}  // namespace

KeptTexts::KeptTexts(std::string folderName) : folder(std::move(folderName))
{
    if (!MakeFolders(folder)) {
        fault = std::strerror(errno);
        return;
    }
    std::random_device random;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%08x%08x", random(), random());
    id = std::to_string(getpid()) + "-" + hex;
    // The lock file is locked before it takes its name, so that no one ever
    // sees it free while this window runs.
    std::string fresh = Path(".lock-XXXXXX");
    lockFd = mkostemp(fresh.data(), O_CLOEXEC);
    if (lockFd < 0 || flock(lockFd, LOCK_EX | LOCK_NB) != 0
        || rename(fresh.c_str(), Path(id + std::string(LockSuffix)).c_str()) != 0) {
        fault = std::strerror(errno);
        if (lockFd >= 0) {
            unlink(fresh.c_str());
            close(lockFd);
            lockFd = -1;
        }
        return;
    }
    RemoveOldLeftTexts();
}

KeptTexts::~KeptTexts()
{
    if (lockFd < 0)
        return;
    unlink(Path(id + std::string(LockSuffix)).c_str());
    close(lockFd);
}

void KeptTexts::RemoveOldLeftTexts()
{
    std::vector<LeftText> texts;
    std::vector<std::string> others;
    ListLeft(folder, id, texts, &others);
    for (std::size_t i = MaxLeftTexts; i < texts.size(); ++i)
        unlink(Path(texts[i].name).c_str());
    // The locks and half-written files of ended windows.
    for (const std::string& name : others)
        unlink(Path(name).c_str());
}

std::optional<std::string> KeptTexts::Keep(std::u16string_view units, int32_t cursor)
{
    if (!fault.empty())
        return fault;
    const std::string name = Path(id + std::string(TextSuffix));
    if (units.empty()) {
        if (unlink(name.c_str()) != 0 && errno != ENOENT)
            return std::string(std::strerror(errno));
        return std::nullopt;
    }
    const FileResult kept = ReplaceFile(name, EncodeKeptText(units, cursor), PrivateFileOptions());
    return kept ? std::nullopt : std::optional<std::string>(kept.error);
}

bool KeptTexts::HasLeftText() const
{
    if (!fault.empty())
        return false;
    std::vector<LeftText> texts;
    ListLeft(folder, id, texts, nullptr);
    return !texts.empty();
}

std::optional<KeptTexts::Text> KeptTexts::TakeLeftText()
{
    if (!fault.empty())
        return std::nullopt;
    std::vector<LeftText> texts;
    ListLeft(folder, id, texts, nullptr);
    for (const LeftText& left : texts) {
        // The rename makes it this window's: another window taking texts at
        // the same moment finds it gone and takes the next one.
        const std::string taken = Path(id + "." + std::to_string(++takenCount) + std::string(TakenSuffix));
        if (rename(Path(left.name).c_str(), taken.c_str()) != 0)
            continue;
        const ReadResult read = ReadWholeFile(taken, MaxKeptBytes);
        // What could not be read may be another window's whole text: it stays
        // under the taken name, offered again once this window ends.
        if (read.status == ReadStatus::Failed || read.status == ReadStatus::TooLarge)
            continue;
        std::optional<Text> text = DecodeKeptText(read.bytes);
        if (!text || text->units.empty()) {
            unlink(taken.c_str());
            continue;
        }
        // The file already holds the text as it is kept: renamed, it is this
        // window's text without being written again. Should that fail it is
        // written anew, and until then it stays under the taken name, which is
        // offered again should this window end first.
        if (rename(taken.c_str(), Path(id + std::string(TextSuffix)).c_str()) != 0 && !Keep(text->units, text->cursor))
            unlink(taken.c_str());
        return text;
    }
    return std::nullopt;
}
