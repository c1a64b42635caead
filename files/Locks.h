#pragma once

#include <functional>
#include <string>

#include <sys/types.h>

// Locks are flock locks, which the system drops however their holder ends
// (exit, kill, crash), and which hold across process id namespaces; a lock
// file's mere presence never means anything.

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

// A file made in folder that holds its maker's exclusive lock before it takes
// its name, so that nobody ever finds it under that name unlocked while its
// maker lives. nameFor gives the name from the file's inode number. Where
// the system cannot make an unnamed file, the file is first made under a
// fresh name from draftPattern (ending in XXXXXX) and renamed once locked.
// With keepDraft, a file that cannot be locked or renamed so is still made,
// under the draft name (path says which), rather than not at all.
struct LockedFile {
    int fd = -1;  // open for reading and writing; closing it lets the lock go
    std::string path;
    int error = 0;  // the errno when fd is -1
};
LockedFile MakeLockedFile(const std::string& folder, const std::function<std::string(ino_t)>& nameFor,
                          const std::string& draftPattern, bool keepDraft);

// A lock file that says its maker is running (see MakeLockedFile); removed
// when the object goes, and let go by the system should the maker end first.
class OwnerLock {
public:
    OwnerLock(const std::string& folder, const std::string& name);
    ~OwnerLock();
    OwnerLock(const OwnerLock&) = delete;
    OwnerLock& operator=(const OwnerLock&) = delete;

    bool held() const { return file_.fd >= 0; }
    // The errno when it is not held.
    int error() const { return file_.error; }

private:
    LockedFile file_;
};

// Whether a running process holds the lock of the file at path; false for a
// missing file or one that cannot be opened.
bool LockHeld(const std::string& path);
