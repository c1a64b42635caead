#include "SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Symlink hops followed before giving up, as the kernel does.
constexpr int kMaxSymlinkHops = 40;

std::optional<std::size_t> gWriteLimit;

FileResult Failure(int error)
{
    return FileResult{std::strerror(error)};
}

FileResult Failure(const char* why)
{
    return FileResult{why};
}

// Follows symlinks so that a rewrite replaces the file a link points to and the
// link itself stays. A dangling link yields its target, which is then created.
std::optional<std::string> ResolveSymlinks(std::string path)
{
    for (int hop = 0; hop < kMaxSymlinkHops; ++hop) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
            return std::nullopt;
        target.resize(static_cast<std::size_t>(length));
        if (target.front() != '/') {
            const std::size_t slash = path.rfind('/');
            if (slash != std::string::npos)
                target = path.substr(0, slash + 1) + target;
        }
        path = std::move(target);
    }
    return std::nullopt;
}

// umask() reads the mask only by setting it, and the mask is the whole
// process's: two threads saving at once could interleave the set and the
// restore and leave it at 000 for good. Linux (4.7 on) shows it in the
// process's status; only where it does not is it set and restored, one
// thread at a time.
mode_t CurrentUmask()
{
    const ReadResult status = ReadWholeFile("/proc/self/status", 1 << 16);
    constexpr std::string_view Label = "\nUmask:";
    const std::size_t at = status.bytes.find(Label);
    if (at != std::string::npos) {
        const char* first = status.bytes.data() + at + Label.size();
        const char* last = status.bytes.data() + status.bytes.size();
        while (first != last && (*first == '\t' || *first == ' '))
            ++first;
        unsigned mask = 0;
        if (std::from_chars(first, last, mask, 8).ec == std::errc() && mask <= 0777)
            return static_cast<mode_t>(mask);
    }
    static std::mutex serial;
    const std::lock_guard lock(serial);
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// A save that was killed between creating its temporary file and renaming it
// leaves the file behind. Its name carries the saving process's id; once that
// process is gone, nobody will finish it. Files of live processes (or of
// processes we may not signal) are left to their owners.
void RemoveOrphanedTemporaries(const std::string& folder, const std::string& namePrefix)
{
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name.substr(0, namePrefix.size()) != namePrefix)
            continue;
        // The rest is "<pid>.XXXXXX".
        const std::string_view rest = name.substr(namePrefix.size());
        const std::size_t dot = rest.find('.');
        if (dot == 0 || dot == std::string_view::npos || rest.size() - dot - 1 != 6)
            continue;
        const std::string_view digits = rest.substr(0, dot);
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        const pid_t owner = static_cast<pid_t>(std::stol(std::string(digits)));
        if (owner == getpid() || owner <= 0)
            continue;
        if (kill(owner, 0) == -1 && errno == ESRCH)
            unlinkat(dirfd(listing), entry->d_name, 0);
    }
    closedir(listing);
}

void SyncFolder(const std::string& folder)
{
    // Makes the rename itself durable; the data is already safe either way.
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

FileStamp StampFrom(const struct stat& info)
{
    FileStamp stamp;
    stamp.size = uint64_t(info.st_size);
    stamp.modifiedNs = uint64_t(info.st_mtim.tv_sec) * 1'000'000'000u + uint64_t(info.st_mtim.tv_nsec);
    stamp.changedNs = uint64_t(info.st_ctim.tv_sec) * 1'000'000'000u + uint64_t(info.st_ctim.tv_nsec);
    stamp.inode = uint64_t(info.st_ino);
    return stamp;
}

} // namespace

ReadResult ReadWholeFile(const std::string& path, std::uint64_t limit)
{
    ReadResult result;
    // O_NONBLOCK: opening a FIFO planted under the name would otherwise wait
    // for a writer for ever.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        result.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
        return result;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        result.status = ReadStatus::Failed;
    } else if (!S_ISREG(info.st_mode)) {
        result.status = ReadStatus::NotRegular;
    } else if (uint64_t(info.st_size) > limit) {
        result.status = ReadStatus::TooLarge;
    } else {
        result.status = ReadStatus::Ok;
        result.bytes.reserve(std::size_t(info.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got > 0) {
                // A file that grew past the limit since it was looked at.
                if (uint64_t(got) > limit - result.bytes.size()) {
                    result.status = ReadStatus::TooLarge;
                    break;
                }
                result.bytes.append(buffer, std::size_t(got));
            } else if (got == 0) {
                break;
            } else if (errno != EINTR) {
                result.status = ReadStatus::Failed;
                break;
            }
        }
    }
    close(fd);
    if (result.status != ReadStatus::Ok)
        result.bytes.clear();
    return result;
}

bool WriteAll(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t chunk = bytes.size() - done;
        if (gWriteLimit) {
            if (done >= *gWriteLimit) {
                errno = ENOSPC;
                return false;
            }
            chunk = std::min(chunk, *gWriteLimit - done);
        }
        const ssize_t written = write(fd, bytes.data() + done, chunk);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        done += std::size_t(written);
    }
    return true;
}

void SetWriteLimitForTesting(std::optional<std::size_t> bytes)
{
    gWriteLimit = bytes;
}

ReplaceOptions PrivateFileOptions()
{
    ReplaceOptions options;
    options.newFileMode = 0600;
    options.followSymlinks = false;
    options.replaceNonRegular = true;
    options.keepReadOnly = false;
    return options;
}

FileResult ReplaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options)
{
    std::string target = path;
    if (options.followSymlinks) {
        std::optional<std::string> resolved = ResolveSymlinks(path);
        if (!resolved)
            return Failure(ELOOP);
        target = std::move(*resolved);
    }

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty() || base == "." || base == "..")
        return Failure(EISDIR);

    struct stat old {};
    const bool exists = lstat(target.c_str(), &old) == 0;
    const bool replacesFile = exists && S_ISREG(old.st_mode);
    if (exists) {
        if (S_ISDIR(old.st_mode))
            return Failure(EISDIR);
        if (!S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode) && !options.replaceNonRegular)
            return Failure("not a regular file");
        // rename() only needs the folder to be writable; a user who made the
        // file itself read-only must keep it.
        if (replacesFile && options.keepReadOnly && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return Failure(errno);
    } else if (errno != ENOENT) {
        return Failure(errno);
    }
    // A replaced file keeps its own mode: only a new one needs the mask.
    const mode_t mode = replacesFile ? old.st_mode & 07777 : options.newFileMode & 07777 & ~CurrentUmask();

    const std::string prefix = "." + base + ".";
    RemoveOrphanedTemporaries(folder, prefix);
    std::string temporary = (folder == "/" ? std::string("/") : folder + "/") + prefix + std::to_string(getpid())
        + ".XXXXXX";
    // mkostemp creates with O_EXCL: whatever was planted under the name is
    // never opened, and a fresh name is drawn until one is free.
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return Failure(errno);

    int error = 0;
    if (fchmod(fd, mode) != 0)
        error = errno;
    if (!error && replacesFile && (old.st_uid != geteuid() || old.st_gid != getegid())) {
        // Only root can give the file back to its owner; anyone else leaves
        // the new file as theirs, as any editor saving it would.
        [[maybe_unused]] const int ignored = fchown(fd, old.st_uid, old.st_gid);
    }
    if (!error && !WriteAll(fd, bytes))
        error = errno;
    if (!error && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && !error)
        error = errno;
    if (!error && rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error) {
        unlink(temporary.c_str());
        return Failure(error);
    }
    SyncFolder(folder);
    return {};
}

FileResult WriteOutput(const std::string& path, std::string_view bytes)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT)
            return Failure(errno);
        return ReplaceFile(path, bytes);
    }
    if (S_ISREG(info.st_mode))
        return ReplaceFile(path, bytes);
    if (S_ISDIR(info.st_mode))
        return Failure(EISDIR);
    if (!S_ISFIFO(info.st_mode) && !S_ISCHR(info.st_mode))
        return Failure("not a file, FIFO or character device");

    // As any command-line tool does: a FIFO waits for its reader here.
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Failure(errno);
    int error = WriteAll(fd, bytes) ? 0 : errno;
    if (close(fd) != 0 && !error)
        error = errno;
    return error ? Failure(error) : FileResult{};
}

FileResult FlushStandardOutput()
{
    // The C++ stream flushes the C one, so whichever call fails first has
    // set errno; a later successful call leaves it.
    errno = 0;
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && std::cout && !std::ferror(stdout))
        return {};
    return error ? Failure(error) : Failure("write error");
}

bool MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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

std::optional<FileStamp> StampOf(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return StampFrom(info);
}

FolderStamper::~FolderStamper()
{
    for (const auto& [folder, fd] : folders_)
        if (fd >= 0)
            close(fd);
}

std::optional<FileStamp> FolderStamper::StampOf(const char* path)
{
    const std::string_view whole(path);
    const std::size_t slash = whole.rfind('/');
    struct stat info {};
    if (slash == std::string_view::npos || slash == 0)
        return ::StampOf(path);
    const std::string_view folder = whole.substr(0, slash);
    if (folder != lastFolder_) {
        auto opened = folders_.find(std::string(folder));
        if (opened == folders_.end()) {
            constexpr std::size_t kMostFolders = 256;
            if (folders_.size() >= kMostFolders)
                return ::StampOf(path);
            // O_PATH: a folder that may be searched but not listed still serves.
            const int fd = open(std::string(folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            opened = folders_.emplace(std::string(folder), fd).first;
        }
        lastFolder_ = opened->first;
        lastFd_ = opened->second;
    }
    if (lastFd_ < 0)
        return ::StampOf(path);
    if (fstatat(lastFd_, path + slash + 1, &info, 0) != 0)
        return std::nullopt;
    return StampFrom(info);
}
