// Runs against the private test font set only (FONTCONFIG_FILE points at it).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CatalogueLines.h"
#include "FaceCache.h"
#include "FontPlatform.h"
#include "FontTables.h"
#include "ScriptFaces.h"
#include "UnicodeList.h"

namespace {

const std::string kLongName = "Vorn Test Face With A Really Long Family Name";
const std::string kEbene = "\xC3\x89" "b\xC3\xA8ne";  // "Ébène" in UTF-8

// Built once: the catalogue is read-only after construction.
const UnicodeList& Catalogue()
{
    static const UnicodeList catalogue;
    return catalogue;
}

// The entry of that name.
FaceEntry Entry(const std::string& name)
{
    const FaceEntry* entry = Catalogue().Find(name);
    EXPECT_TRUE(entry) << name;
    return entry ? *entry : FaceEntry();
}

// The entry with its whole coverage.
FontProp Prop(const std::string& name)
{
    const std::optional<FontProp> prop = Catalogue().Prop(name);
    EXPECT_TRUE(prop) << name;
    return prop.value_or(FontProp());
}

std::vector<std::string> Keys(const UnicodeList& list)
{
    std::vector<std::string> keys;
    for (const auto& [name, prop] : list.Faces)
        keys.push_back(name);
    return keys;
}

TEST(FaceNameOrder, ComparesUnsignedBytesWithPrefixesFirst)
{
    std::vector<std::string> keys = {"arial", "Arial Black", kEbene, "Arial", "Zeta", "alpha"};
    std::sort(keys.begin(), keys.end(), FaceNameOrder());
    EXPECT_EQ(keys, (std::vector<std::string>{"Arial", "Arial Black", "Zeta", "alpha", "arial", kEbene}));
}

TEST(FontPropCoverage, BitAddressing)
{
    FontProp prop;
    prop.MarkCovered(0x0860);
    prop.MarkCovered(0xFFFF);
    prop.MarkCovered(0);
    EXPECT_EQ(prop.Coverage[0x0860 >> 3], 1);  // 0x860 is bit 0 of byte 0x10C
    EXPECT_EQ(prop.Coverage[8191], 0x80);
    EXPECT_EQ(prop.Coverage[0], 1);
    EXPECT_TRUE(prop.Covers(0x0860));
    EXPECT_FALSE(prop.Covers(0x085F));
    EXPECT_FALSE(prop.Covers(0x0861));
    EXPECT_TRUE(prop.Covers(0xFFFF));
}

TEST(Platform, EnumeratesEveryFamilyOnce)
{
    std::vector<std::string> names = EnumerateFaceNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Vorn Above", "Vorn Below", "Vorn Format12", "Vorn Last Only",
                                               "Vorn No OS2", kLongName, "Vorn Test Sans", "Zeta", "alpha",
                                               kEbene}));
}

TEST(Platform, SelectFaceTakesExactNamesOnly)
{
    const auto face = SelectFace("Vorn Test Sans");
    ASSERT_TRUE(face);
    EXPECT_NE(face->file.find("VornTestSans.ttf"), std::string::npos);
    EXPECT_EQ(face->index, 0);
    EXPECT_FALSE(SelectFace("vorn test sans"));
    EXPECT_FALSE(SelectFace("Vorn Test"));
    EXPECT_FALSE(SelectFace(kLongName.substr(0, 31)));
    EXPECT_FALSE(SelectFace(""));
}

TEST(Platform, MatchFaceSubstitutesUnknownNames)
{
    const auto exact = MatchFace("Zeta");
    ASSERT_TRUE(exact);
    EXPECT_NE(exact->file.find("Zeta.ttf"), std::string::npos);
    EXPECT_TRUE(MatchFace("No Such Family"));
    EXPECT_TRUE(MatchFace(""));
    // Repeated calls answer the same.
    EXPECT_EQ(MatchFace("Zeta")->file, exact->file);
}

TEST(Platform, ReadFontTableRefusesWhatIsNotThere)
{
    const auto face = SelectFace("Vorn No OS2");
    ASSERT_TRUE(face);
    EXPECT_TRUE(ReadFontTable(*face, "cmap"));
    EXPECT_FALSE(ReadFontTable(*face, "OS/2"));
    EXPECT_FALSE(ReadFontTable(FaceSource{face->file, 3}, "cmap"));
    EXPECT_FALSE(ReadFontTable(FaceSource{"/nonexistent/font.ttf", 0}, "cmap"));
    EXPECT_FALSE(ReadFontTable(FaceSource{VORN_TEST_FONTS_DIR "/fonts.conf", 0}, "cmap"));
}

TEST(ReadOS2, ReadsTheFacesTable)
{
    OS2Tbl os2;
    ASSERT_TRUE(ReadOS2(FaceSource{VORN_TEST_FONTS_DIR "/VornTestSans.ttf", 0}, os2));
    EXPECT_EQ(os2.version, 4);
    EXPECT_EQ(os2.usWinAscent, 1536);
    EXPECT_EQ(os2.usWinDescent, 512);
}

TEST(ReadOS2, FaceWithoutTableLeavesRecordUntouched)
{
    OS2Tbl os2;
    os2.usWeightClass = 123;
    EXPECT_FALSE(ReadOS2(FaceSource{VORN_TEST_FONTS_DIR "/VornNoOS2.ttf", 0}, os2));
    EXPECT_EQ(os2.usWeightClass, 123);
    EXPECT_FALSE(ReadOS2(FaceSource{VORN_TEST_FONTS_DIR "/missing.ttf", 0}, os2));
    EXPECT_FALSE(ReadOS2(FaceSource{VORN_TEST_FONTS_DIR "/VornTestSans.ttf", 1}, os2));  // no second face
    EXPECT_EQ(os2.usWeightClass, 123);
}

TEST(Catalogue, EntersEveryReadableFaceInByteOrder)
{
    // Vorn Format12 has a (3, 1) subtable of format 12: passed over, the rest entered.
    EXPECT_EQ(Keys(Catalogue()),
              (std::vector<std::string>{"Vorn Above", "Vorn Below", "Vorn Last Only", "Vorn No OS2", kLongName,
                                        "Vorn Test Sans", "Zeta", "alpha", kEbene}));
    for (const auto& [name, summary] : Catalogue().Faces)
        EXPECT_EQ(Prop(name).Name, name);
    EXPECT_FALSE(Catalogue().Prop("Vorn Format12"));
}

TEST(Catalogue, FaceWithoutOS2IsEnteredWithZeroRecord)
{
    const FontProp noOS2 = Prop("Vorn No OS2");
    EXPECT_FALSE(noOS2.HasOS2);
    EXPECT_EQ(noOS2.OS2.version, 0);
    EXPECT_EQ(noOS2.OS2.usWinAscent, 0);
    EXPECT_EQ(noOS2.OS2.usMaxContext, 0);
    EXPECT_TRUE(noOS2.Covers(0x0860));

    const FontProp sans = Prop("Vorn Test Sans");
    EXPECT_TRUE(sans.HasOS2);
    EXPECT_EQ(sans.OS2.version, 4);
    EXPECT_EQ(sans.OS2.usWinAscent, 1536);
}

TEST(Catalogue, CoverageEdgesOfTheScriptRange)
{
    EXPECT_TRUE(Prop("Vorn Last Only").Covers(0x089F));
    EXPECT_FALSE(Prop("Vorn Last Only").Covers(0x089E));
    EXPECT_EQ(Entry("Vorn Last Only").scriptCoverage, uint64_t(1) << 63);
    EXPECT_TRUE(Prop("Vorn Below").Covers(0x085F));
    EXPECT_EQ(Entry("Vorn Below").scriptCoverage, 0u);
    EXPECT_TRUE(Prop("Vorn Above").Covers(0x08A0));
    EXPECT_FALSE(Prop("Vorn Test Sans").Covers(0xFFFF));  // format 4 end segment
}

TEST(ScriptFaces, ListsFacesCoveringTheRangeInKeyOrder)
{
    EXPECT_EQ(ListScriptFaces(Catalogue()), (std::vector<std::string>{"Vorn Last Only", "Vorn No OS2", kLongName,
                                                                     "Vorn Test Sans", "Zeta", "alpha", kEbene}));
}

// The entries are the same whether the faces come from their files or from
// the cache, cold or warm.
TEST(Catalogue, CacheGivesTheEntriesOfTheFiles)
{
    ExpectCacheGivesTheEntriesOfTheFiles(9);
}

}  // namespace
