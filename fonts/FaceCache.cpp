// The cache file, big-endian throughout:
//   header   magic "VornFace", version, face count, payload length, CRC-32 of
//            the payload (32 bits each after the magic)
//   payload  per face, in key order: path length (16 bits) and path, face
//            index (32), size, modification and change time in nanoseconds,
//            inode (64 each), flags (8: 1 entered, 2 has OS/2), script
//            coverage (64), covered count (32), OS/2 length (8) and bytes
#include "FaceCache.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>

#include <zlib.h>

#include "ByteReader.h"

namespace {

constexpr char kMagic[8] = {'V', 'o', 'r', 'n', 'F', 'a', 'c', 'e'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 24;
constexpr size_t kHeaderVersion = 8;
constexpr size_t kHeaderCount = 12;
constexpr size_t kHeaderLength = 16;
constexpr size_t kHeaderChecksum = 20;
// Path length, index, stamp, flags, coverage, count, OS/2 length: a face takes
// at least this many bytes, which bounds the count a payload can hold.
constexpr size_t kSmallestFace = 2 + 1 + 4 + 32 + 1 + 8 + 4 + 1;
constexpr uint8_t kEntered = 1;
constexpr uint8_t kHasOS2 = 2;
// OS2Tbl reads nothing behind byte 95.
constexpr size_t kMaxOS2Bytes = 96;
// Far more than any machine's faces need; a larger file is damage.
constexpr uint64_t kMaxFileSize = 256u << 20;

const char* kLockName = "fonts.lock";
const char* kTemporaryName = "fonts.cache.tmp";

void PutU8(std::string& out, uint8_t value)
{
    out.push_back(char(value));
}

void PutU16(std::string& out, uint16_t value)
{
    PutU8(out, uint8_t(value >> 8));
    PutU8(out, uint8_t(value));
}

void PutU32(std::string& out, uint32_t value)
{
    PutU16(out, uint16_t(value >> 16));
    PutU16(out, uint16_t(value));
}

void PutU64(std::string& out, uint64_t value)
{
    PutU32(out, uint32_t(value >> 32));
    PutU32(out, uint32_t(value));
}

uint32_t Checksum(std::string_view bytes)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    // crc32 takes at most 4 GiB at a time; the cache is far smaller.
    return uint32_t(crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size())));
}

// One face's record as the file holds it, its path and OS/2 bytes in place.
struct Record {
    std::string_view file;
    uint32_t index = 0;
    FileStamp stamp;
    uint8_t flags = 0;
    uint64_t scriptCoverage = 0;
    uint32_t coveredCount = 0;
    const uint8_t* os2 = nullptr;
    uint8_t os2Length = 0;

    FaceSummary Summary() const
    {
        FaceSummary summary;
        summary.entered = flags & kEntered;
        summary.hasOS2 = flags & kHasOS2;
        summary.scriptCoverage = scriptCoverage;
        summary.coveredCount = coveredCount;
        summary.os2.assign(os2, os2 + os2Length);
        return summary;
    }
    CachedFace Face() const { return CachedFace{stamp, Summary()}; }
    FaceKey Key() const { return FaceKey{std::string(file), int(index)}; }
};

// The face's key at pos: its path and index, or nothing when they do not fit.
std::optional<std::pair<std::string_view, uint32_t>> KeyAt(const ByteReader& payload, size_t pos)
{
    uint16_t pathLength = 0;
    uint32_t index = 0;
    if (!payload.u16(pos, pathLength) || !payload.fits(pos + 2, pathLength)
        || !payload.u32(pos + 2 + size_t(pathLength), index))
        return std::nullopt;
    return std::make_pair(std::string_view(reinterpret_cast<const char*>(payload.data()) + pos + 2, pathLength), index);
}

// Reads one face at pos and moves pos behind it; false on any fault.
bool ReadRecord(const ByteReader& payload, size_t& pos, Record& record)
{
    uint16_t pathLength = 0;
    if (!payload.u16(pos, pathLength) || pathLength == 0 || !payload.fits(pos + 2, pathLength))
        return false;
    record.file = std::string_view(reinterpret_cast<const char*>(payload.data()) + pos + 2, pathLength);
    pos += 2 + size_t(pathLength);

    FileStamp& stamp = record.stamp;
    if (!payload.u32(pos, record.index) || !payload.u64(pos + 4, stamp.size)
        || !payload.u64(pos + 12, stamp.modifiedNs) || !payload.u64(pos + 20, stamp.changedNs)
        || !payload.u64(pos + 28, stamp.inode) || !payload.u8(pos + 36, record.flags)
        || !payload.u64(pos + 37, record.scriptCoverage) || !payload.u32(pos + 45, record.coveredCount)
        || !payload.u8(pos + 49, record.os2Length) || !payload.fits(pos + 50, record.os2Length))
        return false;
    record.os2 = payload.data() + pos + 50;
    pos += 50 + size_t(record.os2Length);

    // Values that no run could have written.
    const bool entered = record.flags & kEntered, hasOS2 = record.flags & kHasOS2;
    return record.index <= uint32_t(INT32_MAX) && (record.flags & ~(kEntered | kHasOS2)) == 0
        && record.coveredCount <= 65536 && uint32_t(std::popcount(record.scriptCoverage)) <= record.coveredCount
        && record.os2Length <= kMaxOS2Bytes && (hasOS2 || record.os2Length == 0)
        && (entered || (record.coveredCount == 0 && !hasOS2));
}

// The file's order of faces: paths byte by byte (as unsigned char, a proper
// prefix first), then the face index.
bool KeyBefore(std::string_view fileA, uint32_t indexA, std::string_view fileB, uint32_t indexB)
{
    const int order = fileA.compare(fileB);
    return order != 0 ? order < 0 : indexA < indexB;
}

// The payload of a cache file and where each face's record starts in it,
// after the whole file has been checked: header, checksum, every record, and
// the faces in strictly increasing key order, which also rules out a face
// twice. Nothing on any fault.
std::optional<std::pair<std::string_view, std::vector<uint32_t>>> IndexFaceCache(std::string_view bytes)
{
    const ByteReader header(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    uint32_t version = 0, count = 0, length = 0, checksum = 0;
    if (!header.fits(0, kHeaderSize) || bytes.compare(0, sizeof kMagic, kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    header.u32(kHeaderVersion, version);
    header.u32(kHeaderCount, count);
    header.u32(kHeaderLength, length);
    header.u32(kHeaderChecksum, checksum);
    const std::string_view payloadBytes = bytes.substr(kHeaderSize);
    if (version != kVersion || length != payloadBytes.size() || count > length / kSmallestFace
        || Checksum(payloadBytes) != checksum)
        return std::nullopt;

    const ByteReader payload(reinterpret_cast<const uint8_t*>(payloadBytes.data()), payloadBytes.size());
    std::vector<uint32_t> starts;
    starts.reserve(count);
    size_t pos = 0;
    Record previous, record;
    for (uint32_t i = 0; i < count; ++i) {
        starts.push_back(uint32_t(pos));
        if (!ReadRecord(payload, pos, record)
            || (i > 0 && !KeyBefore(previous.file, previous.index, record.file, record.index)))
            return std::nullopt;
        previous = record;
    }
    if (pos != payload.size())
        return std::nullopt;
    return std::make_pair(payloadBytes, std::move(starts));
}

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
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return StampFrom(info);
}

FolderStamper::~FolderStamper()
{
    for (const auto& [folder, fd] : folders_)
        if (fd >= 0)
            ::close(fd);
}

std::optional<FileStamp> FolderStamper::StampOf(const char* path)
{
    const std::string_view whole(path);
    const size_t slash = whole.rfind('/');
    struct stat info {};
    if (slash == std::string_view::npos || slash == 0)
        return ::StampOf(path);
    const std::string_view folder = whole.substr(0, slash);
    if (folder != lastFolder_) {
        auto opened = folders_.find(std::string(folder));
        if (opened == folders_.end()) {
            constexpr size_t kMostFolders = 256;
            if (folders_.size() >= kMostFolders)
                return ::StampOf(path);
            // O_PATH: a folder that may be searched but not listed still serves.
            const int fd = ::open(std::string(folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            opened = folders_.emplace(std::string(folder), fd).first;
        }
        lastFolder_ = opened->first;
        lastFd_ = opened->second;
    }
    if (lastFd_ < 0)
        return ::StampOf(path);
    if (::fstatat(lastFd_, path + slash + 1, &info, 0) != 0)
        return std::nullopt;
    return StampFrom(info);
}

std::string EncodeFaceCache(const CachedFaces& faces)
{
    // Key order, so that the same faces always give the same bytes.
    std::map<std::pair<std::string_view, int>, const CachedFace*> ordered;
    for (const auto& [key, face] : faces)
        if (!key.file.empty() && key.file.size() <= 0xFFFF && key.index >= 0
            && face.summary.os2.size() <= kMaxOS2Bytes)
            ordered.emplace(std::make_pair(std::string_view(key.file), key.index), &face);

    std::string payload;
    for (const auto& [key, face] : ordered) {
        const FileStamp& stamp = face->stamp;
        const FaceSummary& summary = face->summary;
        PutU16(payload, uint16_t(key.first.size()));
        payload += key.first;
        PutU32(payload, uint32_t(key.second));
        PutU64(payload, stamp.size);
        PutU64(payload, stamp.modifiedNs);
        PutU64(payload, stamp.changedNs);
        PutU64(payload, stamp.inode);
        PutU8(payload, uint8_t((summary.entered ? kEntered : 0) | (summary.hasOS2 ? kHasOS2 : 0)));
        PutU64(payload, summary.scriptCoverage);
        PutU32(payload, summary.coveredCount);
        PutU8(payload, uint8_t(summary.os2.size()));
        payload.append(summary.os2.begin(), summary.os2.end());
    }

    std::string file(kMagic, sizeof kMagic);
    PutU32(file, kVersion);
    PutU32(file, uint32_t(ordered.size()));
    PutU32(file, uint32_t(payload.size()));
    PutU32(file, Checksum(payload));
    return file + payload;
}

std::optional<CachedFaces> DecodeFaceCache(std::string_view bytes)
{
    const auto indexed = IndexFaceCache(bytes);
    if (!indexed)
        return std::nullopt;
    const auto& [payloadBytes, starts] = *indexed;
    const ByteReader payload(reinterpret_cast<const uint8_t*>(payloadBytes.data()), payloadBytes.size());
    CachedFaces faces;
    faces.reserve(starts.size());
    for (size_t pos : starts) {
        Record record;
        ReadRecord(payload, pos, record);
        faces.emplace(record.Key(), record.Face());
    }
    return faces;
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

    Record At(size_t face) const
    {
        Record record;
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
    const Record record = loaded_->At(face);
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
        const Record record = loaded_->At(face);
        const auto now = merged.find(record.Key());
        // Removed only as this run saw it; a newer reading stays.
        if (now != merged.end() && now->second == record.Face())
            merged.erase(now);
    }
    // What this run found stays, unless another process has read it anew.
    for (size_t face = 0; face < found_.size(); ++face) {
        if (found_[face]) {
            const Record record = loaded_->At(face);
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
