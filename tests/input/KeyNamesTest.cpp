#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KeyNames.h"
#include "VirtualKeys.h"

namespace {

constexpr KeyModifiers None{};
constexpr KeyModifiers Shift{true, false, false};
constexpr KeyModifiers CtrlAlt{false, true, true};

struct Expected {
    unsigned key;
    KeyModifiers modifiers;
};

void ExpectStrokes(const std::string& text, const std::vector<Expected>& expected)
{
    std::string error;
    const auto strokes = ParseKeySequence(text, error);
    ASSERT_TRUE(strokes.has_value()) << text << ": " << error;
    ASSERT_EQ(strokes->size(), expected.size()) << text;
    for (size_t i = 0; i < expected.size(); ++i) {
        const KeyStroke& stroke = (*strokes)[i];
        EXPECT_EQ(stroke.Key, expected[i].key) << text << " item " << i;
        EXPECT_EQ(stroke.modifiers.Shift, expected[i].modifiers.Shift) << text << " item " << i;
        EXPECT_EQ(stroke.modifiers.Ctrl, expected[i].modifiers.Ctrl) << text << " item " << i;
        EXPECT_EQ(stroke.modifiers.Alt, expected[i].modifiers.Alt) << text << " item " << i;
    }
}

TEST(ParseKeySequence, DocumentedExample)
{
    ExpectStrokes("A,SPACE,CTRL+ALT+C,SHIFT+OEM_1,BACK,LEFT,RETURN,NUMPAD5,0x41",
                  {{'A', None}, {vk::SPACE, None}, {'C', CtrlAlt}, {vk::OEM_1, Shift}, {vk::BACK, None},
                   {vk::LEFT, None}, {vk::RETURN, None}, {vk::NUMPAD0 + 5, None}, {0x41, None}});
}

TEST(ParseKeySequence, NamesAndForms)
{
    ExpectStrokes("ctrl+alt+c, Shift+oem_102", {{'C', CtrlAlt}, {vk::OEM_102, Shift}});
    ExpectStrokes("SHIFT", {{vk::SHIFT, None}}); // alone it is the key, not a modifier
    ExpectStrokes("SHIFT+SHIFT", {{vk::SHIFT, Shift}});
    ExpectStrokes("ALT+CTRL+9", {{'9', CtrlAlt}});
    ExpectStrokes("F1,F9,F10,F24", {{vk::F1, None}, {vk::F1 + 8, None}, {vk::F1 + 9, None}, {vk::F24, None}});
    ExpectStrokes("NUMPAD0,NUMPAD9,DELETE,ESCAPE,CAPITAL,OEM_PLUS",
                  {{vk::NUMPAD0, None}, {vk::NUMPAD0 + 9, None}, {vk::DELETE_, None}, {vk::ESCAPE, None},
                   {vk::CAPITAL, None}, {vk::OEM_PLUS, None}});
    ExpectStrokes("0x100,0XffFF,0x0", {{0x100, None}, {0xFFFF, None}, {0, None}});
    ExpectStrokes("  Z  ,  0  ", {{'Z', None}, {'0', None}});
    ExpectStrokes("", {});
}

TEST(ParseKeySequence, RejectsBadInputNamingIt)
{
    struct Row {
        const char* text;
        const char* named; // must appear in the message
    };
    const Row rows[] = {
        {"A,Foo,B", "Foo"},
        {"A,,B", "position 2"},
        {"A,", "position 2"},
        {"CTRL+", "CTRL+"},
        {"Meta+A", "Meta"},
        {"+A", "\"\""},
        {"0x", "0x"},
        {"0xG1", "0xG1"},
        {"0x10000", "0x10000"},
        {"F0", "F0"},
        {"F25", "F25"},
        {"F01", "F01"},
        {"NUMPAD10", "NUMPAD10"},
        {"NUMPAD", "NUMPAD"},
        {"AB", "AB"},
        {"VK_A", "VK_A"},
        {"DELETE_", "DELETE_"},
    };
    for (const Row& row : rows) {
        std::string error;
        const auto strokes = ParseKeySequence(row.text, error);
        EXPECT_FALSE(strokes.has_value()) << row.text;
        EXPECT_NE(error.find(row.named), std::string::npos) << row.text << " gave: " << error;
    }
}

// The chart names its keys by these names; a name the parser reads as
// another key would send a click to the wrong one.
TEST(KeyNames, EveryCodeReadsBackFromItsName)
{
    for (unsigned code = 0; code <= 0x1FF; ++code) {
        std::string error;
        const auto strokes = ParseKeySequence(KeyName(code), error);
        ASSERT_TRUE(strokes && strokes->size() == 1) << KeyName(code) << ": " << error;
        EXPECT_EQ(strokes->front().Key, code) << KeyName(code);
    }
}

} // namespace
