#include "Temporaries.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <mutex>
#include <set>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Locks.h"

namespace {

constexpr std::string_view Suffix = ".tmp";

// The inode that a temporary's name states, or 0 for a name that is not one
// (of target, when target is given).
ino_t StatedInode(std::string_view name, std::string_view target)
{
    if (!name.starts_with('.') || !name.ends_with(Suffix))
        return 0;
    name.remove_prefix(1);
    name.remove_suffix(Suffix.size());
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || (!target.empty() && name.substr(0, dot) != target))
        return 0;
    const std::string_view digits = name.substr(dot + 1);
    ino_t inode = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), inode);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.starts_with('0'))
        return 0;
    return inode;
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& target)
{
    LockedFile file = MakeLockedFile(
        folder, [&](ino_t inode) { return "." + target + "." + std::to_string(inode) + std::string(Suffix); },
        "." + target + ".XXXXXX", true);
    fd_ = file.fd;
    error_ = file.error;
    path_ = std::move(file.path);
    // A second descriptor of the same open file holds the lock while the
    // first is closed, so that the close's own errors are seen before the
    // rename.
    if (fd_ >= 0) {
        lockFd_ = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
        if (lockFd_ < 0) {
            error_ = errno;
            unlink(path_.c_str());
            close(fd_);
            fd_ = -1;
        }
    }
}

TemporaryFile::~TemporaryFile()
{
    if (!renamed_ && !path_.empty() && (fd_ >= 0 || lockFd_ >= 0))
        unlink(path_.c_str());
    if (fd_ >= 0)
        close(fd_);
    if (lockFd_ >= 0)
        close(lockFd_);
}

int TemporaryFile::CloseAndRename(const std::string& path)
{
    const int closed = close(fd_);
    fd_ = -1;
    if (closed != 0)
        return errno;
    if (rename(path_.c_str(), path.c_str()) != 0)
        return errno;
    renamed_ = true;
    return 0;
}

void RemoveAbandonedTemporaries(const std::string& folder, const std::string& target)
{
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return;
    while (const dirent* entry = readdir(listing)) {
        const ino_t stated = StatedInode(entry->d_name, target);
        if (stated == 0)
            continue;
        const int fd = openat(dirfd(listing), entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat opened {}, named {};
        // Taking the lock proves the writer gone; the name is looked at once
        // more under the lock, so that only the file proven is removed.
        if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_ino == stated
            && flock(fd, LOCK_EX | LOCK_NB) == 0
            && fstatat(dirfd(listing), entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0
            && named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
            unlinkat(dirfd(listing), entry->d_name, 0);
        close(fd);
    }
    closedir(listing);
}

void RemoveAbandonedTemporariesOnce(const std::string& folder, const std::string& target)
{
    static std::mutex mutex;
    static std::set<std::string> done;
    {
        const std::lock_guard lock(mutex);
        if (!done.insert(folder + "/" + target).second)
            return;
    }
    RemoveAbandonedTemporaries(folder, target);
}
