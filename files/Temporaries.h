#pragma once

#include <string>

// The temporary file that a save writes beside its target before renaming it
// over the name. Only its writer removes it, on failure; one left by a writer
// that was killed is removed at a later start, and only when it is proven
// abandoned: its name ".<target>.<inode>.tmp" states the inode that the
// writer gave it (a file merely named alike, a user's own, has another), and
// the writer's lock on it, which the system drops whenever the writer ends,
// is free. A process id is never trusted: the writer may be in another PID
// namespace or on another machine sharing the folder.
//
// Where the lock does not reach other machines (a network file system
// mounted without locking) a running save elsewhere looks abandoned; there
// the file system gives no proof either way.
class TemporaryFile {
public:
    // Made beside folder/target, locked and marked as above; where no such
    // mark can be given, it is made under ".<target>.XXXXXX", which no one
    // ever removes but its writer.
    TemporaryFile(const std::string& folder, const std::string& target);
    // Removes the file unless it was renamed into place.
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // The descriptor to write to, or -1 with error() saying why.
    int fd() const { return fd_; }
    int error() const { return error_; }
    const std::string& path() const { return path_; }

    // Closes the descriptor written to, still holding the lock, and renames
    // the file over path; answers 0 or the errno of the close or rename.
    int CloseAndRename(const std::string& path);

private:
    int fd_ = -1;
    int lockFd_ = -1;
    int error_ = 0;
    std::string path_;
    bool renamed_ = false;
};

// Removes the proven abandoned temporary files (see above) in folder: of
// target, or of every file when target is empty. For a start, never for
// every save.
void RemoveAbandonedTemporaries(const std::string& folder, const std::string& target = {});

// As RemoveAbandonedTemporaries(folder, target), the first time this process
// asks for that file, and not again.
void RemoveAbandonedTemporariesOnce(const std::string& folder, const std::string& target);
