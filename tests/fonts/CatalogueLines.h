#pragma once

// The catalogue as `vorn fonts --all` and the window see it, one line per
// entry, for the tests of each font folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "FaceCache.h"
#include "TempFolder.h"
#include "UnicodeList.h"

// Name, listed by the font selector, covered count, OS/2 version or "-".
inline std::vector<std::string> CatalogueLines(const UnicodeList& catalogue)
{
    std::vector<std::string> lines;
    for (const auto& [name, face] : catalogue.Faces) {
        lines.push_back(name + (face.scriptCoverage != 0 ? " listed " : " ") + std::to_string(face.coveredCount)
                        + " " + (face.hasOS2 ? std::to_string(face.OS2().version) : "-"));
    }
    return lines;
}

// The catalogue read from the files, then through a fresh cache cold and
// warm, gives the same count entries.
inline void ExpectCacheGivesTheEntriesOfTheFiles(size_t count)
{
    const TempFolder temp;
    setenv("XDG_CACHE_HOME", temp.Path().c_str(), 1);
    const std::vector<std::string> expected = CatalogueLines(BuildCatalogue(false));
    ASSERT_EQ(expected.size(), count);
    EXPECT_EQ(CatalogueLines(BuildCatalogue(true)), expected);  // cold: fills the cache
    EXPECT_EQ(CatalogueLines(BuildCatalogue(true)), expected);  // warm
    unsetenv("XDG_CACHE_HOME");
}
