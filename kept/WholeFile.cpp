#include "WholeFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Why(int error)
{
    return std::strerror(error);
}

} // namespace

WholeFileRead ReadWholeFile(const std::string& name, std::size_t limit)
{
    WholeFileRead read;
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        read.error = Why(errno);
        return read;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        read.error = Why(errno);
    } else if (!S_ISREG(info.st_mode)) {
        read.error = "not a regular file";
    } else if (static_cast<unsigned long long>(info.st_size) > limit) {
        read.tooLarge = true;
    } else {
        // A file that grows while it is read is cut at one byte past the
        // limit, which is enough to know it is too large.
        char chunk[65536];
        for (;;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                read.error = Why(errno);
                read.bytes.clear();
                break;
            }
            if (got == 0)
                break;
            read.bytes.append(chunk, static_cast<std::size_t>(got));
            if (read.bytes.size() > limit) {
                read.tooLarge = true;
                read.bytes.clear();
                break;
            }
        }
    }
    close(fd);
    return read;
}

std::optional<std::string> ReplaceWholeFile(const std::string& name, std::string_view bytes)
{
    const std::size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    std::string temporary = name + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return Why(errno);
    int error = 0;
    std::size_t written = 0;
    while (written < bytes.size() && error == 0) {
        const ssize_t put = write(fd, bytes.data() + written, bytes.size() - written);
        if (put < 0 && errno != EINTR)
            error = errno;
        else if (put > 0)
            written += static_cast<std::size_t>(put);
    }
    if (error == 0 && fchmod(fd, 0644 & ~[] { const mode_t mask = umask(0); umask(mask); return mask; }()) != 0)
        error = errno;
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temporary.c_str(), name.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temporary.c_str());
        return Why(error);
    }
    const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return std::nullopt;
}
