#include "Replace.h"

#include <cerrno>
#include <charconv>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Folders.h"
#include "Temporaries.h"
#include "WholeFile.h"
#include "Writes.h"

namespace {

// Symlink hops followed before giving up, as the kernel does.
constexpr int kMaxSymlinkHops = 40;

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

}  // namespace

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
            return FileFailure(ELOOP);
        target = std::move(*resolved);
    }

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty() || base == "." || base == "..")
        return FileFailure(EISDIR);

    struct stat old {};
    const bool exists = lstat(target.c_str(), &old) == 0;
    const bool replacesFile = exists && S_ISREG(old.st_mode);
    if (exists) {
        if (S_ISDIR(old.st_mode))
            return FileFailure(EISDIR);
        if (!S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode) && !options.replaceNonRegular)
            return FileFailure("not a regular file");
        // rename() only needs the folder to be writable; a user who made the
        // file itself read-only must keep it.
        if (replacesFile && options.keepReadOnly && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return FileFailure(errno);
    } else if (errno != ENOENT) {
        return FileFailure(errno);
    }
    // A replaced file keeps its own mode: only a new one needs the mask.
    const mode_t mode = replacesFile ? old.st_mode & 07777 : options.newFileMode & 07777 & ~CurrentUmask();

    RemoveAbandonedTemporariesOnce(folder, base);
    TemporaryFile temporary(folder, base);
    const int fd = temporary.fd();
    if (fd < 0)
        return FileFailure(temporary.error());
    if (fchmod(fd, mode) != 0)
        return FileFailure(errno);
    if (replacesFile && (old.st_uid != geteuid() || old.st_gid != getegid())) {
        // Only root can give the file back to its owner; anyone else leaves
        // the new file as theirs, as any editor saving it would.
        [[maybe_unused]] const int ignored = fchown(fd, old.st_uid, old.st_gid);
    }
    if (!WriteAll(fd, bytes))
        return FileFailure(errno);
    HoldReplaceForTesting(temporary.path());
    if (fsync(fd) != 0)
        return FileFailure(errno);
    if (const int error = temporary.CloseAndRename(target))
        return FileFailure(error);
    SyncFolder(folder);
    return {};
}
