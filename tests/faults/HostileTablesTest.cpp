// Broken font bytes: inputs that the fuzzers found, every truncation of real
// tables, and font files whose table directory lies. None may be read past its
// end, and none may make the reader allocate what the file does not hold.
#include <gtest/gtest.h>

#include <cstdint>
#include <dirent.h>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "CmapTbl.h"
#include "FontPlatform.h"
#include "FontTables.h"
#include "OS2Tbl.h"
#include "PeakMemory.h"

namespace {

const std::string kFonts = VORN_HOSTILE_FONTS_DIR;

// Parses from a heap block of exactly the given size, so that the sanitizer
// build sees a read one byte past the end.
template <class Table>
Table ParseExact(const std::vector<uint8_t>& bytes, size_t size)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size == 0 ? 1 : size]);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size), exact.get());
    return Table(size == 0 ? nullptr : exact.get(), size);
}

std::map<uint16_t, uint16_t> MappingsOf(const CmapTbl& cmap)
{
    std::map<uint16_t, uint16_t> out;
    for (const EncodingTable& table : cmap.tables)
        for (const Encoding& mapping : table.mappings)
            out[mapping.code] = mapping.glyph;
    return out;
}

std::vector<uint8_t> TableOf(const std::string& file, const char tag[4])
{
    const auto bytes = ReadFontTable(FaceSource{kFonts + "/" + file, 0}, tag);
    return bytes ? *bytes : std::vector<uint8_t>{};
}

// fuzz_cmap, first minutes: a format 4 subtable whose closing 0xFFFF segment
// has idDelta 0. Code 0xFFFF must never be mapped, and the segments before it
// keep their mappings.
TEST(FuzzFindings, CmapClosingSegmentWithZeroDelta)
{
    const std::vector<uint8_t> bytes = {
        0x00, 0x00, 0x00, 0x04,                          // version 0, numTables 4
        0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x24,  // (0, 3) at 36
        0x03, 0x00, 0x00, 0xfc, 0x00, 0x00, 0x00, 0x64,  // (768, 252) at 100
        0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x24,  // (3, 1) at 36
        0x00, 0x03, 0x00, 0x0a, 0x00, 0x00, 0x00, 0x64,  // (3, 10) at 100
        0x00, 0x04, 0x00, 0x40, 0x00, 0x00,              // format 4, length 64, language 0
        0x00, 0x0c, 0x00, 0x08, 0x00, 0x02, 0x00, 0x04,  // segCountX2 12, search fields
        0x00, 0x00, 0x00, 0x0d, 0x00, 0x20, 0x00, 0xa0, 0x20, 0x0d, 0xff, 0xff,  // endCode
        0x00, 0x00,                                                              // reservedPad
        0x00, 0x00, 0x00, 0x0d, 0x00, 0x20, 0x00, 0xa0, 0x20, 0x0d, 0xff, 0xff,  // startCode
        0x00, 0x01, 0xff, 0xf5, 0xff, 0xe3, 0xff, 0x64, 0xdf, 0xf8, 0x00, 0x00,  // idDelta: last one 0
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // idRangeOffset
        0x00, 0x00, 0x00, 0x0c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x70, 0x00, 0x00,  // rest of the input
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0d,
        0x00, 0x00, 0x00, 0x6c,
    };
    const CmapTbl cmap = ParseExact<CmapTbl>(bytes, bytes.size());
    const std::map<uint16_t, uint16_t> expected = {
        {0x0000, 1}, {0x000d, 2}, {0x0020, 3}, {0x00a0, 4}, {0x200d, 5}};
    EXPECT_EQ(MappingsOf(cmap), expected);
}

// A table cut anywhere keeps a subset of the whole table's mappings: nothing
// is invented from the missing bytes, nothing is read past the cut.
TEST(Truncation, EveryPrefixOfARealCmapKeepsASubsetOfItsMappings)
{
    for (const char* file : {"VornTestSans.ttf", "Zeta.ttf"}) {
        const std::vector<uint8_t> bytes = TableOf(file, "cmap");
        ASSERT_GT(bytes.size(), 12u) << file;
        const auto whole = MappingsOf(ParseExact<CmapTbl>(bytes, bytes.size()));
        ASSERT_FALSE(whole.empty()) << file;
        for (size_t size = 0; size <= bytes.size(); ++size) {
            CmapTbl cut;
            ASSERT_NO_THROW(cut = ParseExact<CmapTbl>(bytes, size)) << file << " cut to " << size;
            for (const auto& [code, glyph] : MappingsOf(cut)) {
                const auto found = whole.find(code);
                ASSERT_TRUE(found != whole.end() && found->second == glyph)
                    << file << " cut to " << size << " invents code " << code;
            }
        }
    }
}

// A field that the cut leaves whole reads as in the whole table; one that it
// cuts reads 0.
TEST(Truncation, EveryPrefixOfARealOS2TableReadsWhatItHolds)
{
    const std::vector<uint8_t> bytes = TableOf("VornTestSans.ttf", "OS/2");
    ASSERT_GE(bytes.size(), 96u);
    const OS2Tbl whole = ParseExact<OS2Tbl>(bytes, bytes.size());
    struct Field {
        size_t offset;
        int (*get)(const OS2Tbl&);
    };
    const Field fields[] = {
        {0, [](const OS2Tbl& t) { return int(t.version); }},
        {4, [](const OS2Tbl& t) { return int(t.usWeightClass); }},
        {30, [](const OS2Tbl& t) { return int(t.sFamilyClass); }},
        {62, [](const OS2Tbl& t) { return int(t.fsSelection); }},
        {74, [](const OS2Tbl& t) { return int(t.usWinAscent); }},
        {76, [](const OS2Tbl& t) { return int(t.usWinDescent); }},
        {88, [](const OS2Tbl& t) { return int(t.sCapHeight); }},
        {92, [](const OS2Tbl& t) { return int(t.usBreakChar); }},
    };
    for (size_t size = 0; size <= bytes.size(); ++size) {
        const OS2Tbl cut = ParseExact<OS2Tbl>(bytes, size);
        for (const Field& field : fields) {
            const int expected = field.offset + 2 <= size ? field.get(whole) : 0;
            ASSERT_EQ(field.get(cut), expected) << "field at " << field.offset << ", cut to " << size;
        }
    }
}

// A table directory that gives the cmap a length of nearly 2 GiB once made the
// reader allocate and zero all of it before the read failed.
TEST(FontFiles, TableLengthPastTheEndOfTheFileAllocatesNothing)
{
    const long before = PeakResidentBytes();
    EXPECT_FALSE(ReadFontTable(FaceSource{kFonts + "/CmapLengthPastEnd.ttf", 0}, "cmap"));
    EXPECT_FALSE(ReadFontTable(FaceSource{kFonts + "/CmapOffsetPastEnd.ttf", 0}, "cmap"));
    EXPECT_LT(PeakResidentBytes() - before, 64L << 20);
}

// Every broken file, read table by table: the sanitizer build checks the reads.
TEST(FontFiles, EveryHostileFileReadsWithoutFault)
{
    std::vector<std::string> files;
    if (DIR* dir = opendir(kFonts.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ttf") == 0)
                files.push_back(name);
        }
        closedir(dir);
    }
    ASSERT_GE(files.size(), 10u);
    const long before = PeakResidentBytes();
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> cmapBytes = TableOf(file, "cmap");
        try {
            ParseExact<CmapTbl>(cmapBytes, cmapBytes.size());
        } catch (int error) {
            EXPECT_EQ(error, -1);
        }
        OS2Tbl os2;
        ReadOS2(FaceSource{kFonts + "/" + file, 0}, os2);
        for (const char* tag : {"head", "hhea", "name", "glyf", "zzzz"})
            TableOf(file, tag);
    }
    EXPECT_LT(PeakResidentBytes() - before, 64L << 20);
}

} // namespace
