#include "WholeFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
