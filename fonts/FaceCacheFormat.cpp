// The cache file, big-endian throughout:
//   header   magic "VornFace", version, face count, payload length, CRC-32 of
//            the payload (32 bits each after the magic)
//   payload  per face, in key order: path length (16 bits) and path, face
//            index (32), size, modification and change time in nanoseconds,
//            inode (64 each), flags (8: 1 entered, 2 has OS/2), script
//            coverage (64), covered count (32), OS/2 length (8) and bytes
#include "FaceCacheFormat.h"

#include <bit>
#include <map>

#include <zlib.h>

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

}  // namespace

FaceSummary FaceRecord::Summary() const
{
    FaceSummary summary;
    summary.entered = flags & kEntered;
    summary.hasOS2 = flags & kHasOS2;
    summary.scriptCoverage = scriptCoverage;
    summary.coveredCount = coveredCount;
    summary.os2.assign(os2, os2 + os2Length);
    return summary;
}

bool ReadRecord(const ByteReader& payload, size_t& pos, FaceRecord& record)
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
    FaceRecord previous, record;
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
        FaceRecord record;
        ReadRecord(payload, pos, record);
        faces.emplace(record.Key(), record.Face());
    }
    return faces;
}

