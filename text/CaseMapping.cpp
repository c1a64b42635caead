#include "CaseMapping.h"

#include <algorithm>
#include <array>

namespace {

struct CasePair {
    char16_t capital;
    char16_t small;
};

// Sorted by capital; regenerate with gen_case_pairs.py.
constexpr CasePair PairsByCapital[] = {
#include "CasePairs.inc"
};

constexpr std::size_t PairCount = std::size(PairsByCapital);

// The same pairs sorted by small letter, built at compile time so the lookups
// stay allocation-free and need no start-up work.
constexpr std::array<CasePair, PairCount> PairsBySmall = [] {
    std::array<CasePair, PairCount> pairs{};
    std::copy(std::begin(PairsByCapital), std::end(PairsByCapital), pairs.begin());
    std::sort(pairs.begin(), pairs.end(),
              [](const CasePair& a, const CasePair& b) { return a.small < b.small; });
    return pairs;
}();

constexpr bool SortedStrictly(const CasePair* first, const CasePair* last, char16_t CasePair::*key)
{
    for (const CasePair* pair = first; pair + 1 < last; ++pair)
        if (!((*pair).*key < (*(pair + 1)).*key))
            return false;
    return true;
}

// A duplicate key would make the mapping depend on which pair the search hits.
static_assert(PairCount == 649);
static_assert(SortedStrictly(std::begin(PairsByCapital), std::end(PairsByCapital), &CasePair::capital));
static_assert(SortedStrictly(PairsBySmall.data(), PairsBySmall.data() + PairCount, &CasePair::small));

OwnWideString MapText(const OwnWideString& text, char16_t (*mapUnit)(char16_t))
{
    // Spare units after the terminator travel with the copy, unmapped.
    OwnWideString working(text);
    char16_t* units = working.Buffer();
    for (uint32_t i = 0; i < working.Count() && units[i] != 0; ++i)
        units[i] = mapUnit(units[i]);
    return working;
}

} // namespace

char16_t UpperCaseUnit(char16_t unit)
{
    const auto found = std::lower_bound(PairsBySmall.begin(), PairsBySmall.end(), unit,
                                        [](const CasePair& pair, char16_t key) { return pair.small < key; });
    return found != PairsBySmall.end() && found->small == unit ? found->capital : unit;
}

char16_t LowerCaseUnit(char16_t unit)
{
    const auto found = std::lower_bound(std::begin(PairsByCapital), std::end(PairsByCapital), unit,
                                        [](const CasePair& pair, char16_t key) { return pair.capital < key; });
    return found != std::end(PairsByCapital) && found->capital == unit ? found->small : unit;
}

OwnWideString ToUpper(const OwnWideString& text)
{
    return MapText(text, UpperCaseUnit);
}

OwnWideString ToLower(const OwnWideString& text)
{
    return MapText(text, LowerCaseUnit);
}
