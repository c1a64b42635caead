#pragma once

// The one way the program reads and writes its files: the settings file, the
// face cache and the pictures all go through here, so that a fix reaches all
// of them. Plain POSIX, no Qt.
//
// What a caller may rely on:
// - ReplaceFile never leaves a half-written file under the name: the bytes go
//   to a fresh temporary file in the same folder (created with O_EXCL, so a
//   planted entry of that name is never written through), every write is
//   checked, the file is synced, renamed over the name and the folder synced.
//   On any failure the temporary file is removed and the old file is byte for
//   byte as it was; the result says why.
// - Success is reported only once every byte has been written and synced.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include <sys/types.h>

// The outcome of a write: an empty error on success, else why it failed in
// the system's words (strerror: "No space left on device").
struct FileResult {
    std::string error;

    bool ok() const { return error.empty(); }
    explicit operator bool() const { return ok(); }
};

// ---- Reading ----

enum class ReadStatus {
    Ok,
    Missing,     // no entry of that name
    NotRegular,  // a FIFO, device, socket or folder: never opened for reading
    TooLarge,    // larger than the limit
    Failed,      // could not be opened or read (permissions, I/O error)
};

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes;  // the whole file when Ok, else empty
};

// Reads the whole regular file at path into memory, at most limit bytes. A
// FIFO or device planted under the name is never waited on (the open does not
// block and the entry is looked at before anything is read). A file that grows
// or shrinks while it is read comes back as it was read, never as a fault; the
// caller checks what it got.
ReadResult ReadWholeFile(const std::string& path, std::uint64_t limit);

// ---- Replacing ----

struct ReplaceOptions {
    // Permission bits of a file that did not exist (the umask applies); an
    // existing file keeps its own mode and, where the process may, its owner.
    mode_t newFileMode = 0666;
    // true: a symlink at the name is followed and the file it points to is
    // replaced, the link staying (so a linked settings file stays linked);
    // false: the entry at the name itself is replaced.
    bool followSymlinks = true;
    // true: an existing entry that is not a regular file (a FIFO, a device, a
    // socket) is replaced like a file; for a cache that a planted entry must
    // not stop. false: such an entry is an error and stays.
    bool replaceNonRegular = false;
    // true: an existing file that the process may not write (made read-only by
    // its owner) is refused rather than replaced behind the owner's back.
    bool keepReadOnly = true;
};

// The program's own files (the face cache, the kept texts): private, and no
// entry planted under the name (link, FIFO, read-only file) stops a save.
ReplaceOptions PrivateFileOptions();

// Replaces the file at path with bytes, whole or not at all (see the top).
FileResult ReplaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});

// Writes an output that the user named: a missing name or a regular file is
// replaced as ReplaceFile does; an existing FIFO or character device is written
// to directly and stays (so a pipe or a terminal works), since replacing it
// would take it from whoever reads it; a folder, socket or block device is an
// error. Every byte is checked either way.
FileResult WriteOutput(const std::string& path, std::string_view bytes);

// Writes all of bytes to fd, retrying short writes and EINTR; false with errno
// set on failure. Goes through the test seam below.
bool WriteAll(int fd, std::string_view bytes);

// Test seam: when set, every write through this layer fails with ENOSPC once
// this many bytes of it have been written. std::nullopt writes normally.
void SetWriteLimitForTesting(std::optional<std::size_t> bytes);

// Flushes the standard output (C's and C++'s) and says whether everything
// written to it arrived; for commands to check at exit, since a full disk or a
// closed pipe shows up only there.
FileResult FlushStandardOutput();

// ---- Folders ----

// Makes the folder and its missing parents, new ones with mode 0700. True when
// the folder exists now.
bool MakeFolders(const std::string& folder);

// An exclusive lock on a lock file in a folder, held while the object lives.
// Waits a short while for another holder; a lock that cannot be had (a stuck
// process, a file system without locks) is reported by held() as false.
class FolderLock {
public:
    FolderLock(const std::string& folder, const std::string& lockName);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

// ---- Stamps ----

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
