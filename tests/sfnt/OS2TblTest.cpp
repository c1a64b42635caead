#include "OS2Tbl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BigEndianBuilder.h"

namespace {

static_assert(sizeof(OS2Tbl) == 96, "the memcmp checks below need a record without padding");

OS2Tbl Parse(const std::vector<uint8_t>& bytes)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    return OS2Tbl(exact.get(), bytes.size());
}

// An OS/2 table of the given version and size whose every field holds a
// value of its own, so that a field read from the wrong offset shows.
std::vector<uint8_t> Table(uint16_t version, size_t size)
{
    BigEndianBuilder b;
    b.u16(version)          // version
        .u16(0x01F4)        // xAvgCharWidth 500
        .u16(0x0190)        // usWeightClass 400
        .u16(5)             // usWidthClass
        .u16(0x0008)        // fsType
        .u16s({11, 12, 13, 14, 15, 16, 17, 18})  // ySubscript*, ySuperscript*
        .u16(19)            // yStrikeoutSize
        .u16(20)            // yStrikeoutPosition
        .u16(0x0801);       // sFamilyClass
    for (uint8_t i = 0; i < 10; ++i)
        b.u8(uint8_t(0x20 + i));  // panose
    b.u32(0x00000001)       // ulUnicodeRange1: bit 0
        .u32(0x80000000)    // ulUnicodeRange2: bit 63
        .u32(0)             // ulUnicodeRange3
        .u32(0x00010000);   // ulUnicodeRange4: bit 112
    b.u8('V').u8('O').u8('R').u8('N');  // achVendID
    b.u16(0x0040)           // fsSelection REGULAR
        .u16(0x0020)        // usFirstCharIndex
        .u16(0x0897)        // usLastCharIndex
        .u16(1536)          // sTypoAscender
        .u16(0xFE00)        // sTypoDescender -512
        .u16(256)           // sTypoLineGap
        .u16(1536)          // usWinAscent
        .u16(512);          // usWinDescent
    b.u32(0x00000001)       // ulCodePageRange1
        .u32(0x00000002);   // ulCodePageRange2
    b.u16(1024)             // sxHeight
        .u16(1434)          // sCapHeight
        .u16(0)             // usDefaultChar
        .u16(0x20)          // usBreakChar
        .u16(3);            // usMaxContext
    while (b.size() < size)
        b.u8(0xEE);         // later versions' fields: must be ignored
    b.bytes.resize(size);
    return b.bytes;
}

TEST(OS2Table, FieldsUpToVersionZero)
{
    const OS2Tbl os2 = Parse(Table(0, 78));
    EXPECT_EQ(os2.xAvgCharWidth, 500);
    EXPECT_EQ(os2.usWeightClass, 400);  // bytes 0x01 0x90
    EXPECT_EQ(os2.usWidthClass, 5);
    EXPECT_EQ(os2.fsType, 8);
    EXPECT_EQ(os2.ySubscriptXSize, 11);
    EXPECT_EQ(os2.ySuperscriptYOffset, 18);
    EXPECT_EQ(os2.yStrikeoutPosition, 20);
    EXPECT_EQ(os2.sFamilyClass, 0x0801);
    EXPECT_EQ(os2.panose[0], 0x20);
    EXPECT_EQ(os2.panose[9], 0x29);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(os2.achVendID), 4), "VORN");
    EXPECT_EQ(os2.fsSelection, 0x40);
    EXPECT_EQ(os2.usFirstCharIndex, 0x20);
    EXPECT_EQ(os2.usLastCharIndex, 0x0897);
    EXPECT_EQ(os2.sTypoAscender, 1536);
    EXPECT_EQ(os2.sTypoDescender, -512);  // signed
    EXPECT_EQ(os2.sTypoLineGap, 256);
    EXPECT_EQ(os2.usWinAscent, 1536);
    EXPECT_EQ(os2.usWinDescent, 512);
}

TEST(OS2Table, RangesKeepTheStoredBytes)
{
    const OS2Tbl os2 = Parse(Table(2, 96));
    // Bit n lives in stored byte 4 * (n / 32) + 3 - (n % 32) / 8, mask 1 << (n % 8).
    auto bit = [&](int n) { return (os2.ulUnicodeRange[4 * (n / 32) + 3 - (n % 32) / 8] >> (n % 8)) & 1; };
    EXPECT_EQ(os2.ulUnicodeRange[3], 1);  // ulUnicodeRange1 = 1: bit 0 in byte 3
    EXPECT_EQ(bit(0), 1);
    EXPECT_EQ(bit(63), 1);
    EXPECT_EQ(bit(112), 1);
    EXPECT_EQ(bit(1), 0);
    EXPECT_EQ(os2.ulCodePageRange[3], 1);
    EXPECT_EQ(os2.ulCodePageRange[7], 2);
}

struct VersionCase {
    uint16_t version;
    size_t size;
    bool codePagesRead;
    bool version2FieldsRead;
};

class OS2Versions : public ::testing::TestWithParam<VersionCase> {};

TEST_P(OS2Versions, ReadsWhatTheVersionHasAndDefaultsTheRest)
{
    const VersionCase& row = GetParam();
    const OS2Tbl os2 = Parse(Table(row.version, row.size));
    EXPECT_EQ(os2.version, row.version);
    EXPECT_EQ(os2.usWinDescent, 512);
    const uint8_t zero[8] = {};
    EXPECT_EQ(std::memcmp(os2.ulCodePageRange, zero, 8) != 0, row.codePagesRead);
    if (row.version2FieldsRead) {
        EXPECT_EQ(os2.sxHeight, 1024);
        EXPECT_EQ(os2.sCapHeight, 1434);
        EXPECT_EQ(os2.usDefaultChar, 0);
        EXPECT_EQ(os2.usBreakChar, 0x20);
        EXPECT_EQ(os2.usMaxContext, 3);
    } else {
        EXPECT_EQ(os2.sxHeight, 0);
        EXPECT_EQ(os2.sCapHeight, 0);
        EXPECT_EQ(os2.usDefaultChar, 0);
        EXPECT_EQ(os2.usBreakChar, 0);
        EXPECT_EQ(os2.usMaxContext, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, OS2Versions,
                         ::testing::Values(VersionCase{0, 78, false, false},
                                           VersionCase{0, 96, false, false},  // bytes behind 77 ignored
                                           VersionCase{1, 86, true, false},
                                           VersionCase{2, 96, true, true},
                                           VersionCase{4, 96, true, true},
                                           VersionCase{5, 100, true, true}));

TEST(OS2Table, Version5BytesFrom96OnAreIgnored)
{
    std::vector<uint8_t> longer = Table(5, 110);
    const OS2Tbl whole = Parse(longer);
    longer.resize(96);
    const OS2Tbl cut = Parse(longer);
    EXPECT_EQ(std::memcmp(&whole, &cut, sizeof(OS2Tbl)), 0);
}

TEST(OS2Table, ShortTablesNeverReadPastTheirEnd)
{
    struct Row {
        const char* fault;
        uint16_t version;
        size_t size;
    };
    for (const Row& row : {Row{"empty table", 2, 0}, Row{"one byte", 2, 1}, Row{"version 2 ending inside usWinDescent", 2, 77},
                           Row{"version 1 ending inside the code pages", 1, 84},
                           Row{"version 2 ending inside usMaxContext", 2, 95}}) {
        SCOPED_TRACE(row.fault);
        const OS2Tbl os2 = Parse(Table(row.version, row.size));
        // A field cut by the end is 0, never a mix of table and foreign bytes.
        const uint8_t zero[8] = {};
        if (row.size < 86) {
            EXPECT_EQ(std::memcmp(os2.ulCodePageRange, zero, 8), 0);
        }
        if (row.size < 78) {
            EXPECT_EQ(os2.usWinDescent, 0);
        }
        if (row.size >= 76) {
            EXPECT_EQ(os2.usWinAscent, 1536);
        }
        if (row.size >= 2 && row.version >= 2) {
            EXPECT_EQ(os2.usMaxContext, 0);
        }
    }
}

TEST(OS2Table, DefaultIsAllZero)
{
    const OS2Tbl os2;
    const std::vector<uint8_t> zero(sizeof(OS2Tbl), 0);
    EXPECT_EQ(std::memcmp(&os2, zero.data(), sizeof(OS2Tbl)), 0);
}

}  // namespace
