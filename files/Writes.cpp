#include "Writes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iostream>

#include <unistd.h>

namespace {

std::optional<std::size_t> gWriteLimit;
std::function<void(const std::string&)> gReplaceHold;

}  // namespace

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

void SetReplaceHoldForTesting(std::function<void(const std::string& temporary)> hold)
{
    gReplaceHold = std::move(hold);
}

void HoldReplaceForTesting(const std::string& temporary)
{
    if (gReplaceHold)
        gReplaceHold(temporary);
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
    return error ? FileFailure(error) : FileFailure("write error");
}
