// Reads an OS/2 table as far as version 2 (96 bytes); later versions' fields
// behind byte 95 are ignored and any version of 2 or more is read as 2.
// The size is not compared with the version. A field that does not lie wholly
// inside the given bytes is left 0 (a short table never makes the reader read
// past its end); the version 0 and 1 defaults below apply whatever the size.
#include "OS2Tbl.h"

#include <cstring>

#include "ByteReader.h"

namespace {

constexpr size_t kPanose = 32;
constexpr size_t kUnicodeRange = 42;
constexpr size_t kVendID = 58;
constexpr size_t kFsSelection = 62;
constexpr size_t kCodePageRange = 78;
constexpr size_t kSxHeight = 86;

void Read(const ByteReader& table, size_t pos, uint16_t& field)
{
    table.u16(pos, field);
}

void Read(const ByteReader& table, size_t pos, int16_t& field)
{
    uint16_t raw = 0;
    if (table.u16(pos, raw))
        field = int16_t(raw);
}

template <size_t N>
void Read(const ByteReader& table, size_t pos, uint8_t (&field)[N])
{
    if (table.fits(pos, N))
        std::memcpy(field, table.data() + pos, N);
}

}  // namespace

OS2Tbl::OS2Tbl(const uint8_t* data, size_t size)
{
    const ByteReader table(data, size);
    Read(table, 0, version);
    Read(table, 2, xAvgCharWidth);
    Read(table, 4, usWeightClass);
    Read(table, 6, usWidthClass);
    Read(table, 8, fsType);
    Read(table, 10, ySubscriptXSize);
    Read(table, 12, ySubscriptYSize);
    Read(table, 14, ySubscriptXOffset);
    Read(table, 16, ySubscriptYOffset);
    Read(table, 18, ySuperscriptXSize);
    Read(table, 20, ySuperscriptYSize);
    Read(table, 22, ySuperscriptXOffset);
    Read(table, 24, ySuperscriptYOffset);
    Read(table, 26, yStrikeoutSize);
    Read(table, 28, yStrikeoutPosition);
    Read(table, 30, sFamilyClass);
    Read(table, kPanose, panose);
    Read(table, kUnicodeRange, ulUnicodeRange);
    Read(table, kVendID, achVendID);
    Read(table, kFsSelection, fsSelection);
    Read(table, 64, usFirstCharIndex);
    Read(table, 66, usLastCharIndex);
    Read(table, 68, sTypoAscender);
    Read(table, 70, sTypoDescender);
    Read(table, 72, sTypoLineGap);
    Read(table, 74, usWinAscent);
    Read(table, 76, usWinDescent);
    if (version >= 1)
        Read(table, kCodePageRange, ulCodePageRange);
    if (version >= 2) {
        Read(table, kSxHeight, sxHeight);
        Read(table, 88, sCapHeight);
        Read(table, 90, usDefaultChar);
        Read(table, 92, usBreakChar);
        Read(table, 94, usMaxContext);
    } else {
        usMaxContext = 1;  // older tables predate the field; one character of context
    }
}
