#include "FaceCache.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "ByteReader.h"
#include "FaceCacheFormat.h"

namespace {

// Far more than any machine's faces need; a larger file is damage.
constexpr uint64_t kMaxFileSize = 256u << 20;

const char* kLockName = "fonts.lock";
const char* kTemporaryName = "fonts.cache.tmp";

// The whole file at path, or nothing.
std::optional<std::string> ReadWholeFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> bytes;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && uint64_t(info.st_size) <= kMaxFileSize) {
        std::string content(size_t(info.st_size), '\0');
        size_t done = 0;
        while (done < content.size()) {
            const ssize_t got = ::read(fd, content.data() + done, content.size() - done);
            if (got <= 0)
                break;
            done += size_t(got);
        }
        if (done == content.size())
            bytes = std::move(content);
    }
    ::close(fd);
    return bytes;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        bytes.remove_prefix(size_t(wrote));
    }
    return true;
}

// Makes the folder and its missing parents, as private folders.
bool MakeFolders(const std::string& folder)
{
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// An exclusive lock on the folder's lock file, held while the object lives.
// Savers hold it only for one read, merge and write, so a short wait is
// enough; a lock that cannot be had (a stuck process, a file system without
// locks) gives up the save rather than risking another process's entries.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : fd_(::open((folder + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (fd_ < 0)
            return;
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR)
                return;
            const timespec pause{0, 10'000'000};
            nanosleep(&pause, nullptr);
        }
    }
    ~FolderLock()
    {
        if (fd_ >= 0)
            ::close(fd_);  // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

// Replaces the file at path with bytes: written to a temporary file beside it,
// synced, renamed over it. Only called under the folder's lock, which is why
// one fixed temporary name serves every process (a killed save's leftover is
// simply written over).
bool ReplaceFile(const std::string& folder, const std::string& path, std::string_view bytes)
{
    const std::string temporary = folder + "/" + kTemporaryName;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

}  // namespace

size_t FaceKeyHash::operator()(const FaceKey& key) const
{
    return std::hash<std::string>()(key.file) ^ (size_t(key.index) * 0x9E3779B97F4A7C15ull);
}

std::optional<std::string> FaceCache::DefaultFolder()
{
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    // A relative XDG_CACHE_HOME is invalid and ignored, as the base
    // directory rules say.
    if (cacheHome && cacheHome[0] == '/')
        return std::string(cacheHome) + "/vorn";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.cache/vorn";
    return std::nullopt;
}

// The cache file mapped rather than read: at thousands of faces, fresh memory
// for a copy of it costs more than the rest of a warm start. Savers replace
// the file by renaming another over it and never write into it, so the mapped
// bytes stay as they were checked.
struct FaceCache::Loaded {
    const uint8_t* mapped = nullptr;
    size_t size = 0;
    ByteReader payload{nullptr, 0};
    std::vector<uint32_t> starts;  // of each face's record in the payload, in key order

    ~Loaded()
    {
        if (mapped)
            ::munmap(const_cast<uint8_t*>(mapped), size);
    }

    FaceRecord At(size_t face) const
    {
        FaceRecord record;
        size_t pos = starts[face];
        ReadRecord(payload, pos, record);
        return record;
    }

    static std::unique_ptr<Loaded> Map(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        auto loaded = std::make_unique<Loaded>();
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0
            && uint64_t(info.st_size) <= kMaxFileSize) {
            void* mapped = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (mapped != MAP_FAILED) {
                loaded->mapped = static_cast<const uint8_t*>(mapped);
                loaded->size = size_t(info.st_size);
            }
        }
        ::close(fd);
        if (!loaded->mapped)
            return nullptr;
        auto indexed = IndexFaceCache(std::string_view(reinterpret_cast<const char*>(loaded->mapped), loaded->size));
        if (!indexed)
            return nullptr;
        loaded->payload = ByteReader(reinterpret_cast<const uint8_t*>(indexed->first.data()), indexed->first.size());
        loaded->starts = std::move(indexed->second);
        return loaded;
    }
};

FaceCache::FaceCache(std::string folder) : folder_(std::move(folder)), loaded_(Loaded::Map(folder_ + "/" + FileName))
{
    if (loaded_)
        found_.resize(loaded_->starts.size());
}

FaceCache::~FaceCache() = default;

std::optional<FaceSummary> FaceCache::Find(std::string_view file, int index, const FileStamp& stamp)
{
    if (!loaded_ || index < 0)
        return std::nullopt;
    const std::vector<uint32_t>& starts = loaded_->starts;
    // The first face whose key is not before the one asked for.
    const auto at = std::partition_point(starts.begin(), starts.end(), [&](uint32_t start) {
        const auto key = KeyAt(loaded_->payload, start);
        return KeyBefore(key->first, key->second, file, uint32_t(index));
    });
    if (at == starts.end())
        return std::nullopt;
    const size_t face = size_t(at - starts.begin());
    const FaceRecord record = loaded_->At(face);
    if (record.file != file || record.index != uint32_t(index) || !(record.stamp == stamp))
        return std::nullopt;
    found_[face] = true;
    return record.Summary();
}

void FaceCache::Put(const FaceKey& key, const FileStamp& stamp, FaceSummary summary)
{
    put_[key] = CachedFace{stamp, std::move(summary)};
}

bool FaceCache::Save()
{
    // Faces of the file that this run neither found nor read: uninstalled.
    std::vector<size_t> gone;
    for (size_t face = 0; face < found_.size(); ++face)
        if (!found_[face] && !put_.count(loaded_->At(face).Key()))
            gone.push_back(face);
    if (put_.empty() && gone.empty())
        return false;

    if (!MakeFolders(folder_))
        return false;
    const FolderLock lock(folder_);
    if (!lock.held())
        return false;

    // Another process may have saved since this one read the file: its faces
    // stay, and this run's changes go on top of them.
    const std::string path = folder_ + "/" + FileName;
    const std::optional<std::string> current = ReadWholeFile(path);
    CachedFaces merged = current ? DecodeFaceCache(*current).value_or(CachedFaces()) : CachedFaces();
    for (const size_t face : gone) {
        const FaceRecord record = loaded_->At(face);
        const auto now = merged.find(record.Key());
        // Removed only as this run saw it; a newer reading stays.
        if (now != merged.end() && now->second == record.Face())
            merged.erase(now);
    }
    // What this run found stays, unless another process has read it anew.
    for (size_t face = 0; face < found_.size(); ++face) {
        if (found_[face]) {
            const FaceRecord record = loaded_->At(face);
            merged.emplace(record.Key(), record.Face());
        }
    }
    for (const auto& [key, face] : put_)
        merged[key] = face;

    const std::string bytes = EncodeFaceCache(merged);
    if (current && *current == bytes)
        return true;
    return ReplaceFile(folder_, path, bytes);
}
