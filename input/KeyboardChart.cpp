#include "KeyboardChart.h"

#include <cstdio>

#include "Keystroke.h"
#include "VirtualKeys.h"

// Marks a text for Qt's lupdate, which reads the sources for this name; the
// library itself links no Qt and leaves translating to its caller.
#define QT_TRANSLATE_NOOP(context, text) text

namespace {

struct RowKey {
    unsigned position;
    const char* label;
    double width;
};

// A row of keys side by side from its first key's place.
void AddRow(std::vector<ChartKey>& keys, int row, double left, std::initializer_list<RowKey> rowKeys)
{
    for (const RowKey& key : rowKeys) {
        keys.push_back({key.position, key.label, row, left, key.width});
        left += key.width;
    }
}

std::vector<ChartKey> UsKeyboard()
{
    std::vector<ChartKey> keys;
    AddRow(keys, 0, 0,
           {{vk::OEM_3, "`", 1}, {'1', "1", 1}, {'2', "2", 1}, {'3', "3", 1}, {'4', "4", 1}, {'5', "5", 1},
            {'6', "6", 1}, {'7', "7", 1}, {'8', "8", 1}, {'9', "9", 1}, {'0', "0", 1}, {vk::OEM_MINUS, "-", 1},
            {vk::OEM_PLUS, "=", 1}, {vk::BACK, "Backspace", 2}});
    // After Tab (1.5 keys wide), Caps Lock (1.75) and Shift (2.25).
    AddRow(keys, 1, 1.5,
           {{'Q', "Q", 1}, {'W', "W", 1}, {'E', "E", 1}, {'R', "R", 1}, {'T', "T", 1}, {'Y', "Y", 1},
            {'U', "U", 1}, {'I', "I", 1}, {'O', "O", 1}, {'P', "P", 1}, {vk::OEM_4, "[", 1}, {vk::OEM_6, "]", 1},
            {vk::OEM_5, "\\", 1.5}});
    AddRow(keys, 2, 1.75,
           {{'A', "A", 1}, {'S', "S", 1}, {'D', "D", 1}, {'F', "F", 1}, {'G', "G", 1}, {'H', "H", 1},
            {'J', "J", 1}, {'K', "K", 1}, {'L', "L", 1}, {vk::OEM_1, ";", 1}, {vk::OEM_7, "'", 1},
            {vk::RETURN, "Enter", 2.25}});
    AddRow(keys, 3, 2.25,
           {{'Z', "Z", 1}, {'X', "X", 1}, {'C', "C", 1}, {'V', "V", 1}, {'B', "B", 1}, {'N', "N", 1},
            {'M', "M", 1}, {vk::OEM_COMMA, ",", 1}, {vk::OEM_PERIOD, ".", 1}, {vk::OEM_2, "/", 1}});
    // After Ctrl, the logo key and Alt, 1.25 each.
    AddRow(keys, 4, 3.75, {{vk::SPACE, "Space", 6.25}});
    return keys;
}

std::string CodeName(char16_t unit)
{
    char name[8];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(unit));
    return name;
}

std::string CodeNames(const std::u16string& units, const TipWords& words)
{
    std::string names;
    for (char16_t unit : units)
        names += (names.empty() ? "" : " ") + CodeName(unit);
    if (units == u"\r")
        names += " (" + words(QT_TRANSLATE_NOOP("TKeyboardChart", "line break")) + ")";
    return names;
}

} // namespace

const std::vector<ChartKey>& ChartKeys()
{
    static const std::vector<ChartKey> keys = UsKeyboard();
    return keys;
}

bool ChartEntry::Empty() const
{
    return plain == 0 && ctrlAlt == 0 && virtualKey != vk::BACK;
}

bool DrawnAsGlyph(char16_t code)
{
    return code > 0x20;
}

std::vector<ChartEntry> BuildChart(const KeybLayout& Layout, const std::function<unsigned(unsigned)>& virtualKeyAt)
{
    const std::vector<ChartKey>& keys = ChartKeys();
    std::vector<ChartEntry> chart;
    for (const ChartKey& key : keys) {
        ChartEntry entry;
        entry.key = key;
        entry.virtualKey = virtualKeyAt(key.position);
        if (entry.virtualKey >= 'A' && entry.virtualKey <= 'Z') {
            entry.label = std::string(1, static_cast<char>(entry.virtualKey));
        } else {
            entry.label = key.label;
            for (const ChartKey& other : keys)
                if (other.position == entry.virtualKey)
                    entry.label = other.label;
        }
        if (entry.virtualKey < static_cast<unsigned>(KeybLayout::Size)) {
            entry.plain = Layout.Base[entry.virtualKey];
            entry.ctrlAlt = Layout.CtrlAlt[entry.virtualKey];
        }
        chart.push_back(entry);
    }
    return chart;
}

std::u16string TypedBy(const KeybLayout& Layout, unsigned virtualKey, bool ctrlAlt)
{
    OwnWideString text;
    int32_t CursorPos = 0;
    unsigned Key = virtualKey;
    KeyModifiers modifiers;
    modifiers.Ctrl = modifiers.Alt = ctrlAlt;
    ApplyKeyDown(text, CursorPos, Layout, Key, modifiers, false);
    return std::u16string(text.Buffer(), text.Length());
}

std::string KeyTip(const KeybLayout& Layout, const ChartEntry& entry, const TipWords& translate)
{
    const TipWords words = translate ? translate : [](const char* english) { return std::string(english); };
    if (entry.virtualKey == vk::BACK)
        return words(QT_TRANSLATE_NOOP("TKeyboardChart", "Deletes the character before the insertion point"));
    const std::u16string plain = TypedBy(Layout, entry.virtualKey, false);
    const std::u16string ctrlAlt = TypedBy(Layout, entry.virtualKey, true);
    std::string tip = CodeNames(plain, words);
    if (!ctrlAlt.empty())
        tip += (tip.empty() ? "" : " \u00B7 ") + std::string("Ctrl+Alt ") + CodeNames(ctrlAlt, words);
    return tip.empty() ? words(QT_TRANSLATE_NOOP("TKeyboardChart", "Types nothing")) : tip;
}
