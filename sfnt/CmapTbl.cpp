// Reads the Windows Unicode BMP subtable (platform 3, encoding 1) of a cmap
// table in formats 0, 4 and 6; every other subtable is passed over, and a
// (3, 1) subtable in another format throws -1.
//
// Tolerated: any `version`, `length` and `reservedPad`; an odd `segCountX2`
// (rounded down); a missing 0xFFFF end segment.
// Bounds: nothing is read outside the given bytes, and nothing that the table
// claims is trusted against them. A read that would leave the bytes ends the
// subtable being read: the mappings read before it are kept and the subtable
// is entered, as if the table ended there. An encoding record that does not
// fit ends the record list. A subtable whose 6-byte header does not fit is
// passed over, its format being unknown.
// Quirk kept on purpose: a second (3, 1) record in a format this parser
// cannot read still throws, although the first record's table would win.
#include "CmapTbl.h"

#include <bitset>
#include <vector>

#include "ByteReader.h"

namespace {

constexpr uint16_t kPlatformWindows = 3;
constexpr uint16_t kEncodingUnicodeBmp = 1;

constexpr size_t kHeaderNumTables = 2;
constexpr size_t kFirstRecord = 4;
constexpr size_t kRecordSize = 8;
constexpr size_t kRecordEncodingID = 2;
constexpr size_t kRecordOffset = 4;

// Subtable fields, counted from the subtable's start.
constexpr size_t kSubtableLength = 2;
constexpr size_t kSubtableLanguage = 4;
constexpr size_t kFormat0Glyphs = 6;
constexpr size_t kFormat0Count = 256;
constexpr size_t kFormat4SegCountX2 = 6;
constexpr size_t kFormat4EndCodes = 14;
constexpr size_t kFormat6FirstCode = 6;
constexpr size_t kFormat6EntryCount = 8;
constexpr size_t kFormat6Glyphs = 10;

void ReadFormat0(const ByteReader& table, size_t subtable, EncodingTable& out)
{
    for (size_t code = 0; code < kFormat0Count; ++code) {
        uint8_t glyph = 0;
        if (!table.u8(subtable + kFormat0Glyphs + code, glyph))
            return;
        if (glyph != 0)
            out.mappings.insert(Encoding{uint16_t(code), glyph});
    }
}

void ReadFormat4(const ByteReader& table, size_t subtable, EncodingTable& out)
{
    uint16_t segCountX2 = 0;
    if (!table.u16(subtable + kFormat4SegCountX2, segCountX2))
        return;
    const size_t segCount = segCountX2 / 2;
    const size_t endCodes = subtable + kFormat4EndCodes;
    const size_t startCodes = endCodes + 2 * segCount + 2;  // behind reservedPad
    const size_t idDeltas = startCodes + 2 * segCount;
    const size_t idRangeOffsets = idDeltas + 2 * segCount;

    // Segments may overlap; the first one to cover a code keeps it.
    std::bitset<65536> seen;
    std::vector<Encoding> found;
    for (size_t i = 0; i < segCount; ++i) {
        uint16_t endCode = 0, startCode = 0, idDelta = 0, idRangeOffset = 0;
        const size_t idRangeOffsetPos = idRangeOffsets + 2 * i;
        if (!table.u16(endCodes + 2 * i, endCode) || !table.u16(startCodes + 2 * i, startCode)
            || !table.u16(idDeltas + 2 * i, idDelta) || !table.u16(idRangeOffsetPos, idRangeOffset))
            break;
        bool truncated = false;
        for (uint32_t c = startCode; c <= endCode; ++c) {
            if (c == 0xFFFF)
                break;  // never mapped, even when the last segment maps it
            uint16_t glyph = 0;
            if (idRangeOffset == 0) {
                glyph = uint16_t(c + idDelta);
            } else {
                const size_t at = idRangeOffsetPos + idRangeOffset + 2 * size_t(c - startCode);
                if (!table.u16(at, glyph)) {
                    truncated = true;
                    break;
                }
                if (glyph != 0)
                    glyph = uint16_t(glyph + idDelta);
            }
            if (glyph != 0 && !seen[c]) {
                seen[c] = true;
                found.push_back(Encoding{uint16_t(c), glyph});
            }
        }
        if (truncated)
            break;
    }
    out.mappings.assign(std::move(found));
}

void ReadFormat6(const ByteReader& table, size_t subtable, EncodingTable& out)
{
    uint16_t firstCode = 0, entryCount = 0;
    if (!table.u16(subtable + kFormat6FirstCode, firstCode) || !table.u16(subtable + kFormat6EntryCount, entryCount))
        return;
    // A range that would run past 0xFFFF stops there.
    for (uint32_t i = 0; i < entryCount && firstCode + i <= 0xFFFF; ++i) {
        uint16_t glyph = 0;
        if (!table.u16(subtable + kFormat6Glyphs + 2 * size_t(i), glyph))
            return;
        if (glyph != 0)
            out.mappings.insert(Encoding{uint16_t(firstCode + i), glyph});
    }
}

}  // namespace

CmapTbl::CmapTbl(const uint8_t* data, size_t size)
{
    const ByteReader table(data, size);
    uint16_t numTables = 0;
    if (!table.u16(0, version) || !table.u16(kHeaderNumTables, numTables))
        return;

    for (size_t record = 0; record < numTables; ++record) {
        const size_t at = kFirstRecord + record * kRecordSize;
        uint16_t platformID = 0, encodingID = 0;
        uint32_t offset = 0;
        if (!table.u16(at, platformID) || !table.u16(at + kRecordEncodingID, encodingID)
            || !table.u32(at + kRecordOffset, offset))
            break;
        if (platformID != kPlatformWindows || encodingID != kEncodingUnicodeBmp)
            continue;

        EncodingTable subtable;
        subtable.platformID = platformID;
        subtable.encodingID = encodingID;
        uint16_t length = 0;  // not kept, not trusted
        if (!table.u16(offset, subtable.format) || !table.u16(offset + kSubtableLength, length)
            || !table.u16(offset + kSubtableLanguage, subtable.language))
            continue;

        // A second (3, 1) record loses to the first, so its mappings are not read.
        if (tables.contains(subtable)) {
            if (subtable.format != 0 && subtable.format != 4 && subtable.format != 6)
                throw -1;
            continue;
        }
        switch (subtable.format) {
        case 0:
            ReadFormat0(table, offset, subtable);
            break;
        case 4:
            ReadFormat4(table, offset, subtable);
            break;
        case 6:
            ReadFormat6(table, offset, subtable);
            break;
        default:
            throw -1;
        }
        tables.insert(std::move(subtable));
    }
}
