#include "Locks.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Folders.h"

namespace {

// Gives an unnamed file of the folder its name: the file is reached through
// /proc, or by its descriptor where /proc is not mounted (which needs a
// capability).
bool LinkUnnamed(int fd, const std::string& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    return linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0;
}

LockedFile Failed(int fd, int error)
{
    if (fd >= 0)
        close(fd);
    return {-1, {}, error};
}

}  // namespace

LockedFile MakeLockedFile(const std::string& folder, const std::function<std::string(ino_t)>& nameFor,
                          const std::string& draftPattern, bool keepDraft)
{
    const std::string prefix = folder == "/" ? "/" : folder + "/";
    struct stat info {};
    // Unnamed until it is locked: a writer killed before the name is given
    // leaves nothing at all.
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &info) == 0) {
            const std::string path = prefix + nameFor(info.st_ino);
            if (LinkUnnamed(fd, path))
                return {fd, path, 0};
            if (errno != EEXIST && errno != ENOENT && errno != EPERM && errno != EOPNOTSUPP)
                return Failed(fd, errno);
        } else if (!keepDraft) {
            return Failed(fd, errno);
        }
        close(fd);
    }
    std::string draft = prefix + draftPattern;
    fd = mkostemp(draft.data(), O_CLOEXEC);
    if (fd < 0)
        return Failed(-1, errno);
    // Where there are no locks the draft serves unlocked, and as it bears no
    // mark, no one but its maker ever removes it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &info) != 0) {
        if (keepDraft)
            return {fd, draft, 0};
        const int error = errno;
        unlink(draft.c_str());
        return Failed(fd, error);
    }
    const std::string path = prefix + nameFor(info.st_ino);
    const int claimed = ClaimFile(draft, path);
    if (claimed == 0)
        return {fd, path, 0};
    if (keepDraft)
        return {fd, draft, 0};
    unlink(draft.c_str());
    return Failed(fd, claimed);
}

OwnerLock::OwnerLock(const std::string& folder, const std::string& name)
    : file_(MakeLockedFile(folder, [&](ino_t) { return name; }, ".lock-XXXXXX", false))
{
}

OwnerLock::~OwnerLock()
{
    if (file_.fd < 0)
        return;
    unlink(file_.path.c_str());
    close(file_.fd);
}

bool LockHeld(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

FolderLock::FolderLock(const std::string& folder, const std::string& lockName)
    : fd_(open((folder + "/" + lockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600))
{
    if (fd_ < 0)
        return;
    // Holders keep the lock for one read, merge and write, so a short wait is
    // enough.
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return;
        const timespec pause{0, 10'000'000};
        nanosleep(&pause, nullptr);
    }
}

FolderLock::~FolderLock()
{
    if (fd_ >= 0)
        close(fd_);  // releases the lock
}
