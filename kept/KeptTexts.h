#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The texts of the windows, kept on disk so that a close, a logout, a kill or
// a crash loses nothing that a later start cannot bring back.
//
// Each running window keeps its text in a file of its own, "<id>.text", where
// id is its process id and a random number; it holds the lock of "<id>.lock"
// while it runs, and the system drops that lock however the process ends. A
// text whose lock is free belongs to no running window: it is the kind that
// Restore offers, newest first. Windows thus never write each other's file,
// and of the texts left by ended windows only the newest MaxLeftTexts stay.
class KeptTexts {
public:
    static constexpr int MaxLeftTexts = 5;

    struct Text {
        std::u16string units;
        int32_t cursor = 0;
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

    // Whether an ended window left a text.
    bool HasLeftText() const;
    // Takes the newest text an ended window left: it becomes this window's
    // own (kept at once) and is no longer offered to others. Nothing when no
    // such text is left, or none can be read.
    std::optional<Text> TakeLeftText();

    const std::string& Folder() const { return folder; }
    // Why the folder cannot be used; empty when it can.
    const std::string& Fault() const { return fault; }

private:
    std::string Path(const std::string& name) const { return folder + "/" + name; }
    void RemoveOldLeftTexts();

    std::string folder;
    std::string id;
    int lockFd = -1;
    int takenCount = 0;
    std::string fault;
};

// The file form of a kept text: a header line with the cursor, then the units
// as UTF-16LE, every unit as it is (unpaired surrogates and all).
std::string EncodeKeptText(std::u16string_view units, int32_t cursor);
// Nothing when the bytes are not such a file.
std::optional<KeptTexts::Text> DecodeKeptText(std::string_view bytes);
