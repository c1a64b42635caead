#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// What identifies one state of a file: a file that is replaced, rewritten or
// touched gets another stamp. The change time is kept besides the
// modification time because a copy that restores the old modification time
// (cp -p, tar, rsync -t) cannot restore it.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t modifiedNs = 0;
    std::uint64_t changedNs = 0;
    std::uint64_t inode = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file at path (symlinks followed), or nothing when it cannot
// be looked at.
std::optional<FileStamp> StampOf(const std::string& path);

// Stamps one file after another as StampOf does, each looked up by its name
// in its folder, which is opened once: at thousands of files the lookups of
// the whole paths add up.
class FolderStamper {
public:
    FolderStamper() = default;
    ~FolderStamper();
    FolderStamper(const FolderStamper&) = delete;
    FolderStamper& operator=(const FolderStamper&) = delete;

    std::optional<FileStamp> StampOf(const char* path);

private:
    // Opened folders; -1 for one that could not be opened. Files lie in a few
    // folders, so the map stays small; past a bound, paths are stamped whole.
    std::unordered_map<std::string, int> folders_;
    std::string_view lastFolder_;  // a key of folders_
    int lastFd_ = -1;
};
