#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The texts of the windows, kept on disk so that a close, a logout, a kill or
// a crash loses nothing that a later start cannot bring back.
//
// Each running window keeps its text in a file of its own, "<id>.text", where
// id is its process id and a random number; it holds the lock of "<id>.lock"
// while it runs, and the system drops that lock however the process ends. A
// text whose lock is free belongs to no running window: it is the kind that
// Restore offers, newest first. Windows thus never write each other's file,
// and of the texts left by ended windows only the newest MaxLeftTexts stay.
//
// Only a file that is read and decodes is a text: it alone is offered and
// counts toward the texts that stay. One that is read and does not decode
// (cut short by a crash, damaged, copied in from elsewhere) is removed; one
// that cannot be read (another owner's, a read error) may be a whole text,
// so it stays, uncounted and not offered.
class OwnerLock;

class KeptTexts {
public:
    static constexpr int MaxLeftTexts = 5;

    struct Text {
        std::u16string units;
        int32_t cursor = 0;
    };

    // A text that an ended window left, as it was listed.
    struct LeftText {
        std::string name;
        timespec modified{};
    };

    // Why a listed text could not be taken after all.
    enum class TakeFault {
        None,
        Gone,        // no longer there: removed, or taken by another window
        Unreadable,  // it stays, offered again once this window ends
        NotAText,    // it no longer decodes, and is removed
    };
    struct Taking {
        std::optional<Text> text;
        TakeFault fault = TakeFault::None;
    };

    // $XDG_STATE_HOME/vorn when that is an absolute path, else
    // $HOME/.local/state/vorn.
    static std::string DefaultFolder();

    // Takes an id and its lock in folder, made as needed, and removes what
    // ended windows left beyond the newest few. A folder that cannot be used
    // makes every Keep fail with the reason.
    explicit KeptTexts(std::string folder);
    // Lets the lock go; the text stays for a later start.
    ~KeptTexts();
    KeptTexts(const KeptTexts&) = delete;
    KeptTexts& operator=(const KeptTexts&) = delete;

    // Writes the text as this window's, safely; an empty text removes the
    // window's file instead. Answers why it failed, or nothing.
    std::optional<std::string> Keep(std::u16string_view units, int32_t cursor);

    // The texts that ended windows left, newest first; each is read to know
    // that it decodes.
    std::vector<LeftText> LeftTexts() const;
    // Whether an ended window left a text.
    bool HasLeftText() const { return !LeftTexts().empty(); }
    // Takes a listed text: it becomes this window's own (kept at once) and is
    // no longer offered to others; or says why it could not be taken.
    Taking Take(const LeftText& text);
    // Takes the newest text that can be taken; nothing when none is left.
    std::optional<Text> TakeLeftText();

    // Restore's two halves: the texts listed as the menu offers them, and,
    // later, the newest of those that can still be taken, with onFault told
    // of each that no longer can (gone or unreadable since the listing).
    bool OfferLeftTexts();
    std::optional<Text> TakeOffered(const std::function<void(TakeFault)>& onFault);

    const std::string& Folder() const { return folder; }
    // Why the folder cannot be used; empty when it can.
    const std::string& Fault() const { return fault; }

private:
    std::string Path(const std::string& name) const { return folder + "/" + name; }
    void RemoveOldLeftTexts();

    std::string folder;
    std::string id;
    std::unique_ptr<OwnerLock> lock;
    int takenCount = 0;
    std::vector<LeftText> offered;
    std::string fault;
};

// The file form of a kept text: a header line with the cursor, then the units
// as UTF-16LE, every unit as it is (unpaired surrogates and all).
std::string EncodeKeptText(std::u16string_view units, int32_t cursor);
// Nothing when the bytes are not such a file.
std::optional<KeptTexts::Text> DecodeKeptText(std::string_view bytes);
