#pragma once

// The catalogue as `vorn fonts --all` and the window see it, one line per
// entry, built from the catalogue's entries and from the faces' summaries,
// for the tests of each font folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FaceCache.h"
#include "ScriptFaces.h"
#include "TempFolder.h"
#include "UnicodeList.h"

// Name, listed by the font selector, covered count, OS/2 version or "-".
inline std::string CatalogueLine(std::string_view name, bool listed, uint32_t covered, const OS2Tbl* os2)
{
    return std::string(name) + (listed ? " listed " : " ") + std::to_string(covered) + " "
        + (os2 ? std::to_string(os2->version) : "-");
}

inline std::vector<std::string> CatalogueLines(const UnicodeList& catalogue)
{
    const std::vector<std::string> listed = ListScriptFaces(catalogue);
    std::vector<std::string> lines;
    for (const auto& [name, prop] : catalogue.Faces)
        lines.push_back(CatalogueLine(name, std::find(listed.begin(), listed.end(), name) != listed.end(),
                                      prop.CoveredCount, prop.HasOS2 ? &prop.OS2 : nullptr));
    return lines;
}

inline std::vector<std::string> SummaryLines(bool useCache)
{
    std::vector<std::string> lines;
    VisitCatalogue(useCache, [&](std::string_view name, const FaceSummary& face) {
        const OS2Tbl os2(face.os2.data(), face.os2.size());
        lines.push_back(CatalogueLine(name, face.scriptCoverage != 0, face.coveredCount, face.hasOS2 ? &os2 : nullptr));
    });
    return lines;
}

// The summaries, read from the files, then through a fresh cache cold and
// warm, and the window's catalogue through that cache all give the entries
// of the catalogue read from the files, of which there are count.
inline void ExpectSummariesAgreeWithTheEntries(size_t count)
{
    const TempFolder temp;
    setenv("XDG_CACHE_HOME", temp.Path().c_str(), 1);
    const std::vector<std::string> expected = CatalogueLines(UnicodeList());
    ASSERT_EQ(expected.size(), count);
    EXPECT_EQ(SummaryLines(false), expected);
    EXPECT_EQ(SummaryLines(true), expected);  // cold: fills the cache
    EXPECT_EQ(SummaryLines(true), expected);  // warm
    EXPECT_EQ(CatalogueLines(BuildCatalogue(true)), expected);
    unsetenv("XDG_CACHE_HOME");
}
