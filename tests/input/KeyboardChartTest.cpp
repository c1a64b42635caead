#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "KeyboardChart.h"
#include "VirtualKeys.h"

namespace {

unsigned UsKeyboard(unsigned place)
{
    return place;
}

// A German keyboard swaps the letters of the US places of Y and Z.
unsigned GermanKeyboard(unsigned place)
{
    return place == 'Y' ? 'Z' : place == 'Z' ? 'Y' : place;
}

TEST(KeyboardChart, EveryKeyOfTheLayoutIsShownWithItsTwoCodes)
{
    const KeybLayout layout;
    for (auto keyboard : {UsKeyboard, GermanKeyboard}) {
        const std::vector<ChartEntry> chart = BuildChart(layout, keyboard);
        std::map<unsigned, int> shown;
        for (const ChartEntry& entry : chart) {
            SCOPED_TRACE(entry.key.label);
            ++shown[entry.virtualKey];
            EXPECT_EQ(entry.virtualKey, keyboard(entry.key.position));
            EXPECT_EQ(entry.plain, layout.Base[entry.virtualKey]);
            EXPECT_EQ(entry.ctrlAlt, layout.CtrlAlt[entry.virtualKey]);
            EXPECT_EQ(entry.Empty(), entry.plain == 0 && entry.ctrlAlt == 0 && entry.virtualKey != vk::BACK);
            if (entry.virtualKey >= 'A' && entry.virtualKey <= 'Z') {
                EXPECT_EQ(entry.label, std::string(1, static_cast<char>(entry.virtualKey)));
            }
        }
        for (unsigned key = 0; key < KeybLayout::Size; ++key)
            if (layout.Base[key] != 0 || layout.CtrlAlt[key] != 0) {
                EXPECT_EQ(shown[key], 1) << "key 0x" << std::hex << key;
            }
    }
}

// Keys that overlap would take each other's clicks.
TEST(KeyboardChart, KeysSitSideBySideWithinTheKeyboard)
{
    std::vector<ChartKey> keys = ChartKeys();
    std::sort(keys.begin(), keys.end(),
              [](const ChartKey& a, const ChartKey& b) { return a.row != b.row ? a.row < b.row : a.left < b.left; });
    for (size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i].label);
        EXPECT_GE(keys[i].left, 0);
        EXPECT_LE(keys[i].left + keys[i].width, ChartColumns);
        EXPECT_TRUE(keys[i].row >= 0 && keys[i].row < ChartRows);
        if (i + 1 < keys.size() && keys[i + 1].row == keys[i].row) {
            EXPECT_LE(keys[i].left + keys[i].width, keys[i + 1].left);
        }
    }
}

TEST(KeyboardChart, TooltipsNameWhatEachLayerTypes)
{
    const KeybLayout layout;
    const std::vector<ChartEntry> chart = BuildChart(layout, UsKeyboard);
    const std::pair<unsigned, const char*> rows[] = {
        {'C', "U+0862 \u00B7 Ctrl+Alt U+0863"},
        {'A', "U+0860"},
        {'1', "Ctrl+Alt U+0889"},
        {'W', "Types nothing"},
        {vk::SPACE, "U+0020 U+0892 \u00B7 Ctrl+Alt U+0020"},
        {vk::RETURN, "U+000D (line break)"},
        {vk::BACK, "Deletes the character before the insertion point"},
    };
    for (const auto& [key, tip] : rows) {
        const auto entry = std::find_if(chart.begin(), chart.end(),
                                        [key](const ChartEntry& shown) { return shown.virtualKey == key; });
        ASSERT_NE(entry, chart.end());
        EXPECT_EQ(KeyTip(layout, *entry), tip);
    }
}

} // namespace
