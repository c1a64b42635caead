#include "Outputs.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Replace.h"
#include "Writes.h"

FileResult WriteOutput(const std::string& path, std::string_view bytes)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT)
            return FileFailure(errno);
        return ReplaceFile(path, bytes);
    }
    if (S_ISREG(info.st_mode))
        return ReplaceFile(path, bytes);
    if (S_ISDIR(info.st_mode))
        return FileFailure(EISDIR);
    if (!S_ISFIFO(info.st_mode) && !S_ISCHR(info.st_mode))
        return FileFailure("not a file, FIFO or character device");

    // As any command-line tool does: a FIFO waits for its reader here.
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return FileFailure(errno);
    int error = WriteAll(fd, bytes) ? 0 : errno;
    if (close(fd) != 0 && !error)
        error = errno;
    return error ? FileFailure(error) : FileResult{};
}
