// The layout against its invariants and against the table that the README
// gives users, so that neither can change without the other.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "KeybLayout.h"

namespace {

std::string Key(unsigned key)
{
    char text[16];
    std::snprintf(text, sizeof text, "key 0x%02X", key);
    return text;
}

struct Codes {
    uint16_t base = 0;
    uint16_t ctrlAlt = 0;
};

// The codes of one cell: "—", "space", "line break", "U+0874, U+0875",
// "U+0889 to U+088E", "space followed by U+0892 (...)" (the unit stored; the
// space comes from the keystroke handling).
std::vector<uint16_t> CellCodes(const std::string& cell, size_t keys)
{
    std::vector<uint16_t> codes;
    std::smatch match;
    if (std::regex_search(cell, match, std::regex("U\\+([0-9A-F]{4}) to U\\+([0-9A-F]{4})"))) {
        for (unsigned code = std::stoul(match[1], nullptr, 16); code <= std::stoul(match[2], nullptr, 16); ++code)
            codes.push_back(uint16_t(code));
    } else if (cell.find("U+") != std::string::npos) {
        const std::regex one("U\\+([0-9A-F]{4})");
        for (auto it = std::sregex_iterator(cell.begin(), cell.end(), one); it != std::sregex_iterator(); ++it)
            codes.push_back(uint16_t(std::stoul((*it)[1], nullptr, 16)));
    } else if (cell == "space" || cell == "plain space") {
        codes.push_back(0x0020);
    } else if (cell == "line break") {
        codes.push_back(0x000D);
    }
    if (codes.empty())
        codes.assign(keys, 0);
    return codes;
}

// The virtual keys of one key cell: "A", "0", "1 to 6", "7, 8, 9", "`;`",
// "Space", "Enter".
std::vector<unsigned> CellKeys(std::string cell)
{
    static const std::map<std::string, unsigned> named = {
        {"Space", 0x20}, {"Enter", 0x0D}, {";", 0xBA}, {"=", 0xBB}, {",", 0xBC}, {"-", 0xBD},  {".", 0xBE},
        {"/", 0xBF},     {"`", 0xC0},     {"\\", 0xDC}, {"'", 0xDE}};
    if (cell.size() >= 2 && cell.front() == '`')
        cell = std::regex_replace(cell, std::regex("^`+ ?| ?`+$"), "");
    if (const auto found = named.find(cell); found != named.end())
        return {found->second};
    std::smatch match;
    if (std::regex_match(cell, match, std::regex("(\\d) to (\\d)"))) {
        std::vector<unsigned> keys;
        for (char digit = match[1].str()[0]; digit <= match[2].str()[0]; ++digit)
            keys.push_back(unsigned(digit));
        return keys;
    }
    std::vector<unsigned> keys;
    for (char character : cell)
        if (std::isalnum(static_cast<unsigned char>(character)))
            keys.push_back(unsigned(character));
    return keys;
}

// The README's table of keys, by virtual key.
std::map<unsigned, Codes> ReadmeTable()
{
    std::ifstream in(VORN_README);
    std::string line;
    bool inTable = false;
    std::map<unsigned, Codes> table;
    while (std::getline(in, line)) {
        if (line.rfind("| Key | Key alone |", 0) == 0) {
            inTable = true;
            continue;
        }
        if (!inTable || line.rfind("|---", 0) == 0)
            continue;
        if (line.empty() || line[0] != '|')
            break;
        std::vector<std::string> cells;
        std::stringstream row(line.substr(1));
        for (std::string cell; std::getline(row, cell, '|');)
            cells.push_back(std::regex_replace(cell, std::regex("^ +| +$"), ""));
        EXPECT_EQ(cells.size(), 3u) << line;
        if (cells.size() != 3)
            continue;
        const std::vector<unsigned> keys = CellKeys(cells[0]);
        const std::vector<uint16_t> base = CellCodes(cells[1], keys.size());
        const std::vector<uint16_t> ctrlAlt = CellCodes(cells[2], keys.size());
        EXPECT_TRUE(!keys.empty() && base.size() == keys.size() && ctrlAlt.size() == keys.size()) << line;
        for (size_t i = 0; i < keys.size() && i < base.size() && i < ctrlAlt.size(); ++i)
            table[keys[i]] = {base[i], ctrlAlt[i]};
    }
    return table;
}

TEST(KeybLayout, EveryKeyIsAsTheReadmeTableSaysAndOthersGiveNothing)
{
    const std::map<unsigned, Codes> table = ReadmeTable();
    ASSERT_EQ(table.size(), 44u);  // A to Z but W, X, Y; 0 to 9; nine punctuation keys; Space; Enter
    const KeybLayout layout;
    for (unsigned key = 0; key < KeybLayout::Size; ++key) {
        SCOPED_TRACE(Key(key));
        const auto row = table.find(key);
        const Codes expected = row != table.end() ? row->second : Codes{};
        EXPECT_EQ(layout.Base[key], expected.base);
        EXPECT_EQ(layout.CtrlAlt[key], expected.ctrlAlt);
    }
}

// Shift and Caps Lock change nothing, and the layout has no name.
TEST(KeybLayout, ShiftAndCapsLockChangeNothing)
{
    const KeybLayout layout;
    for (unsigned key = 0; key < KeybLayout::Size; ++key) {
        SCOPED_TRACE(Key(key));
        EXPECT_EQ(layout.BaseShift[key], layout.Base[key]);
        EXPECT_EQ(layout.CtrlAltShift[key], layout.CtrlAlt[key]);
        EXPECT_FALSE(layout.CapsBase[key]);
        EXPECT_FALSE(layout.CapsCtrlAlt[key]);
    }
    EXPECT_TRUE(layout.Name.empty());
}

// The script's characters U+0860..U+0897 are all reachable except U+0883,
// which no key produces; nothing else outside space and Enter is produced.
TEST(KeybLayout, ProducesEveryScriptCodeButU0883)
{
    const KeybLayout layout;
    std::vector<int> producers(0x10000);
    for (unsigned key = 0; key < KeybLayout::Size; ++key)
        for (const uint16_t* codes : {layout.Base, layout.BaseShift, layout.CtrlAlt, layout.CtrlAltShift})
            ++producers[codes[key]];

    for (unsigned code = 0x0860; code <= 0x0897; ++code) {
        if (code == 0x0883) {
            EXPECT_EQ(producers[code], 0) << "U+0883 must not be produced";
        } else {
            EXPECT_GT(producers[code], 0) << "no key produces U+" << std::hex << code;
        }
    }
    for (unsigned code = 1; code < 0x10000; ++code) {
        const bool allowed = code == 0x000D || code == 0x0020 || (code >= 0x0860 && code <= 0x0897);
        if (!allowed) {
            EXPECT_EQ(producers[code], 0) << "unexpected code U+" << std::hex << code;
        }
    }
}

TEST(KeybLayout, SpaceBarProducesTheSpacedCode)
{
    const KeybLayout layout;
    EXPECT_EQ(layout.Base[0x20], SpacedCode);
    EXPECT_EQ(SpacedCode, u'\u0892');
}

} // namespace
