#include "ProfileFile.h"

#include "ToolkitError.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Symlink hops followed before giving up, as the kernel does.
constexpr int kMaxSymlinkHops = 40;

std::optional<std::size_t> gWriteLimit;

enum class ReadOutcome { Ok, Missing, Failed };

// O_NONBLOCK keeps a FIFO planted under the file's name from hanging us.
ReadOutcome ReadWholeFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    struct stat info {};
    ReadOutcome outcome = ReadOutcome::Ok;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        outcome = ReadOutcome::Failed;
    } else {
        char buffer[65536];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got > 0) {
                bytes.append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0) {
                break;
            } else if (errno != EINTR) {
                outcome = ReadOutcome::Failed;
                break;
            }
        }
    }
    close(fd);
    if (outcome != ReadOutcome::Ok)
        bytes.clear();
    return outcome;
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

mode_t CurrentUmask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
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
        if (written == 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
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

// Writes bytes to a fresh temporary file beside target and renames it over
// target. On failure the temporary file is removed and target is untouched.
bool ReplaceFileAtomically(const std::string& fileName, std::string_view bytes)
{
    const std::optional<std::string> resolved = ResolveSymlinks(fileName);
    if (!resolved)
        return false;
    const std::string& target = *resolved;

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty())
        return false;

    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    mode_t mode = 0666 & ~CurrentUmask();
    if (exists) {
        // rename() only needs the folder to be writable; a user who made the
        // file itself read-only must keep it.
        if (!S_ISREG(old.st_mode) || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return false;
        mode = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::string prefix = (folder == "/" ? std::string("/") : folder + "/") + "." + base + ".";
    RemoveOrphanedTemporaries(folder, "." + base + ".");
    std::string temporary = prefix + std::to_string(getpid()) + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;

    bool ok = fchmod(fd, mode) == 0;
    if (ok && exists && (old.st_uid != geteuid() || old.st_gid != getegid())) {
        // Only root can give the file back to its owner; anyone else leaves
        // the new file as theirs, as any editor saving it would.
        [[maybe_unused]] const int ignored = fchown(fd, old.st_uid, old.st_gid);
    }
    ok = ok && WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }

    // Make the rename itself durable; the data is already safe either way.
    const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return true;
}

} // namespace

void SetProfileWriteLimitForTesting(std::optional<std::size_t> bytes)
{
    gWriteLimit = bytes;
}

// ---- ProfileFile ----

ProfileFile::ProfileFile(std::string fileName) : fileName_(std::move(fileName)) {}

void ProfileFile::ThrowWriteError() const
{
    throw ToolkitError("Unable to write to " + fileName_);
}

ProfileText ProfileFile::Read() const
{
    std::string bytes;
    ReadWholeFile(fileName_, bytes);
    return ProfileText::Parse(bytes);
}

ProfileText ProfileFile::ReadForUpdate() const
{
    std::string bytes;
    if (ReadWholeFile(fileName_, bytes) == ReadOutcome::Failed)
        ThrowWriteError();
    return ProfileText::Parse(bytes);
}

void ProfileFile::Rewrite(const ProfileText& text)
{
    if (!ReplaceFileAtomically(fileName_, text.Bytes()))
        ThrowWriteError();
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t bufferSize) const
{
    const std::optional<std::string> value = Read().Value(section, key);
    const std::string_view result = value ? std::string_view(*value) : defaultValue.substr(0, defaultValue.find('\0'));
    return CutToUtf8Boundary(result, bufferSize > 0 ? bufferSize - 1 : 0);
}

std::vector<std::string> ProfileFile::SectionNames(std::size_t bufferSize) const
{
    return Read().SectionNames(bufferSize);
}

void ProfileFile::EraseSection(std::string_view section)
{
    // An unreadable file has no section to erase, so nothing is written.
    ProfileText text = Read();
    if (text.EraseSection(section))
        Rewrite(text);
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    ProfileText text = ReadForUpdate();
    if (text.WriteString(section, key, value))
        Rewrite(text);
}
