#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Keystroke.h"
#include "VirtualKeys.h"
#include "TextUnits.h"

namespace {

constexpr KeyModifiers None{};
constexpr KeyModifiers Shift{true, false, false};
constexpr KeyModifiers Alt{false, true, false};
constexpr KeyModifiers Ctrl{false, false, true};
constexpr KeyModifiers CtrlAlt{false, true, true};
constexpr KeyModifiers CtrlAltShift{true, true, true};

struct Stroke {
    unsigned key;
    KeyModifiers modifiers;
};

struct SequenceCase {
    const char* name;
    TextAtCursor start;
    bool capsLock;
    std::vector<Stroke> strokes;
    TextAtCursor expected;
    bool expectedRedraw; // answer to the last stroke
};

const std::vector<SequenceCase> SequenceCases = {
    {"LetterAOnEmptyText", u"", 0, false, {{'A', None}}, u"\u0860", 1, true},
    {"SpaceBarInsertsSpaceThenSpacedCode", u"", 0, false, {{vk::SPACE, None}}, u"\u0020\u0892", 2, true},
    {"SpaceBarInMiddle", u"\u0860\u0861", 1, false, {{vk::SPACE, None}}, u"\u0860\u0020\u0892\u0861", 3, true},
    {"RightThenLetterInsertsBeforeLastUnit", u"\u0860\u0861", 2, false, {{vk::RIGHT, None}, {'D', None}},
     u"\u0860\u0864\u0861", 2, true},
    {"BackspaceRemovesUnitBeforeCursor", u"\u0860\u0861", 1, false, {{vk::BACK, None}}, u"\u0861", 0, true},
    {"BackspaceAtEnd", u"\u0860\u0861", 2, false, {{vk::BACK, None}}, u"\u0860", 1, true},
    {"BackspaceAtStartStillRedraws", u"\u0860", 0, false, {{vk::BACK, None}}, u"\u0860", 0, true},
    {"RightAtStartStaysAndRedraws", u"\u0860", 0, false, {{vk::RIGHT, None}}, u"\u0860", 0, true},
    {"LeftAtEndStaysAndRedraws", u"\u0860", 1, false, {{vk::LEFT, None}}, u"\u0860", 1, true},
    {"LeftMovesTowardsEnd", u"\u0860\u0861", 0, false, {{vk::LEFT, None}}, u"\u0860\u0861", 1, true},
    {"DeleteIsIgnoredNotADeletion", u"\u0860\u0861", 1, false, {{vk::DELETE_, None}}, u"\u0860\u0861", 1, false},
    {"UnmappedLetterWInsertsNothing", u"\u0860", 1, false, {{'W', None}}, u"\u0860", 1, false},
    {"CtrlAloneInsertsKeyCode", u"", 0, false, {{'A', Ctrl}}, u"\u0041", 1, true},
    {"AltAloneWithSpaceInsertsPlainSpace", u"", 0, false, {{vk::SPACE, Alt}}, u"\u0020", 1, true},
    {"CtrlAltColumn", u"", 0, false, {{'C', CtrlAlt}}, u"\u0863", 1, true},
    {"CtrlAltShiftEqualsCtrlAlt", u"", 0, false, {{'C', CtrlAltShift}}, u"\u0863", 1, true},
    {"CtrlAltSpaceIsOneSpace", u"", 0, false, {{vk::SPACE, CtrlAlt}}, u"\u0020", 1, true},
    {"CtrlAltDigitOne", u"", 0, false, {{'1', CtrlAlt}}, u"\u0889", 1, true},
    {"CtrlAltUnmappedInsertsNothing", u"", 0, false, {{'A', CtrlAlt}}, u"", 0, false},
    {"ShiftChangesNothing", u"", 0, false, {{vk::OEM_1, Shift}}, u"\u0866", 1, true},
    {"OemMinusIsPlainSpace", u"", 0, false, {{vk::OEM_MINUS, None}}, u"\u0020", 1, true},
    {"CapsLockOnLetterA", u"", 0, true, {{'A', None}}, u"\u0860", 1, true},
    {"EnterInsertsCarriageReturnAtCursor", u"\u0860\u0861", 1, false, {{vk::RETURN, None}},
     u"\u0860\u000D\u0861", 2, true},
    {"CtrlTabIsIgnored", u"\u0860", 1, false, {{vk::TAB, Ctrl}}, u"\u0860", 1, false},
    {"NumpadTranslatesToNothing", u"", 0, false, {{vk::NUMPAD0 + 5, None}}, u"", 0, false},
    {"HelpKeyGoesThroughTranslationWithCtrl", u"", 0, false, {{vk::HELP, Ctrl}}, u"\u002F", 1, true},
    // Backspace keeps the buffer's size; later insertions must not pick up
    // the stale units behind the terminator.
    {"TypingAfterBackspacesReusesNoStaleUnits", u"", 0, false,
     {{'A', None}, {'B', None}, {'C', None}, {vk::BACK, None}, {vk::BACK, None}, {'D', None}},
     u"\u0860\u0864", 2, true},
    {"BackspaceInMiddleThenLeftStopsAtNewEnd", u"\u0860\u0861\u0862", 2, false,
     {{vk::BACK, None}, {vk::LEFT, None}, {vk::LEFT, None}}, u"\u0860\u0862", 2, true},
    {"KeyCode256InsertsNothing", u"\u0860", 1, false, {{0x100, None}}, u"\u0860", 1, false},
    {"KeyCodeAbove255WithCtrlDoesNotInsertItself", u"", 0, false, {{0x141, Ctrl}}, u"", 0, false},
    {"KeyCodeAbove255WithCtrlAlt", u"", 0, false, {{0xFFFF, CtrlAlt}}, u"", 0, false},
    {"KeyCodeAbove255DoesNotAliasLowByte", u"", 0, false, {{0x100 + 'A', None}}, u"", 0, false},
    // A CursorPos handed in out of range is pulled back into the text.
    {"NegativeCursorInsertsAtStart", u"\u0861", -5, false, {{'A', None}}, u"\u0860\u0861", 1, true},
    {"CursorPastEndInsertsAtEnd", u"\u0861", 99, false, {{'A', None}}, u"\u0861\u0860", 2, true},
    {"CursorPastEndBackspaceRemovesLast", u"\u0860\u0861", 99, false, {{vk::BACK, None}}, u"\u0860", 1, true},
    {"CursorPastEndLeftStaysAtEnd", u"\u0860\u0861", 99, false, {{vk::LEFT, None}}, u"\u0860\u0861", 2, true},
};

void PrintTo(const SequenceCase& row, std::ostream* out)
{
    *out << row.name;
}

class KeystrokeSequence : public testing::TestWithParam<SequenceCase> {};

TEST_P(KeystrokeSequence, EditsTextAndCursor)
{
    const SequenceCase& row = GetParam();
    const KeybLayout layout;
    OwnWideString text = TextOfUnits(row.start.text);
    int32_t cursor = row.start.cursor;
    bool redraw = false;
    for (const Stroke& stroke : row.strokes) {
        unsigned key = stroke.key;
        redraw = ApplyKeyDown(text, cursor, layout, key, stroke.modifiers, row.capsLock);
        EXPECT_EQ(key, 0u) << "key 0x" << std::hex << stroke.key << " not swallowed";
    }
    EXPECT_EQ(UnitsOf(text), row.expected.text);
    EXPECT_EQ(cursor, row.expected.cursor);
    EXPECT_EQ(redraw, row.expectedRedraw);
}

// Each key's edit, worked out apart from the text, does what the key does and
// takes it back exactly: the history records these edits as they are.
TEST_P(KeystrokeSequence, EditOfEachKeyAppliesAndRevertsIt)
{
    const SequenceCase& row = GetParam();
    const KeybLayout layout;
    OwnWideString text = TextOfUnits(row.start.text);
    int32_t cursor = row.start.cursor;
    for (const Stroke& stroke : row.strokes) {
        const std::u16string before = UnitsOf(text);
        const KeyEffect effect = EffectOfKey(text, cursor, layout, stroke.key, stroke.modifiers, row.capsLock);
        EXPECT_EQ(UnitsOf(text), before);
        OwnWideString edited = text;
        int32_t editedCursor = cursor;
        unsigned key = stroke.key;
        ApplyKeyDown(text, cursor, layout, key, stroke.modifiers, row.capsLock);
        if (effect.edit) {
            effect.edit->Apply(edited, editedCursor);
            EXPECT_EQ(UnitsOf(edited), UnitsOf(text)) << "key 0x" << std::hex << stroke.key;
            effect.edit->Revert(edited, editedCursor);
            EXPECT_EQ(UnitsOf(edited), before);
            EXPECT_EQ(editedCursor, effect.edit->cursorBefore);
        } else {
            EXPECT_EQ(UnitsOf(text), before) << "key 0x" << std::hex << stroke.key << " edited with no edit";
        }
        EXPECT_EQ(effect.cursorAfter, cursor);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, KeystrokeSequence, testing::ValuesIn(SequenceCases),
                         [](const testing::TestParamInfo<SequenceCase>& instance) { return instance.param.name; });

TEST(Keystroke, IgnoredKeysChangeNothingUnderAnyModifiers)
{
    const std::vector<unsigned> ignored = {
        vk::TAB, 0x10, 0x11, 0x12, 0x13, 0x14, vk::ESCAPE, 0x21, 0x22, 0x23, 0x24, vk::UP, vk::DOWN,
        vk::INSERT, vk::DELETE_, 0x5B, 0x5C, 0x5D, vk::NUMLOCK, vk::SCROLL,
        0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    std::vector<unsigned> keys = ignored;
    for (unsigned f = vk::F1; f <= vk::F24; ++f)
        keys.push_back(f);
    const KeybLayout layout;
    for (unsigned key : keys) {
        for (int bits = 0; bits < 8; ++bits) {
            const KeyModifiers modifiers{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
            OwnWideString text = TextOfUnits(u"\u0860\u0861");
            int32_t cursor = 1;
            unsigned swallowed = key;
            EXPECT_FALSE(ApplyKeyDown(text, cursor, layout, swallowed, modifiers, true))
                << "key 0x" << std::hex << key << " modifiers " << bits;
            EXPECT_EQ(swallowed, 0u);
            EXPECT_EQ(UnitsOf(text), u"\u0860\u0861") << "key 0x" << std::hex << key;
            EXPECT_EQ(cursor, 1);
        }
    }
}

TEST(Keystroke, NonIgnoredNeighboursOfIgnoredRangesReachTranslation)
{
    // With Ctrl alone a translated key inserts its own code, which shows that
    // the key was not swallowed as an ignored one.
    const KeybLayout layout;
    for (unsigned key : {0x0Fu, 0x15u, 0x1Au, 0x1Cu, 0x29u, 0x2Cu, 0x2Fu, 0x5Au, 0x5Eu, 0x6Fu, 0x88u, 0x8Fu,
                         0x92u, 0x9Fu, 0xA6u}) {
        OwnWideString text;
        int32_t cursor = 0;
        unsigned k = key;
        EXPECT_TRUE(ApplyKeyDown(text, cursor, layout, k, Ctrl, false)) << "key 0x" << std::hex << key;
        EXPECT_EQ(UnitsOf(text), std::u16string(1, static_cast<char16_t>(key)));
    }
}

TEST(Keystroke, CapsFlagsInvertShiftInBothColumns)
{
    // The built-in layout sets no Caps flag, so the rule is checked on one
    // that does: Base 1, BaseShift 2, CtrlAlt 3, CtrlAltShift 4.
    KeybLayout layout;
    const unsigned key = 'W';
    layout.Base[key] = 0x0861;
    layout.BaseShift[key] = 0x0862;
    layout.CtrlAlt[key] = 0x0863;
    layout.CtrlAltShift[key] = 0x0864;
    layout.CapsBase[key] = true;
    layout.CapsCtrlAlt[key] = true;

    struct Row {
        KeyModifiers modifiers;
        bool caps;
        bool capsFlags;
        char16_t expected;
    };
    const Row rows[] = {
        {None, false, true, 0x0861},         {Shift, false, true, 0x0862},
        {None, true, true, 0x0862},          {Shift, true, true, 0x0861},
        {CtrlAlt, false, true, 0x0863},      {CtrlAltShift, false, true, 0x0864},
        {CtrlAlt, true, true, 0x0864},       {CtrlAltShift, true, true, 0x0863},
        {None, true, false, 0x0861},         {CtrlAlt, true, false, 0x0863},
    };
    for (const Row& row : rows) {
        layout.CapsBase[key] = row.capsFlags;
        layout.CapsCtrlAlt[key] = row.capsFlags;
        OwnWideString text;
        int32_t cursor = 0;
        unsigned k = key;
        ApplyKeyDown(text, cursor, layout, k, row.modifiers, row.caps);
        EXPECT_EQ(UnitsOf(text), std::u16string(1, row.expected))
            << "shift " << row.modifiers.Shift << " ctrlalt " << row.modifiers.Ctrl << " caps " << row.caps
            << " flags " << row.capsFlags;
    }
}

TEST(Keystroke, InsertUnitAtEveryPositionAndOutOfRange)
{
    for (int32_t position = -2; position <= 5; ++position) {
        OwnWideString text = TextOfUnits(u"abc");
        InsertUnit(text, position, u'X');
        std::u16string expected = u"abc";
        expected.insert(static_cast<size_t>(std::clamp(position, 0, 3)), 1, u'X');
        EXPECT_EQ(UnitsOf(text), expected) << "position " << position;
        EXPECT_EQ(text.Buffer()[4], 0);
    }
}

// A small deterministic generator so that failures reproduce.
struct Lcg {
    uint32_t state;
    uint32_t Next(uint32_t bound)
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    }
};

TEST(Keystroke, LongMixedSequenceMatchesPlainStringModel)
{
    const KeybLayout layout;
    const unsigned pool[] = {'A', 'C', 'W', '1', '7', vk::SPACE, vk::RETURN, vk::OEM_MINUS, vk::BACK, vk::BACK,
                             vk::BACK, vk::LEFT, vk::LEFT, vk::RIGHT, vk::RIGHT, vk::RIGHT, vk::TAB, vk::DELETE_,
                             vk::HOME, 0x100, 0x1FF, 0xFFFF, vk::NUMPAD0, (vk::F1 + 4)};
    OwnWideString text;
    int32_t cursor = 0;
    std::u16string model;
    size_t modelCursor = 0;
    Lcg random{12345};
    for (int step = 0; step < 20000; ++step) {
        const unsigned key = pool[random.Next(std::size(pool))];
        const uint32_t bits = random.Next(8);
        const KeyModifiers modifiers{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};

        // The model: std::u16string edits, translation read straight from the tables.
        if (key == vk::BACK) {
            if (modelCursor > 0)
                model.erase(--modelCursor, 1);
        } else if (key == vk::RIGHT) {
            if (modelCursor > 0)
                --modelCursor;
        } else if (key == vk::LEFT) {
            if (modelCursor < model.size())
                ++modelCursor;
        } else if (key < 256 && key != vk::TAB && key != vk::DELETE_ && key != vk::HOME && key != (vk::F1 + 4)) {
            char16_t code;
            if (modifiers.Ctrl && modifiers.Alt)
                code = layout.CtrlAlt[key];
            else if (modifiers.Ctrl || modifiers.Alt)
                code = static_cast<char16_t>(key);
            else
                code = layout.Base[key];
            if (code == SpacedCode)
                model.insert(modelCursor++, 1, u' ');
            if (code != 0)
                model.insert(modelCursor++, 1, code);
        }

        unsigned k = key;
        ApplyKeyDown(text, cursor, layout, k, modifiers, (bits & 1) != 0);
        const uint32_t length = text.Length();
        ASSERT_GE(cursor, 0) << "step " << step;
        ASSERT_LE(static_cast<uint32_t>(cursor), length) << "step " << step;
        ASSERT_GE(text.Count(), length + 1) << "step " << step;
        ASSERT_EQ(static_cast<size_t>(cursor), modelCursor) << "step " << step;
        ASSERT_EQ(UnitsOf(text), model) << "step " << step;
    }
    EXPECT_GT(model.size(), 100u); // the sequence did build up some text
}

} // namespace
