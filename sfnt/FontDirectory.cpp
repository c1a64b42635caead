#include "FontDirectory.h"

#include <cstring>

namespace {

constexpr uint32_t kTagCollection = 0x74746366;  // 'ttcf'
constexpr uint32_t kSfntTrueType = 0x00010000;
constexpr uint32_t kSfntOpenType = 0x4F54544F;  // 'OTTO'
constexpr uint32_t kSfntApple = 0x74727565;     // 'true'

// Collection header: ttcTag, majorVersion, minorVersion, numFonts, then one
// 32-bit offset per face.
constexpr size_t kCollectionNumFonts = 8;
constexpr size_t kCollectionOffsets = 12;
// Offset table: sfntVersion, numTables, searchRange, entrySelector, rangeShift.
constexpr size_t kOffsetTableSize = 12;
constexpr size_t kOffsetTableNumTables = 4;
// Table record: tableTag, checksum, offset, length.
constexpr size_t kTableRecordSize = 16;
constexpr size_t kRecordOffset = 8;
constexpr size_t kRecordLength = 12;

bool IsSfnt(uint32_t signature)
{
    return signature == kSfntTrueType || signature == kSfntOpenType || signature == kSfntApple;
}

bool Fits(const FontBytes& file, uint64_t offset, uint64_t n)
{
    const uint64_t size = file.Size();
    return offset <= size && n <= size - offset;
}

}  // namespace

bool MemoryFontBytes::Read(uint64_t offset, size_t n, uint8_t* out) const
{
    if (offset > bytes_.size() || !bytes_.fits(size_t(offset), n))
        return false;
    if (n)
        std::memcpy(out, bytes_.data() + offset, n);
    return true;
}

DirectoryStatus FaceDirectory::Read(const FontBytes& file, uint32_t faceIndex, FaceDirectory& out)
{
    out.records_.clear();
    uint8_t header[kOffsetTableSize];
    if (!Fits(file, 0, sizeof header))
        return DirectoryStatus::NotSfnt;
    if (!file.Read(0, sizeof header, header))
        return DirectoryStatus::ReadFailed;
    uint32_t signature = 0;
    ByteReader(header, sizeof header).u32(0, signature);

    uint64_t directory = 0;
    if (signature == kTagCollection) {
        uint32_t numFonts = 0;
        ByteReader(header, sizeof header).u32(kCollectionNumFonts, numFonts);
        const uint64_t offsetAt = kCollectionOffsets + 4 * uint64_t(faceIndex);
        if (faceIndex >= numFonts || !Fits(file, offsetAt, 4))
            return DirectoryStatus::Missing;
        uint8_t offset[4];
        if (!file.Read(offsetAt, sizeof offset, offset))
            return DirectoryStatus::ReadFailed;
        uint32_t at = 0;
        ByteReader(offset, sizeof offset).u32(0, at);
        directory = at;
        if (!Fits(file, directory, sizeof header))
            return DirectoryStatus::Missing;
        if (!file.Read(directory, sizeof header, header))
            return DirectoryStatus::ReadFailed;
        ByteReader(header, sizeof header).u32(0, signature);
    } else if (faceIndex != 0) {
        return IsSfnt(signature) ? DirectoryStatus::Missing : DirectoryStatus::NotSfnt;
    }
    if (!IsSfnt(signature))
        return DirectoryStatus::NotSfnt;

    uint16_t numTables = 0;
    ByteReader(header, sizeof header).u16(kOffsetTableNumTables, numTables);
    // At most 65535 records of 16 bytes, and only once the file is known to
    // hold them all.
    const uint64_t recordsAt = directory + kOffsetTableSize;
    const size_t recordBytes = size_t(numTables) * kTableRecordSize;
    if (!Fits(file, recordsAt, recordBytes))
        return DirectoryStatus::Missing;
    std::vector<uint8_t> records(recordBytes);
    if (recordBytes && !file.Read(recordsAt, recordBytes, records.data()))
        return DirectoryStatus::ReadFailed;

    const ByteReader reader(records.data(), records.size());
    out.records_.reserve(numTables);
    for (size_t at = 0; at < recordBytes; at += kTableRecordSize) {
        TableRecord record;
        reader.u32(at, record.tag);
        reader.u32(at + kRecordOffset, record.offset);
        reader.u32(at + kRecordLength, record.length);
        if (Fits(file, record.offset, record.length))
            out.records_.push_back(record);
    }
    return DirectoryStatus::Found;
}

std::optional<TableRecord> FaceDirectory::Find(uint32_t tag) const
{
    for (const TableRecord& record : records_)
        if (record.tag == tag)
            return record;
    return std::nullopt;
}
