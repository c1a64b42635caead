#include "Stamps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileStamp StampFrom(const struct stat& info)
{
    FileStamp stamp;
    stamp.size = uint64_t(info.st_size);
    stamp.modifiedNs = uint64_t(info.st_mtim.tv_sec) * 1'000'000'000u + uint64_t(info.st_mtim.tv_nsec);
    stamp.changedNs = uint64_t(info.st_ctim.tv_sec) * 1'000'000'000u + uint64_t(info.st_ctim.tv_nsec);
    stamp.inode = uint64_t(info.st_ino);
    return stamp;
}

}  // namespace

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
