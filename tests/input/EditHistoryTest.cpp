#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "EditHistory.h"
#include "TextUnits.h"
#include "VirtualKeys.h"

namespace {

// What the operations of a row type: A to D the letters U+0860, U+0861,
// U+0862, U+0864; '_' the space bar (U+0020 U+0892).
std::u16string Typed(const std::string& letters)
{
    std::u16string units;
    for (const char letter : letters) {
        if (letter == '_')
            units += u"\u0020\u0892";
        else
            units += letter == 'D' ? u'\u0864' : static_cast<char16_t>(0x0860 + (letter - 'A'));
    }
    return units;
}

const std::u16string Opened = u"\u0870\u0871\u0872";

// Runs ops on the text: A-D and '_' keys, '<' Backspace, '>' the Right arrow
// (towards the start), 'X' the whole text taken away (Delete, Cut), 'O' the
// text replaced by Opened with the cursor at its end (Open, Restore), 'u'
// undo, 'r' redo.
void Edit(const std::string& ops, OwnWideString& text, int32_t& cursor, EditHistory& history)
{
    const KeybLayout layout;
    for (const char op : ops) {
        unsigned key = op == '<' ? vk::BACK : op == '>' ? vk::RIGHT : op == '_' ? vk::SPACE : unsigned(op);
        if (op == 'X')
            history.Replace(text, cursor, 0, text.Length(), {}, 0);
        else if (op == 'O')
            history.Replace(text, cursor, 0, text.Length(), Opened, static_cast<int32_t>(Opened.size()));
        else if (op == 'u')
            history.Undo(text, cursor);
        else if (op == 'r')
            history.Redo(text, cursor);
        else
            ApplyKeyDown(text, cursor, layout, key, KeyModifiers{}, false, history);
    }
}


struct HistoryCase {
    const char* name;
    std::string ops;
    // The text after ops, then after each undo in turn down to the first.
    std::vector<TextAtCursor> states;
};

const std::vector<HistoryCase> HistoryCases = {
    {"ARunOfTypingIsOneStep", "ABC", {{Typed("ABC"), 3}, {u"", 0}}},
    {"TheSpaceBarsTwoUnitsJoinTheRun", "A_B", {{Typed("A_B"), 4}, {u"", 0}}},
    {"AMoveEndsTheRun", "AB>C", {{Typed("A") + Typed("CB"), 2}, {Typed("AB"), 1}, {u"", 0}}},
    {"ARunOfBackspacesIsOneStep", "ABC<<", {{Typed("A"), 1}, {Typed("ABC"), 3}, {u"", 0}}},
    {"BackspaceAfterAMoveTakesTheUnitBeforeIt", "ABC><", {{Typed("AC"), 1}, {Typed("ABC"), 2}, {u"", 0}}},
    {"TypingAfterBackspaceIsAStepOfItsOwn", "AB<C", {{Typed("AC"), 2}, {Typed("A"), 1}, {Typed("AB"), 2}, {u"", 0}}},
    {"DeleteGivesTheTextAndCursorBack", "AB>X", {{u"", 0}, {Typed("AB"), 1}, {u"", 0}}},
    {"OpenGivesTheTextBefore", "AB>O", {{Opened, 3}, {Typed("AB"), 1}, {u"", 0}}},
    {"TypingAfterOpenIsAStepOfItsOwn", "OA", {{Opened + Typed("A"), 4}, {Opened, 3}, {u"", 0}}},
    {"TypingAfterUndoStartsAFreshStep", "ABuC", {{Typed("C"), 1}, {u"", 0}}},
    {"BackspaceAtTheStartIsNoStep", "A><", {{Typed("A"), 0}, {u"", 0}}},
    {"UndoAndRedoInTurn", "ABXuurr", {{u"", 0}, {Typed("AB"), 2}, {u"", 0}}},
    {"DeleteOfNothingIsNoStep", "AXX", {{u"", 0}, {Typed("A"), 1}, {u"", 0}}},
};

// The name alone: the default dump of the row's bytes holds addresses, which
// would change the listed test names from build to build.
void PrintTo(const HistoryCase& row, std::ostream* out)
{
    *out << row.name;
}

class HistoryRows : public testing::TestWithParam<HistoryCase> { };

// Undo walks the states back, each with its insertion point; redo walks the
// texts forward again.
TEST_P(HistoryRows, UndoAndRedoWalkTheStates)
{
    const HistoryCase& row = GetParam();
    OwnWideString text;
    int32_t cursor = 0;
    EditHistory history;
    Edit(row.ops, text, cursor, history);
    for (std::size_t i = 0; i < row.states.size(); ++i) {
        SCOPED_TRACE("after " + std::to_string(i) + " undos");
        EXPECT_EQ(UnitsOf(text), row.states[i].text);
        EXPECT_EQ(cursor, row.states[i].cursor);
        EXPECT_EQ(history.CanUndo(), i + 1 < row.states.size());
        history.Undo(text, cursor);
    }
    EXPECT_FALSE(history.Undo(text, cursor));
    for (std::size_t i = row.states.size() - 1; i-- > 0;) {
        SCOPED_TRACE("redone to state " + std::to_string(i));
        ASSERT_TRUE(history.Redo(text, cursor));
        EXPECT_EQ(UnitsOf(text), row.states[i].text);
    }
    EXPECT_FALSE(history.CanRedo());
}

// A move is no step: redo puts the insertion point where the edit left it.
TEST(EditHistory, RedoPutsTheCursorWhereTheEditLeftIt)
{
    OwnWideString text;
    int32_t cursor = 0;
    EditHistory history;
    Edit("AB>C>uu", text, cursor, history);
    const TextAtCursor redone[] = {{Typed("AB"), 2}, {Typed("ACB"), 2}};
    for (const TextAtCursor& state : redone) {
        history.Redo(text, cursor);
        EXPECT_EQ(UnitsOf(text), state.text);
        EXPECT_EQ(cursor, state.cursor);
    }
}

INSTANTIATE_TEST_SUITE_P(EditHistory, HistoryRows, testing::ValuesIn(HistoryCases),
                         [](const testing::TestParamInfo<HistoryCase>& row) { return row.param.name; });

TEST(EditHistory, ANewEditDropsWhatCouldBeRedone)
{
    OwnWideString text;
    int32_t cursor = 0;
    EditHistory history;
    Edit("ABuC", text, cursor, history);
    EXPECT_FALSE(history.CanRedo());
    EXPECT_FALSE(history.Redo(text, cursor));
    EXPECT_EQ(UnitsOf(text), Typed("C"));
}

OwnWideString LongText(uint32_t length)
{
    OwnWideString text;
    for (uint32_t i = 0; i < length; ++i)
        text.Append(static_cast<char16_t>(0x0860 + i % 40));
    return text;
}

// Bytes the allocator has handed out; a sanitizer's allocator reports none,
// and there only the history's own count is checked.
std::size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

// 1,000 steps of typing, each after a move, on a 100,000-unit text: the
// history holds edits, a few dozen bytes each, not copies of the text.
TEST(EditHistory, AThousandStepsOnALongTextTakeLittleMemory)
{
    const OwnWideString original = LongText(100000);
    OwnWideString text = original;
    int32_t cursor = 100000;
    const std::size_t heapBefore = HeapInUse();
    {
        EditHistory history;
        for (int step = 0; step < 1000; ++step)
            Edit(step % 3 == 2 ? "><" : ">AB", text, cursor, history);
        const std::size_t heap = HeapInUse() - heapBefore;
        std::printf("1,000 steps on 100,000 units: %zu bytes by its count, %zu bytes of heap\n", history.MemoryUsed(),
                    heap);
        EXPECT_EQ(history.UndoCount(), EditHistory::MaxSteps);
        EXPECT_LT(history.MemoryUsed(), std::size_t{1} << 20);
        EXPECT_LT(heap, std::size_t{1} << 20);
        while (history.Undo(text, cursor)) {
        }
        EXPECT_EQ(text.Length(), original.Length());
    }
    // A step more than the bound drops the oldest.
    EditHistory history;
    text = original;
    cursor = 100000;
    for (int step = 0; step < 1001; ++step)
        Edit(">A", text, cursor, history);
    while (history.Undo(text, cursor)) {
    }
    EXPECT_EQ(UnitsOf(text).substr(0, 99000), UnitsOf(original).substr(0, 99000));
    EXPECT_EQ(UnitsOf(text).size(), original.Length() + 1);
}

// Steps that take the whole text hold it: the units of all but the newest are
// bounded, so 1,000 of them stay within a few megabytes, and the newest can
// always be taken back.
TEST(EditHistory, WholeTextStepsStayWithinTheUnitBound)
{
    OwnWideString text = LongText(100000);
    const std::u16string opened = UnitsOf(text);
    int32_t cursor = 0;
    const std::size_t heapBefore = HeapInUse();
    EditHistory history;
    // Delete, then Open of a 100,000-unit file, in turn.
    for (int step = 0; step < 1000; ++step)
        history.Replace(text, cursor, 0, text.Length(), step % 2 ? opened : std::u16string(), step % 2 ? 100000 : 0);
    const std::size_t heap = HeapInUse() - heapBefore;
    std::printf("1,000 whole-text steps on 100,000 units: %zu bytes by its count, %zu bytes of heap, %zu steps kept\n",
                history.MemoryUsed(), heap, history.UndoCount());
    EXPECT_LT(history.MemoryUsed(), std::size_t{5} << 20);
    EXPECT_LT(heap, std::size_t{5} << 20);
    // Taking back Open and Delete in turn reaches the long text again.
    while (history.Undo(text, cursor) && text.Length() != 100000) {
    }
    EXPECT_EQ(text.Length(), 100000u);
}

TEST(EditHistory, ReplaceUnitsKeepsWhatIsAroundTheEdit)
{
    const struct {
        uint32_t at, count;
        std::u16string units, expected;
    } rows[] = {
        {0, 0, u"x", u"xabcd"},    {4, 0, u"x", u"abcdx"}, {1, 2, u"", u"ad"},
        {1, 1, u"xyz", u"axyzcd"}, {2, 9, u"x", u"abx"},   {9, 0, u"xy", u"abcdxy"},
    };
    for (const auto& row : rows) {
        OwnWideString text = TextOfUnits(u"abcd");
        ReplaceUnits(text, row.at, row.count, row.units);
        EXPECT_EQ(UnitsOf(text), row.expected) << row.at << "," << row.count;
    }
}

}  // namespace
