#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "ByteReader.h"

// The bytes of a font file as the directory parser sees them. The parser asks
// for the ranges it needs and reads nothing by itself, so that a caller can
// hand over a file piecemeal (its header, its table records, one table) or
// bytes that are already in memory.
class FontBytes {
public:
    virtual ~FontBytes() = default;
    // The file's size in bytes.
    virtual uint64_t Size() const = 0;
    // Exactly n bytes at offset into out, or false. The parser asks only for
    // ranges inside Size(), so a false answer is a failed read, not a short file.
    virtual bool Read(uint64_t offset, size_t n, uint8_t* out) const = 0;
};

// A font file held in memory.
class MemoryFontBytes : public FontBytes {
public:
    explicit MemoryFontBytes(ByteReader bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Read(uint64_t offset, size_t n, uint8_t* out) const override;

private:
    ByteReader bytes_;
};

// A table tag packed as its four characters read big-endian ('cmap' is
// 0x636D6170), as the table records store it.
constexpr uint32_t TableTag(const char tag[4])
{
    return (uint32_t(uint8_t(tag[0])) << 24) | (uint32_t(uint8_t(tag[1])) << 16)
        | (uint32_t(uint8_t(tag[2])) << 8) | uint32_t(uint8_t(tag[3]));
}

// One table of a face: its bytes are the length bytes at offset of the file.
struct TableRecord {
    uint32_t tag = 0;
    uint32_t offset = 0;
    uint32_t length = 0;
};

enum class DirectoryStatus {
    Found,       // the face's directory was read
    Missing,     // no such face, or a header or directory that lies past the file's end
    NotSfnt,     // not a TrueType/OpenType file or collection (perhaps a wrapped format)
    ReadFailed,  // the bytes were there but could not be read
};

// The table directory of one face of a font file: a single TrueType or
// OpenType font (face 0 only) or a face of a 'ttcf' collection.
//
// Rejected: a face index at or beyond the collection's numFonts, a collection
// offset or a directory whose 12-byte header or table records do not lie
// wholly inside the file. Tolerated: a numFonts far larger than the file could
// hold (only the asked face's offset is read, nothing is allocated for the
// rest); a record whose table lies partly or wholly outside the file is
// dropped as if the face had no such table, and the other records stay.
class FaceDirectory {
public:
    static DirectoryStatus Read(const FontBytes& file, uint32_t faceIndex, FaceDirectory& out);

    // The first record of that tag whose table lies inside the file.
    std::optional<TableRecord> Find(uint32_t tag) const;

    const std::vector<TableRecord>& Records() const { return records_; }

private:
    std::vector<TableRecord> records_;
};
