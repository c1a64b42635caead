#include "CmapTbl.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "BigEndianBuilder.h"

namespace {

using Mappings = std::vector<std::pair<uint16_t, uint16_t>>;  // (code, glyph)

// Parses a copy in a heap block of exactly the table's size, so that the
// sanitizer build catches any read past the end.
CmapTbl Parse(const std::vector<uint8_t>& bytes)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    return CmapTbl(exact.get(), bytes.size());
}

Mappings MappingsOf(const EncodingTable& table)
{
    Mappings out;
    for (const Encoding& mapping : table.mappings)
        out.emplace_back(mapping.code, mapping.glyph);
    return out;
}

// The mappings of the one table the parse must yield.
Mappings OnlyTable(const CmapTbl& cmap)
{
    EXPECT_EQ(cmap.tables.size(), 1u);
    if (cmap.tables.empty())
        return {};
    const EncodingTable& table = *cmap.tables.begin();
    EXPECT_EQ(table.platformID, 3);
    EXPECT_EQ(table.encodingID, 1);
    return MappingsOf(table);
}

constexpr uint32_t kFirstSubtable = 12;  // behind a header and one record

// A cmap whose single encoding record points at the subtable right behind it.
std::vector<uint8_t> OneRecord(const std::vector<uint8_t>& subtable, uint16_t platformID = 3,
                               uint16_t encodingID = 1)
{
    BigEndianBuilder b;
    b.u16(0)                // version
        .u16(1)             // numTables
        .u16(platformID)    // platformID
        .u16(encodingID)    // encodingID
        .u32(kFirstSubtable)  // offset
        .append(subtable);
    return b.bytes;
}

struct Segment {
    uint16_t startCode, endCode, idDelta, idRangeOffset;
};

// A format 4 subtable. idRangeOffset counts from its own entry: for segment i
// of n, 2 * (n - i) + 2 * k reaches entry k of glyphIdArray.
std::vector<uint8_t> Format4(const std::vector<Segment>& segments, const std::vector<uint16_t>& glyphIdArray = {})
{
    const uint16_t segCount = uint16_t(segments.size());
    BigEndianBuilder b;
    b.u16(4)                                   // format
        .u16(uint16_t(16 + 8 * segCount + 2 * glyphIdArray.size()))  // length
        .u16(0)                                // language
        .u16(uint16_t(2 * segCount))           // segCountX2
        .u16s({0, 0, 0});                      // searchRange, entrySelector, rangeShift
    for (const Segment& s : segments)
        b.u16(s.endCode);                      // endCode[]
    b.u16(0);                                  // reservedPad
    for (const Segment& s : segments)
        b.u16(s.startCode);                    // startCode[]
    for (const Segment& s : segments)
        b.u16(s.idDelta);                      // idDelta[]
    for (const Segment& s : segments)
        b.u16(s.idRangeOffset);                // idRangeOffset[]
    for (uint16_t glyph : glyphIdArray)
        b.u16(glyph);                          // glyphIdArray[]
    return b.bytes;
}

std::vector<uint8_t> Format6(uint16_t firstCode, const std::vector<uint16_t>& glyphs)
{
    BigEndianBuilder b;
    b.u16(6)                                   // format
        .u16(uint16_t(10 + 2 * glyphs.size()))  // length
        .u16(0)                                // language
        .u16(firstCode)                        // firstCode
        .u16(uint16_t(glyphs.size()));         // entryCount
    for (uint16_t glyph : glyphs)
        b.u16(glyph);                          // glyphIdArray[]
    return b.bytes;
}

// ---- Format 4 arithmetic ---------------------------------------------------

struct Format4Case {
    const char* fault;
    std::vector<Segment> segments;
    std::vector<uint16_t> glyphIdArray;
    Mappings expected;
};

class Format4Arithmetic : public ::testing::TestWithParam<Format4Case> {};

TEST_P(Format4Arithmetic, MapsExactlyTheExpectedCodes)
{
    const Format4Case& row = GetParam();
    SCOPED_TRACE(row.fault);
    EXPECT_EQ(OnlyTable(Parse(OneRecord(Format4(row.segments, row.glyphIdArray)))), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Format4Arithmetic,
    ::testing::Values(
        Format4Case{"idDelta must wrap modulo 65536; the 0xFFFF end segment maps nothing",
                    {{0x41, 0x43, 0xFFC3, 0}, {0xFFFF, 0xFFFF, 1, 0}},
                    {},
                    {{0x41, 4}, {0x42, 5}, {0x43, 6}}},
        Format4Case{"a code whose c + idDelta wraps to 0 must be dropped",
                    {{0x10, 0x12, 0xFFEF, 0}, {0xFFFF, 0xFFFF, 1, 0}},
                    {},
                    {{0x10, 0xFFFF}, {0x12, 1}}},
        Format4Case{"a glyph array entry of 0 drops the code even with an idDelta",
                    {{0x20, 0x22, 5, 4}, {0xFFFF, 0xFFFF, 1, 0}},
                    {7, 0, 9},
                    {{0x20, 12}, {0x22, 14}}},
        Format4Case{"glyph array value + idDelta wraps, and a wrap to 0 drops the code",
                    {{0x30, 0x31, 2, 4}, {0xFFFF, 0xFFFF, 1, 0}},
                    {0xFFFF, 0xFFFE},
                    {{0x30, 1}}},
        Format4Case{"idRangeOffset counts from its own entry, not the array's start",
                    {{0x41, 0x41, 0, 0}, {0x42, 0x43, 0, 2}},
                    {8, 9},
                    {{0x41, 0x41}, {0x42, 8}, {0x43, 9}}},
        Format4Case{"overlapping segments: the first segment in the table wins",
                    {{0x50, 0x52, 10, 0}, {0x40, 0x55, 100, 0}, {0xFFFF, 0xFFFF, 1, 0}},
                    {},
                    {{0x40, 0xA4}, {0x41, 0xA5}, {0x42, 0xA6}, {0x43, 0xA7}, {0x44, 0xA8}, {0x45, 0xA9},
                     {0x46, 0xAA}, {0x47, 0xAB}, {0x48, 0xAC}, {0x49, 0xAD}, {0x4A, 0xAE}, {0x4B, 0xAF},
                     {0x4C, 0xB0}, {0x4D, 0xB1}, {0x4E, 0xB2}, {0x4F, 0xB3}, {0x50, 0x5A}, {0x51, 0x5B},
                     {0x52, 0x5C}, {0x53, 0xB7}, {0x54, 0xB8}, {0x55, 0xB9}}},
        Format4Case{"a segment with startCode above endCode adds nothing",
                    {{0x60, 0x5F, 1, 0}, {0x61, 0x61, 1, 0}},
                    {},
                    {{0x61, 0x62}}},
        Format4Case{"a segment running into 0xFFFF must stop before it (no endless 16-bit loop)",
                    {{0xFFFD, 0xFFFF, 5, 0}},
                    {},
                    {{0xFFFD, 2}, {0xFFFE, 3}}},
        Format4Case{"segments given in descending code order still yield ascending mappings",
                    {{0x90, 0x90, 1, 0}, {0x70, 0x71, 1, 0}},
                    {},
                    {{0x70, 0x71}, {0x71, 0x72}, {0x90, 0x91}}}));

// ---- Records, other formats, the error -----------------------------------

TEST(CmapRecords, NumTablesZeroYieldsNoTables)
{
    const CmapTbl cmap = Parse(BigEndianBuilder().u16(7).u16(0).bytes);  // version, numTables
    EXPECT_EQ(cmap.version, 7);
    EXPECT_TRUE(cmap.tables.empty());
}

TEST(CmapRecords, OnlyTheWindowsUnicodeBmpRecordIsTakenIn)
{
    struct Row {
        const char* fault;
        std::vector<std::pair<uint16_t, uint16_t>> records;
        bool expectTable;
    };
    const std::vector<Row> rows = {
        {"(0, 3) before (3, 1) must not shadow it", {{0, 3}, {3, 1}}, true},
        {"a symbol font's (3, 0) is not Unicode", {{3, 0}}, false},
        {"(0, 4) and (3, 10) are passed over", {{0, 4}, {3, 10}}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        const auto subtable = Format6(0x41, {2});
        BigEndianBuilder b;
        b.u16(0).u16(uint16_t(row.records.size()));  // version, numTables
        const uint32_t offset = uint32_t(4 + 8 * row.records.size());
        for (auto [platformID, encodingID] : row.records)
            b.u16(platformID).u16(encodingID).u32(offset);  // every record shares the subtable
        b.append(subtable);
        const CmapTbl cmap = Parse(b.bytes);
        if (row.expectTable)
            EXPECT_EQ(OnlyTable(cmap), (Mappings{{0x41, 2}}));
        else
            EXPECT_TRUE(cmap.tables.empty());
    }
}

TEST(CmapFormats, Format0MapsOnlyNonZeroBytes)
{
    BigEndianBuilder b;
    b.u16(0).u16(262).u16(0);  // format, length, language
    b.zeros(256);
    b.bytes[6 + 0x41] = 3;     // glyphIdArray[0x41]
    const CmapTbl cmap = Parse(OneRecord(b.bytes));
    ASSERT_EQ(cmap.tables.size(), 1u);
    EXPECT_EQ(cmap.tables.begin()->format, 0);
    EXPECT_EQ(OnlyTable(cmap), (Mappings{{0x41, 3}}));
}

TEST(CmapFormats, Format6SkipsZeroEntries)
{
    const CmapTbl cmap = Parse(OneRecord(Format6(0x0860, {5, 0, 7})));
    EXPECT_EQ(OnlyTable(cmap), (Mappings{{0x0860, 5}, {0x0862, 7}}));
}

TEST(CmapFormats, Format6RangePastFFFFStopsThere)
{
    EXPECT_EQ(OnlyTable(Parse(OneRecord(Format6(0xFFFE, {1, 2, 3, 4})))), (Mappings{{0xFFFE, 1}, {0xFFFF, 2}}));
}

TEST(CmapFormats, LanguageIsKept)
{
    auto subtable = Format6(0x41, {2});
    subtable[5] = 9;  // language low byte
    const CmapTbl cmap = Parse(OneRecord(subtable));
    ASSERT_EQ(cmap.tables.size(), 1u);
    EXPECT_EQ(cmap.tables.begin()->language, 9);
}

TEST(CmapRecords, SecondWindowsUnicodeRecordIsDropped)
{
    const auto first = Format6(0x41, {2});
    const auto second = Format6(0x50, {3});
    BigEndianBuilder b;
    b.u16(0).u16(2)                                  // version, numTables
        .u16(3).u16(1).u32(20)                       // record 1 -> first
        .u16(3).u16(1).u32(20 + uint32_t(first.size()))  // record 2 -> second
        .append(first)
        .append(second);
    EXPECT_EQ(OnlyTable(Parse(b.bytes)), (Mappings{{0x41, 2}}));
}

TEST(CmapErrors, UnreadableWindowsUnicodeFormatThrowsMinusOne)
{
    struct Row {
        const char* fault;
        uint16_t format;
    };
    for (const Row& row : {Row{"format 2 (CJK high-byte) is not read", 2}, Row{"format 12 is not read", 12},
                           Row{"format 13", 13}}) {
        SCOPED_TRACE(row.fault);
        const auto bytes = OneRecord(BigEndianBuilder().u16(row.format).u16(0).u16(0).zeros(16).bytes);
        try {
            Parse(bytes);
            ADD_FAILURE() << "no exception";
        } catch (int error) {
            EXPECT_EQ(error, -1);
        }
    }
}

TEST(CmapErrors, SecondWindowsUnicodeRecordOfUnreadableFormatStillThrows)
{
    const auto first = Format6(0x41, {2});
    BigEndianBuilder b;
    b.u16(0).u16(2)                                  // version, numTables
        .u16(3).u16(1).u32(20)                       // record 1 -> format 6
        .u16(3).u16(1).u32(20 + uint32_t(first.size()))  // record 2 -> format 12  <--
        .append(first)
        .u16(12).u16(0).u16(0).zeros(16);
    EXPECT_THROW(Parse(b.bytes), int);
}

TEST(CmapErrors, OtherPlatformsMayUseAnyFormat)
{
    const auto bytes = OneRecord(BigEndianBuilder().u16(12).u16(0).u16(0).zeros(16).bytes, 3, 10);
    EXPECT_NO_THROW(EXPECT_TRUE(Parse(bytes).tables.empty()));
}

// ---- Tables that point or count past their end ---------------------------
// Policy under test: a read that would leave the bytes ends that subtable,
// keeping what was read; a record that does not fit ends the record list; a
// subtable header that does not fit makes the record count as absent.

struct LyingCase {
    const char* fault;
    std::vector<uint8_t> bytes;
    bool expectTable;
    Mappings expected;
};

std::vector<LyingCase> LyingCases()
{
    std::vector<LyingCase> rows;
    rows.push_back({"zero-length table", {}, false, {}});
    rows.push_back({"table ends inside numTables", BigEndianBuilder().u16(0).u8(1).bytes, false, {}});
    {
        BigEndianBuilder b;
        b.u16(0).u16(0xFFFF)        // version, numTables  <-- 65535 records claimed, one present
            .u16(3).u16(1).u32(12)  // the (3, 1) record
            .append(Format6(0x41, {2}));
        rows.push_back({"numTables larger than the records present", b.bytes, true, {{0x41, 2}}});
    }
    {
        BigEndianBuilder b;
        b.u16(0).u16(1).u16(3).u16(1)
            .u32(0xFFFFFFF0);  // offset  <-- far past the end
        rows.push_back({"subtable offset past the end", b.bytes, false, {}});
    }
    {
        BigEndianBuilder b;
        b.u16(0).u16(1).u16(3).u16(1)
            .u32(12)           // offset  <-- only 4 header bytes there
            .u16(4).u16(0);    // format, length; language missing
        rows.push_back({"subtable header cut short", b.bytes, false, {}});
    }
    {
        BigEndianBuilder b;
        b.u16(4).u16(14).u16(0);  // format, length, language; segCountX2 missing  <--
        rows.push_back({"format 4 ends before segCountX2", OneRecord(b.bytes), true, {}});
    }
    {
        BigEndianBuilder b;
        b.u16(4).u16(24).u16(0)
            .u16(0xFFFE)             // segCountX2  <-- 32767 segments claimed
            .u16s({0, 0, 0})         // searchRange, entrySelector, rangeShift
            .u16(0x41).u16(0)        // endCode[0], reservedPad (if it were one segment)
            .u16(0x41).u16(1).u16(0);  // startCode, idDelta, idRangeOffset
        rows.push_back({"format 4 segCountX2 counts past the end", OneRecord(b.bytes), true, {}});
    }
    {
        // Two segments; the second reads the glyph array, which holds one
        // entry where three are needed.
        auto subtable = Format4({{0x41, 0x41, 1, 0}, {0x50, 0x52, 0, 2}}, {7});
        rows.push_back({"format 4 glyph array shorter than the segment", OneRecord(subtable), true,
                        {{0x41, 0x42}, {0x50, 7}}});
    }
    {
        auto subtable = Format4({{0x41, 0x41, 1, 0}, {0x50, 0x50, 0, 0xFFFF}});  // idRangeOffset[1]  <-- past the end
        rows.push_back({"format 4 idRangeOffset points past the end", OneRecord(subtable), true, {{0x41, 0x42}}});
    }
    {
        BigEndianBuilder b;
        b.u16(4).u16(0).u16(0)
            .u16(3)                  // segCountX2  <-- odd: one segment, rounded down
            .u16s({0, 0, 0})
            .u16(0x41)               // endCode[0]
            .u16(0)                  // reservedPad
            .u16(0x41)               // startCode[0]
            .u16(1)                  // idDelta[0]
            .u16(0);                 // idRangeOffset[0]
        rows.push_back({"format 4 odd segCountX2", OneRecord(b.bytes), true, {{0x41, 0x42}}});
    }
    {
        BigEndianBuilder b;
        b.u16(6).u16(0).u16(0)
            .u16(0x0860)             // firstCode
            .u16(0xFFFF)             // entryCount  <-- two entries present
            .u16(5).u16(6);
        rows.push_back({"format 6 entryCount past the end", OneRecord(b.bytes), true, {{0x0860, 5}, {0x0861, 6}}});
    }
    {
        BigEndianBuilder b;
        b.u16(0).u16(262).u16(0).zeros(0x42);  // glyphIdArray  <-- 0x42 of 256 bytes present
        b.bytes[6 + 0x41] = 3;
        rows.push_back({"format 0 cut short", OneRecord(b.bytes), true, {{0x41, 3}}});
    }
    {
        // The first (3, 1) subtable is cut by the end of the table; it still
        // counts as the first and keeps out the complete second one.
        const auto second = Format6(0x70, {9});
        BigEndianBuilder b;
        b.u16(0).u16(2)
            .u16(3).u16(1).u32(20 + uint32_t(second.size()))  // record 1 -> the cut subtable at the end
            .u16(3).u16(1).u32(20)                            // record 2 -> a complete one
            .append(second)
            .u16(6).u16(14).u16(0).u16(0x60)
            .u16(2)                                           // entryCount  <-- one entry present
            .u16(4);
        rows.push_back({"a cut first (3, 1) subtable still wins", b.bytes, true, {{0x60, 4}}});
    }
    return rows;
}

class LyingTables : public ::testing::TestWithParam<LyingCase> {};

TEST_P(LyingTables, StayInsideTheBytesAndKeepWhatWasRead)
{
    const LyingCase& row = GetParam();
    SCOPED_TRACE(row.fault);
    const CmapTbl cmap = Parse(row.bytes);
    if (row.expectTable)
        EXPECT_EQ(OnlyTable(cmap), row.expected);
    else
        EXPECT_TRUE(cmap.tables.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, LyingTables, ::testing::ValuesIn(LyingCases()));

TEST(LyingTablesNull, NullPointerWithSizeIsEmpty)
{
    const CmapTbl cmap(nullptr, 100);
    EXPECT_TRUE(cmap.tables.empty());
}

}  // namespace
