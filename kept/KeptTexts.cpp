#include "KeptTexts.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

#include <pwd.h>
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
// that is not the store's: those are never touched.
std::optional<std::string> IdOf(std::string_view name)
{
    const std::string_view id = name.substr(0, name.find('.'));
    const std::size_t dash = id.find('-');
    if (dash == 0 || dash == std::string_view::npos || id.size() - dash - 1 != 16)
        return std::nullopt;
    if (id.substr(0, dash).find_first_not_of("0123456789") != std::string_view::npos
        || id.substr(dash + 1).find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return std::nullopt;
    return std::string(id);
}

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

// Texts of windows no longer running, newest first, and, when others is
// given, their other entries: ended windows' locks. Hidden entries, the saves'
// temporary files, are the file layer's.
std::vector<KeptTexts::LeftText> ListLeft(const std::string& folder, const std::string& ownId,
                                          std::vector<std::string>* others)
{
    std::vector<KeptTexts::LeftText> texts;
    for (const FolderEntry& entry : ListFolder(folder)) {
        const std::string& name = entry.name;
        const auto id = IdOf(name);
        if (!id || *id == ownId || LockHeld(folder + "/" + *id + std::string(LockSuffix)))
            continue;
        if (entry.regular && (name.ends_with(TextSuffix) || name.ends_with(TakenSuffix)))
            texts.push_back({name, entry.modified});
        else if (others)
            others->push_back(name);
    }
    std::sort(texts.begin(), texts.end(), [](const KeptTexts::LeftText& a, const KeptTexts::LeftText& b) {
        if (a.modified.tv_sec != b.modified.tv_sec)
            return a.modified.tv_sec > b.modified.tv_sec;
        if (a.modified.tv_nsec != b.modified.tv_nsec)
            return a.modified.tv_nsec > b.modified.tv_nsec;
        return a.name < b.name;
    });
    return texts;
}

enum class Verdict { Text, NotAText, Unreadable, Gone };

// Reads a kept file: a text only when it decodes to units.
Verdict Examine(const std::string& path, std::optional<KeptTexts::Text>* text = nullptr)
{
    const ReadResult read = ReadWholeFile(path, MaxKeptBytes);
    switch (read.status) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::Missing:
        return Verdict::Gone;
    case ReadStatus::NotRegular:
        return Verdict::NotAText;
    case ReadStatus::TooLarge:
    case ReadStatus::Failed:
        return Verdict::Unreadable;
    }
    std::optional<KeptTexts::Text> decoded = DecodeKeptText(read.bytes);
    if (!decoded || decoded->units.empty())
        return Verdict::NotAText;
    if (text)
        *text = std::move(decoded);
    return Verdict::Text;
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
    lock = std::make_unique<OwnerLock>(folder, id + std::string(LockSuffix));
    if (!lock->held()) {
        fault = std::strerror(lock->error());
        return;
    }
    RemoveOldLeftTexts();
}

KeptTexts::~KeptTexts() = default;

void KeptTexts::RemoveOldLeftTexts()
{
    RemoveAbandonedTemporaries(folder);
    std::vector<std::string> others;
    int texts = 0;
    for (const LeftText& left : ListLeft(folder, id, &others)) {
        const Verdict verdict = Examine(Path(left.name));
        if ((verdict == Verdict::Text && ++texts > MaxLeftTexts) || verdict == Verdict::NotAText)
            unlink(Path(left.name).c_str());
    }
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

std::vector<KeptTexts::LeftText> KeptTexts::LeftTexts() const
{
    std::vector<LeftText> texts;
    if (!fault.empty())
        return texts;
    for (LeftText& left : ListLeft(folder, id, nullptr))
        if (Examine(Path(left.name)) == Verdict::Text)
            texts.push_back(std::move(left));
    return texts;
}

KeptTexts::Taking KeptTexts::Take(const LeftText& left)
{
    if (!fault.empty())
        return {std::nullopt, TakeFault::Gone};
    // The claim makes it this window's: another window taking texts at the
    // same moment finds it gone and takes the next one.
    const std::string taken = Path(id + "." + std::to_string(++takenCount) + std::string(TakenSuffix));
    if (const int error = ClaimFile(Path(left.name), taken))
        return {std::nullopt, error == ENOENT ? TakeFault::Gone : TakeFault::Unreadable};
    std::optional<Text> text;
    switch (Examine(taken, &text)) {
    case Verdict::Text:
        break;
    case Verdict::Gone:
        return {std::nullopt, TakeFault::Gone};
    case Verdict::Unreadable:
        // It may be another window's whole text: it stays under the taken
        // name, offered again once this window ends.
        return {std::nullopt, TakeFault::Unreadable};
    case Verdict::NotAText:
        unlink(taken.c_str());
        return {std::nullopt, TakeFault::NotAText};
    }
    // The file already holds the text as it is kept: renamed, it is this
    // window's text without being written again. Should that fail it is
    // written anew, and until then it stays under the taken name, which is
    // offered again should this window end first.
    if (rename(taken.c_str(), Path(id + std::string(TextSuffix)).c_str()) != 0 && !Keep(text->units, text->cursor))
        unlink(taken.c_str());
    return {std::move(text), TakeFault::None};
}

std::optional<KeptTexts::Text> KeptTexts::TakeLeftText()
{
    for (const LeftText& left : LeftTexts())
        if (Taking taking = Take(left); taking.text)
            return std::move(taking.text);
    return std::nullopt;
}

bool KeptTexts::OfferLeftTexts()
{
    offered = LeftTexts();
    return !offered.empty();
}

std::optional<KeptTexts::Text> KeptTexts::TakeOffered(const std::function<void(TakeFault)>& onFault)
{
    const std::vector<LeftText> texts = std::exchange(offered, {});
    for (const LeftText& left : texts) {
        Taking taking = Take(left);
        if (taking.text)
            return std::move(taking.text);
        onFault(taking.fault);
    }
    return std::nullopt;
}
