// Runs against the fonts of make_platform_fonts.py only (FONTCONFIG_FILE
// points at them). Each face maps one code point of its own, so the coverage
// read back tells which face was picked and which bytes were read.
#include "FontPlatform.h"
#include "FontTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CatalogueLines.h"
#include "CmapTbl.h"
#include "UnicodeList.h"

namespace {

// The one code point the face's cmap maps, or -1.
int MappedCode(const FaceSource& face)
{
    const auto bytes = ReadFontTable(face, "cmap");
    if (!bytes)
        return -1;
    const CmapTbl cmap(bytes->data(), bytes->size());
    if (cmap.tables.size() != 1 || cmap.tables.begin()->mappings.size() != 1)
        return -1;
    return cmap.tables.begin()->mappings.begin()->code;
}

std::string FileName(const FaceSource& face)
{
    return face.file.substr(face.file.rfind('/') + 1);
}

TEST(FontPlatform, SelectFacePrefersRegular)
{
    struct Row {
        const char* family;
        const char* expectedFile;
        int expectedIndex;
        int expectedCode;
    };
    for (const Row& row : {Row{"Vorn Styles", "StylesRegular.ttf", 0, 0x0860},
                           Row{"Vorn Weights", "WeightsLight.ttf", 0, 0x0864},  // 300 is nearer to 400 than 900
                           Row{"Vorn Pair One", "Pair.ttc", 0, 0x0866},
                           Row{"Vorn Pair Two", "Pair.ttc", 1, 0x0867},  // second face of the collection
                           Row{"Vorn Typographic", "Typographic.ttf", 0, 0x0868},
                           Row{"Vorn Typographic Book", "Typographic.ttf", 0, 0x0868}}) {
        SCOPED_TRACE(row.family);
        const auto face = SelectFace(row.family);
        ASSERT_TRUE(face);
        EXPECT_EQ(FileName(*face), row.expectedFile);
        EXPECT_EQ(face->index, row.expectedIndex);
        EXPECT_EQ(MappedCode(*face), row.expectedCode);
    }
}

TEST(FontPlatform, EnumeratesEveryFamilyNameOnce)
{
    std::vector<std::string> names = EnumerateFaceNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Vorn Pair One", "Vorn Pair Two", "Vorn Styles", "Vorn Typographic",
                                               "Vorn Typographic Book", "Vorn Weights"}));
}

TEST(FontPlatform, CollectionFaceBeyondTheLastIsRefused)
{
    const auto face = SelectFace("Vorn Pair One");
    ASSERT_TRUE(face);
    EXPECT_FALSE(ReadFontTable(FaceSource{face->file, 2}, "cmap"));
    EXPECT_TRUE(ReadFontTable(FaceSource{face->file, 1}, "OS/2"));
}

TEST(FontPlatform, MatchFaceFallsBackOnlyForUnknownNames)
{
    const auto exact = MatchFace("Vorn Styles");
    ASSERT_TRUE(exact);
    EXPECT_EQ(FileName(*exact), "StylesRegular.ttf");
    EXPECT_FALSE(SelectFace("Vorn Nowhere"));
    EXPECT_TRUE(MatchFace("Vorn Nowhere"));  // the font database's substitute
    EXPECT_TRUE(MatchFace(""));
}

TEST(Catalogue, NamesSharingOneFaceGetEqualEntriesUnderTheirOwnNames)
{
    const UnicodeList catalogue;
    const FontProp typographic = catalogue.Prop("Vorn Typographic").value();
    const FontProp legacy = catalogue.Prop("Vorn Typographic Book").value();
    EXPECT_EQ(typographic.Name, "Vorn Typographic");
    EXPECT_EQ(legacy.Name, "Vorn Typographic Book");
    EXPECT_TRUE(legacy.Covers(0x0868));
    EXPECT_TRUE(legacy.Coverage == typographic.Coverage);
    EXPECT_EQ(legacy.OS2.usWinAscent, 800);
    // The regular face's coverage, not another style's.
    const FaceEntry* book = catalogue.Find("Vorn Typographic Book");
    const FaceEntry* styles = catalogue.Find("Vorn Styles");
    const FaceEntry* pairTwo = catalogue.Find("Vorn Pair Two");
    ASSERT_TRUE(book && styles && pairTwo);
    EXPECT_TRUE(*book == *catalogue.Find("Vorn Typographic"));
    EXPECT_EQ(styles->scriptCoverage, 1u);
    EXPECT_EQ(pairTwo->scriptCoverage, 1u << (0x0867 - 0x0860));
}

// Faces that several family names lead to (a typographic family, the faces
// of a collection) are entered under each, through the cache as without it.
TEST(FontPlatform, CacheGivesTheEntriesOfTheFiles)
{
    ExpectCacheGivesTheEntriesOfTheFiles(EnumerateFaceNames().size());
}

}  // namespace
