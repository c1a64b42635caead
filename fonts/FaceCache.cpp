// The cache file, big-endian throughout:
//   header   magic "VornFace", version, face count, payload length, CRC-32 of
//            the payload (32 bits each after the magic)
//   payload  per face, in key order: path length (16 bits) and path, face
//            index (32), size, modification and change time in nanoseconds,
//            inode (64 each), flags (8: 1 entered, 2 has OS/2), script
//            coverage (64), covered count (32), OS/2 length (8) and bytes
#include "FaceCache.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
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

// What was at the cache's name, or nothing when it is missing, not a regular
// file or too large to be a cache.
std::optional<std::string> ReadCacheFile(const std::string& path)
{
    ReadResult read = ReadWholeFile(path, kMaxFileSize);
    if (read.status != ReadStatus::Ok)
        return std::nullopt;
    return std::move(read.bytes);
}

// The cache is the program's own: whatever entry was planted under its name
// is replaced, never followed, and a file made read-only is replaced too.
ReplaceOptions CacheReplaceOptions()
{
    ReplaceOptions options;
    options.newFileMode = 0600;
    options.followSymlinks = false;
    options.replaceNonRegular = true;
    options.keepReadOnly = false;
    return options;
}

}  // namespace

size_t FaceKeyHash::operator()(const FaceKey& key) const
{
    return std::hash<std::string>()(key.file) ^ (size_t(key.index) * 0x9E3779B97F4A7C15ull);
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

// The cache file as read, in memory of the process's own: a file mapped
// instead would change under the checked bytes when another program writes
// into it (a copy, dd), and fault when it is truncated.
struct FaceCache::Loaded {
    std::string bytes;
    ByteReader payload{nullptr, 0};
    std::vector<uint32_t> starts;  // of each face's record in the payload, in key order

    Record At(size_t face) const
    {
        Record record;
        size_t pos = starts[face];
        ReadRecord(payload, pos, record);
        return record;
    }

    static std::unique_ptr<Loaded> Read(const std::string& path)
    {
        auto loaded = std::make_unique<Loaded>();
        std::optional<std::string> bytes = ReadCacheFile(path);
        if (!bytes)
            return nullptr;
        loaded->bytes = std::move(*bytes);
        auto indexed = IndexFaceCache(loaded->bytes);
        if (!indexed)
            return nullptr;
        loaded->payload = ByteReader(reinterpret_cast<const uint8_t*>(indexed->first.data()), indexed->first.size());
        loaded->starts = std::move(indexed->second);
        return loaded;
    }
};

FaceCache::FaceCache(std::string folder) : folder_(std::move(folder)), loaded_(Loaded::Read(folder_ + "/" + FileName))
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
    const FolderLock lock(folder_, kLockName);
    if (!lock.held())
        return false;

    // Another process may have saved since this one read the file: its faces
    // stay, and this run's changes go on top of them.
    const std::string path = folder_ + "/" + FileName;
    const std::optional<std::string> current = ReadCacheFile(path);
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
    return ReplaceFile(path, bytes, CacheReplaceOptions()).ok();
}
