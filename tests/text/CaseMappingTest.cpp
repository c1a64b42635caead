#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "CaseMapping.h"
#include "TextUnits.h"

namespace {

std::string Hex(char16_t unit)
{
    char text[8];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(unit));
    return text;
}

struct Block {
    const char* name;
    char16_t first, last;
    int pairs;
};

constexpr Block Blocks[] = {
    {"Basic Latin", 0x0000, 0x007F, 26},
    {"Latin-1 Supplement", 0x0080, 0x00FF, 30},
    {"Latin Extended-A", 0x0100, 0x017F, 61},
    {"Latin Extended-B", 0x0180, 0x024F, 87},
    {"Greek and Coptic", 0x0370, 0x03FF, 42},
    {"Cyrillic", 0x0400, 0x04FF, 116},
    {"Cyrillic Supplement", 0x0500, 0x052F, 8},
    {"Armenian", 0x0530, 0x058F, 38},
    {"Latin Extended Additional", 0x1E00, 0x1EFF, 120},
    {"Greek Extended", 0x1F00, 0x1FFF, 69},
    {"Enclosed Alphanumerics", 0x2460, 0x24FF, 26},
    {"Halfwidth and Fullwidth Forms", 0xFF00, 0xFFEF, 26},
};

// The pairs as the two mappings see them, found by asking about every unit.
struct Pairs {
    std::map<char16_t, char16_t> smallOfCapital; // from LowerCaseUnit
    std::map<char16_t, char16_t> capitalOfSmall; // from UpperCaseUnit
};

Pairs ScanAllUnits()
{
    Pairs pairs;
    for (uint32_t value = 0; value <= 0xFFFF; ++value) {
        const char16_t unit = static_cast<char16_t>(value);
        if (LowerCaseUnit(unit) != unit)
            pairs.smallOfCapital[unit] = LowerCaseUnit(unit);
        if (UpperCaseUnit(unit) != unit)
            pairs.capitalOfSmall[unit] = UpperCaseUnit(unit);
    }
    return pairs;
}

TEST(CaseMappingTable, Has649PairsInTheExpectedBlocks)
{
    const Pairs pairs = ScanAllUnits();
    EXPECT_EQ(pairs.smallOfCapital.size(), 649u);
    EXPECT_EQ(pairs.capitalOfSmall.size(), 649u);

    std::size_t counted = 0;
    for (const Block& block : Blocks) {
        int found = 0;
        for (const auto& [capital, small] : pairs.smallOfCapital)
            if (capital >= block.first && capital <= block.last)
                ++found;
        EXPECT_EQ(found, block.pairs) << block.name;
        counted += found;
    }
    EXPECT_EQ(counted, pairs.smallOfCapital.size()) << "a capital lies outside the known blocks";
}

// Both directions must describe the same one-to-one pairs, or upper-casing
// and lower-casing a text would not undo each other.
TEST(CaseMappingTable, MappingsAreInverseBijections)
{
    const Pairs pairs = ScanAllUnits();
    for (const auto& [capital, small] : pairs.smallOfCapital) {
        EXPECT_EQ(UpperCaseUnit(small), capital) << Hex(capital) << "/" << Hex(small);
        EXPECT_EQ(pairs.capitalOfSmall.count(capital), 0u) << Hex(capital) << " is capital and small";
        EXPECT_EQ(LowerCaseUnit(small), small) << Hex(small);
    }
    for (const auto& [small, capital] : pairs.capitalOfSmall) {
        EXPECT_EQ(LowerCaseUnit(capital), small) << Hex(capital) << "/" << Hex(small);
        EXPECT_EQ(UpperCaseUnit(capital), capital) << Hex(capital);
    }
}

struct PairRow {
    char16_t capital, small;
};

TEST(CaseMappingTable, MapsKnownPairsBothWays)
{
    const PairRow rows[] = {
        {0x0041, 0x0061}, {0x005A, 0x007A}, {0x00C0, 0x00E0}, {0x0178, 0x00FF},
        {0x01C4, 0x01C6}, {0x01C7, 0x01C9}, {0x01CA, 0x01CC}, {0x01F1, 0x01F3},
        {0x018E, 0x01DD}, {0x01F6, 0x0195}, {0x01F7, 0x01BF}, {0x0220, 0x019E},
        {0x0386, 0x03AC}, {0x03F7, 0x03F8}, {0x03FA, 0x03FB}, {0x0400, 0x0450},
        {0x0531, 0x0561}, {0x1F08, 0x1F00}, {0x1FBA, 0x1F70}, {0x1FEC, 0x1FE5},
        {0x24B6, 0x24D0}, {0x24CF, 0x24E9}, {0xFF21, 0xFF41}, {0xFF3A, 0xFF5A},
        // Dotted and dotless i pair crosswise.
        {0x0049, 0x0131}, {0x0130, 0x0069},
    };
    for (const PairRow& row : rows) {
        SCOPED_TRACE(Hex(row.capital) + "/" + Hex(row.small));
        EXPECT_EQ(UpperCaseUnit(row.small), row.capital);
        EXPECT_EQ(LowerCaseUnit(row.capital), row.small);
    }
}

TEST(CaseMappingTable, LeavesUnpairedUnitsUnchanged)
{
    const char16_t units[] = {
        // One-way mappings in Unicode, and sharp s.
        0x00B5, 0x017F, 0x03C2, 0x03D0, 0x1E9B, 0x1FBE, 0x2126, 0x212A, 0x212B, 0x00DF,
        // Title-case letters.
        0x01C5, 0x01C8, 0x01CB, 0x01F2, 0x1F88, 0x1FBC,
        // Both sides of removed pairs: ligatures, IPA smalls, archaic Greek,
        // lunate sigma, iota subscript, Roman numerals.
        0x0132, 0x0133, 0x0152, 0x0153, 0x04A4, 0x04A5, 0x04B4, 0x04B5, 0x04D4, 0x04D5,
        0x0189, 0x0256, 0x019F, 0x0275, 0x01A6, 0x0280, 0x03D8, 0x03D9, 0x03E0, 0x03E1,
        0x03F9, 0x03F2, 0x1F80, 0x1F8F, 0x1FA7, 0x1FB3, 0x1FCC, 0x1FF3, 0x2160, 0x216F,
        0x2170, 0x217F,
        // Case pairs added after Unicode 4.0.
        0x0241, 0x0242, 0x2C00, 0x2C30, 0xA640, 0xA641,
        // Control, marks, digits.
        0x0000, 0x000D, 0x0020, 0x0030, 0x200F, 0xFFFD, 0xFFFF,
    };
    for (char16_t unit : units) {
        SCOPED_TRACE(Hex(unit));
        EXPECT_EQ(UpperCaseUnit(unit), unit);
        EXPECT_EQ(LowerCaseUnit(unit), unit);
    }
}

TEST(CaseMappingTable, LeavesScriptAndSurrogatesUnchanged)
{
    const std::pair<char16_t, char16_t> ranges[] = {{0x0860, 0x089F}, {0xD800, 0xDFFF}};
    for (const auto& [first, last] : ranges)
        for (uint32_t value = first; value <= last; ++value) {
            const char16_t unit = static_cast<char16_t>(value);
            ASSERT_EQ(UpperCaseUnit(unit), unit) << Hex(unit);
            ASSERT_EQ(LowerCaseUnit(unit), unit) << Hex(unit);
        }
}

TEST(CaseMappingString, MapsTheTextOnly)
{
    const OwnWideString source = TextOfUnits(u"Istanbul \u0131i \u00FF\u0860 \u0410\u0431");
    EXPECT_EQ(std::u16string(ToUpper(source).Buffer()), u"ISTANBUL I\u0130 \u0178\u0860 \u0410\u0411");
    EXPECT_EQ(std::u16string(ToLower(source).Buffer()), u"\u0131stanbul \u0131i \u00FF\u0860 \u0430\u0431");
    EXPECT_EQ(std::u16string(source.Buffer()), u"Istanbul \u0131i \u00FF\u0860 \u0410\u0431")
        << "the given string must not change";
}

TEST(CaseMappingString, EmptyStringKeepsItsCount)
{
    const OwnWideString empty;
    const OwnWideString upper = ToUpper(empty);
    EXPECT_TRUE(upper.IsEmpty());
    EXPECT_EQ(upper.Count(), 1u);
}

// Spare units are not text: they must come back exactly, unmapped, and the
// Count must stay.
TEST(CaseMappingString, KeepsSpareUnitsUnmapped)
{
    OwnWideString source = TextOfUnits(u"abcde");
    char16_t* units = source.Buffer();
    units[2] = 0;
    // units[3], [4] hold 'd', 'e' and [5] the old terminator; make one a small
    // letter and one a capital so any mapping of them would show.
    units[5] = u'Q';

    for (auto* map : {&ToUpper, &ToLower}) {
        const OwnWideString mapped = map(source);
        EXPECT_EQ(mapped.Count(), source.Count());
        std::vector<char16_t> expected = AllUnits(source);
        expected[0] = map == &ToUpper ? u'A' : u'a';
        expected[1] = map == &ToUpper ? u'B' : u'b';
        EXPECT_EQ(AllUnits(mapped), expected);
    }
}

} // namespace
