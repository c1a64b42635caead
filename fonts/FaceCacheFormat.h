#pragma once

// The face cache's file format, for the cache itself: the records as the file
// holds them, read in place.
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "ByteReader.h"
#include "FaceCache.h"

// One face's record as the file holds it, its path and OS/2 bytes in place.
struct FaceRecord {
    std::string_view file;
    uint32_t index = 0;
    FileStamp stamp;
    uint8_t flags = 0;
    uint64_t scriptCoverage = 0;
    uint32_t coveredCount = 0;
    const uint8_t* os2 = nullptr;
    uint8_t os2Length = 0;

    FaceSummary Summary() const;
    CachedFace Face() const { return CachedFace{stamp, Summary()}; }
    FaceKey Key() const { return FaceKey{std::string(file), int(index)}; }
};

// The face's key at pos: its path and index, or nothing when they do not fit.
// Inline, as the next one: a lookup in the cache calls both a dozen times.
inline std::optional<std::pair<std::string_view, uint32_t>> KeyAt(const ByteReader& payload, size_t pos)
{
    uint16_t pathLength = 0;
    uint32_t index = 0;
    if (!payload.u16(pos, pathLength) || !payload.fits(pos + 2, pathLength)
        || !payload.u32(pos + 2 + size_t(pathLength), index))
        return std::nullopt;
    return std::make_pair(std::string_view(reinterpret_cast<const char*>(payload.data()) + pos + 2, pathLength), index);
}

// Reads one face at pos and moves pos behind it; false on any fault.
bool ReadRecord(const ByteReader& payload, size_t& pos, FaceRecord& record);

// The file's order of faces: paths byte by byte (as unsigned char, a proper
// prefix first), then the face index.
inline bool KeyBefore(std::string_view fileA, uint32_t indexA, std::string_view fileB, uint32_t indexB)
{
    const int order = fileA.compare(fileB);
    return order != 0 ? order < 0 : indexA < indexB;
}

// The payload of a cache file and where each face's record starts in it,
// after the whole file has been checked: header, checksum, every record, and
// the faces in strictly increasing key order, which also rules out a face
// twice. Nothing on any fault.
std::optional<std::pair<std::string_view, std::vector<uint32_t>>> IndexFaceCache(std::string_view bytes);
